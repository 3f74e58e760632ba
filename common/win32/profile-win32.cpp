// The settings file: the system's own profile reader.

#include "common/win32/win32-platform.h"
#include "common/win32/windows-api.h"

namespace sorvenna {

std::uint32_t Win32Platform::GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                                                      char* buffer, std::uint32_t size, const char* fileName) {
    return ::GetPrivateProfileStringA(section, key, defaultValue, buffer, size, fileName);
}

}  // namespace sorvenna
