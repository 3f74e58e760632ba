#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tests/support/platform-wrapper.h"

namespace sorvenna::testing {

// Thrown by VirtualPlatform::exit in place of ending the test process.
struct ProcessExit {
    int status;
};

// The native platform with the world's time replaced: a virtual clock that
// only Sleep moves, local time equal to UTC, pauses recorded, exit thrown,
// and a module path of the test's choosing.
class VirtualPlatform : public PlatformWrapper {
public:
    VirtualPlatform();

    // The virtual clock, in milliseconds since 1970.
    std::int64_t nowMilliseconds = 1579097007000;  // 15 January 2020, 14:03:27 UTC
    // Every pause, in order.
    std::vector<std::uint32_t> pauses;
    // Called after each pause has moved the clock (plays the consumer, say).
    std::function<void(std::uint32_t milliseconds)> onSleep;
    // The agent's own path as a Windows path; the real one when unset.
    std::optional<std::string> modulePath;
    // How often each Windows path was tested for existence.
    std::map<std::string, int> existenceTests;
    // Windows paths that OpenFile fails on.
    std::set<std::string> unopenable;
    // The file names the profile reader was asked to read, in order.
    std::vector<std::string> profileFiles;

    void Sleep(std::uint32_t milliseconds) override;
    [[noreturn]] void exit(int status) override;
    std::int64_t _time64(std::int64_t* result) override;  // NOLINT(readability-identifier-naming)
    bool LocalTime(std::int64_t time, std::tm& local) override;
    std::uint32_t GetModuleFileNameA(void* module, char* buffer, std::uint32_t size) override;
    int _access(const char* path, int mode) override;  // NOLINT(readability-identifier-naming)
    std::unique_ptr<FileHandle> OpenFile(const char* path, FileOpenMode mode) override;
    std::uint32_t GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue, char* buffer,
                                           std::uint32_t size, const char* fileName) override;

    // Sum of all pauses.
    [[nodiscard]] std::uint64_t PausedMilliseconds() const;
};

}  // namespace sorvenna::testing
