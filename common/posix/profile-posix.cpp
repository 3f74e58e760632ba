// STUB: replaced by the real profile reader.
#include <cstring>
#include "common/posix/posix-platform.h"
namespace sorvenna {
std::uint32_t PosixPlatform::GetPrivateProfileStringA(const char*, const char*, const char*, char* buffer, std::uint32_t size, const char*) { if (size) buffer[0] = 0; return 0; }
}
