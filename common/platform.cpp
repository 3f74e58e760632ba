#include "common/platform.h"

#include <exception>

namespace sorvenna {
namespace {
Platform* installed = nullptr;
}

Platform& Sys() { return installed != nullptr ? *installed : NativePlatform(); }

ScopedPlatform::ScopedPlatform(Platform& platform) : previous_(installed) { installed = &platform; }

ScopedPlatform::~ScopedPlatform() { installed = previous_; }

void EndProcess(int status) {
    Sys().exit(status);
    std::terminate();  // an exit that returns breaks the platform's contract
}

}  // namespace sorvenna
