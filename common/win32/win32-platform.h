#pragma once

// The Windows platform: the real Win32 ANSI calls and the C runtime. Its
// operations are defined across the *-win32.cpp files of this folder, one
// subject a file. This header does not include <windows.h>.

#include "common/platform.h"

namespace sorvenna {

class Win32Platform final : public Platform {
public:
    int _access(const char* path, int mode) override;  // NOLINT(readability-identifier-naming)
    bool CreateDirectoryA(const char* path, const void* securityAttributes) override;
    bool DeleteFileA(const char* path) override;
    bool CopyFileA(const char* source, const char* target, bool failIfExists) override;
    std::unique_ptr<FileHandle> OpenFile(const char* path, FileOpenMode mode) override;
    std::unique_ptr<DirectorySearch> StartFileSearch(const char* pattern) override;

    std::uint32_t GetModuleFileNameA(void* module, char* buffer, std::uint32_t size) override;
    std::uint32_t GetWindowsDirectoryA(char* buffer, std::uint32_t size) override;
    void Sleep(std::uint32_t milliseconds) override;
    [[noreturn]] void exit(int status) override;  // NOLINT(readability-identifier-naming)

    std::int64_t _time64(std::int64_t* result) override;  // NOLINT(readability-identifier-naming)
    bool LocalTime(std::int64_t time, std::tm& local) override;

    std::uint32_t GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue, char* buffer,
                                           std::uint32_t size, const char* fileName) override;

    bool OpenPrinterA(const char* printerName, PrinterHandle* printer, const void* defaults) override;
    bool GetPrinterA(PrinterHandle printer, std::uint32_t level, std::byte* buffer, std::uint32_t size,
                     std::uint32_t* needed) override;
    bool EnumJobsA(PrinterHandle printer, std::uint32_t firstJob, std::uint32_t jobCount, std::uint32_t level,
                   std::byte* buffer, std::uint32_t size, std::uint32_t* needed, std::uint32_t* returned) override;
    bool ClosePrinter(PrinterHandle printer) override;

    bool IsLeadByte(unsigned char byte) override;
    void LowerCharacter(unsigned char* character, std::size_t length) override;
};

}  // namespace sorvenna
