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

std::uint64_t VirtualPlatform::PausedMilliseconds() const {
    return std::accumulate(pauses.begin(), pauses.end(), std::uint64_t{0});
}

}  // namespace sorvenna::testing
