#include "tests/support/virtual-platform.h"

#include <cstring>
#include <numeric>

#include "common/posix/posix-platform.h"

namespace sorvenna::testing {

VirtualPlatform::VirtualPlatform() : PlatformWrapper(NativePosixPlatform()) {}

void VirtualPlatform::Sleep(std::uint32_t milliseconds) {
    pauses.push_back(milliseconds);
    nowMilliseconds += milliseconds;
    if (onSleep) {
        onSleep(milliseconds);
    }
}

void VirtualPlatform::exit(int status) { throw ProcessExit{status}; }

std::int64_t VirtualPlatform::_time64(std::int64_t* result) {  // NOLINT(readability-identifier-naming)
    const std::int64_t seconds = nowMilliseconds / 1000;
    if (result != nullptr) {
        *result = seconds;
    }
    return seconds;
}

bool VirtualPlatform::LocalTime(std::int64_t time, std::tm& local) {
    const auto seconds = static_cast<time_t>(time);
    return gmtime_r(&seconds, &local) != nullptr;
}

std::uint32_t VirtualPlatform::GetModuleFileNameA(void* module, char* buffer, std::uint32_t size) {
    if (!modulePath) {
        return PlatformWrapper::GetModuleFileNameA(module, buffer, size);
    }
    if (size == 0) {
        return 0;
    }
    if (modulePath->size() < size) {
        std::memcpy(buffer, modulePath->c_str(), modulePath->size() + 1);
        return static_cast<std::uint32_t>(modulePath->size());
    }
    std::memcpy(buffer, modulePath->data(), size - 1);
    buffer[size - 1] = '\0';
    return size;
}

int VirtualPlatform::_access(const char* path, int mode) {  // NOLINT(readability-identifier-naming)
    ++existenceTests[path == nullptr ? "" : path];
    return PlatformWrapper::_access(path, mode);
}

std::unique_ptr<FileHandle> VirtualPlatform::OpenFile(const char* path, FileOpenMode mode) {
    if (path != nullptr && unopenable.count(path) != 0) {
        return nullptr;
    }
    return PlatformWrapper::OpenFile(path, mode);
}

std::uint32_t VirtualPlatform::GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                                                        char* buffer, std::uint32_t size, const char* fileName) {
    profileFiles.emplace_back(fileName == nullptr ? "<null>" : fileName);
    return PlatformWrapper::GetPrivateProfileStringA(section, key, defaultValue, buffer, size, fileName);
}

std::uint64_t VirtualPlatform::PausedMilliseconds() const {
    return std::accumulate(pauses.begin(), pauses.end(), std::uint64_t{0});
}

}  // namespace sorvenna::testing
