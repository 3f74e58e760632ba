// The agent's own path, the Windows folder, pauses, exit and the clock.

#include <cstdlib>
#include <ctime>

#include "common/win32/win32-platform.h"
#include "common/win32/windows-api.h"

namespace sorvenna {

Platform& NativePlatform() {
    static Win32Platform platform;
    return platform;
}

std::uint32_t Win32Platform::GetModuleFileNameA(void* /*module*/, char* buffer, std::uint32_t size) {
    return ::GetModuleFileNameA(nullptr, buffer, size);
}

std::uint32_t Win32Platform::GetWindowsDirectoryA(char* buffer, std::uint32_t size) {
    return ::GetWindowsDirectoryA(buffer, size);
}

void Win32Platform::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

void Win32Platform::exit(int status) { std::exit(status); }  // NOLINT(concurrency-mt-unsafe)

std::int64_t Win32Platform::_time64(std::int64_t* result) {  // NOLINT(readability-identifier-naming)
    const __time64_t now = ::_time64(nullptr);
    if (result != nullptr) {
        *result = now;
    }
    return now;
}

bool Win32Platform::LocalTime(std::int64_t time, std::tm& local) {
    const __time64_t seconds = time;
    return ::_localtime64_s(&local, &seconds) == 0;
}

}  // namespace sorvenna
