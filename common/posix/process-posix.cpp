// The agent's own path, the Windows folder, pauses, exit and the clock.

#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "common/posix/host-path.h"
#include "common/posix/posix-platform.h"

namespace sorvenna {
namespace {

// Copies text into a buffer of size bytes as the Win32 string getters do:
// the length without the NUL when it fits, otherwise the text cut to
// size - 1 bytes and the result size.
std::uint32_t CopyOut(const std::string& text, char* buffer, std::uint32_t size) {
    if (size == 0) {
        return 0;
    }
    if (text.size() < size) {
        std::memcpy(buffer, text.c_str(), text.size() + 1);
        return static_cast<std::uint32_t>(text.size());
    }
    std::memcpy(buffer, text.data(), size - 1);
    buffer[size - 1] = '\0';
    return size;
}

}  // namespace

PosixPlatform& NativePosixPlatform() {
    static PosixPlatform platform;
    return platform;
}

Platform& NativePlatform() { return NativePosixPlatform(); }

std::uint32_t PosixPlatform::GetModuleFileNameA(void* /*module*/, char* buffer, std::uint32_t size) {
    // The real path of the executable: a symbolic link resolves to its target.
    char* real = realpath("/proc/self/exe", nullptr);
    if (real == nullptr) {
        return 0;
    }
    const std::string hostPath = real;
    std::free(real);  // NOLINT(cppcoreguidelines-no-malloc): realpath's own allocation
    return CopyOut(WindowsPathOf(hostPath), buffer, size);
}

std::uint32_t PosixPlatform::GetWindowsDirectoryA(char* buffer, std::uint32_t size) {
    static const std::string windowsFolder = "C:\\Windows";
    if (windowsFolder.size() >= size) {
        return static_cast<std::uint32_t>(windowsFolder.size() + 1);  // the size needed
    }
    return CopyOut(windowsFolder, buffer, size);
}

void PosixPlatform::Sleep(std::uint32_t milliseconds) {
    timespec remaining{static_cast<time_t>(milliseconds / 1000U), static_cast<long>(milliseconds % 1000U) * 1000000L};
    while (nanosleep(&remaining, &remaining) != 0) {
    }
}

void PosixPlatform::exit(int status) { std::exit(status); }  // NOLINT(concurrency-mt-unsafe)

std::int64_t PosixPlatform::_time64(std::int64_t* result) {  // NOLINT(readability-identifier-naming)
    const auto now = static_cast<std::int64_t>(std::time(nullptr));
    if (result != nullptr) {
        *result = now;
    }
    return now;
}

bool PosixPlatform::LocalTime(std::int64_t time, std::tm& local) {
    if (time < static_cast<std::int64_t>(LONG_MIN) || time > static_cast<std::int64_t>(LONG_MAX)) {
        return false;
    }
    const auto seconds = static_cast<time_t>(time);
    return localtime_r(&seconds, &local) != nullptr;
}

}  // namespace sorvenna
