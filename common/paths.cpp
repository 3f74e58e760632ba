#include "common/paths.h"

#include <array>
#include <cstdint>

#include "common/platform.h"

namespace {
constexpr std::uint32_t ModulePathBufferSize = 260;
}

CString ModuleFolder() {
    std::array<char, ModulePathBufferSize> path{};
    const std::uint32_t length = sorvenna::Sys().GetModuleFileNameA(nullptr, path.data(), ModulePathBufferSize);
    if (length == 0 || length >= ModulePathBufferSize) {
        return {};
    }
    // Byte by byte from the end: a 0x5C that trails a double-byte character counts too.
    for (std::uint32_t end = length; end > 0; --end) {
        if (path[end - 1] == '\\') {
            return {path.data(), static_cast<int>(end)};
        }
    }
    return {path.data(), static_cast<int>(length)};
}

CString InstallRootOf(const CString& moduleFolder) {
    CString installRoot = moduleFolder;
    installRoot.Replace("Xtra\\Prerequisite\\rodo\\vivaz\\bin\\", "");
    return installRoot;
}

// The join of two ANSI texts gives the same bytes whether it is made on
// wide text or byte by byte; it is made byte by byte.
CString SettingsPathOf(const CString& installRoot) { return installRoot + "Settings.ini"; }
