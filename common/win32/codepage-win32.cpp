// The ANSI code page the process runs with: the system's own lead-byte
// table and lower-case mapping.

#include "common/win32/win32-platform.h"
#include "common/win32/windows-api.h"

namespace sorvenna {

bool Win32Platform::IsLeadByte(unsigned char byte) { return ::IsDBCSLeadByte(byte) != FALSE; }

void Win32Platform::LowerCharacter(unsigned char* character, std::size_t length) {
    ::CharLowerBuffA(reinterpret_cast<char*>(character), static_cast<DWORD>(length));
}

}  // namespace sorvenna
