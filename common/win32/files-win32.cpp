// Existence test, folder creation, deletion and copy: the system's own calls.

#include <io.h>

#include "common/win32/win32-platform.h"
#include "common/win32/windows-api.h"

namespace sorvenna {

int Win32Platform::_access(const char* path, int mode) {  // NOLINT(readability-identifier-naming)
    if (path == nullptr) {
        return -1;
    }
    return ::_access(path, mode) == 0 ? 0 : -1;
}

bool Win32Platform::CreateDirectoryA(const char* path, const void* securityAttributes) {
    // The security attributes are passed through as the caller gave them (always none).
    auto* attributes = static_cast<LPSECURITY_ATTRIBUTES>(const_cast<void*>(securityAttributes));
    return ::CreateDirectoryA(path, attributes) != FALSE;
}

bool Win32Platform::DeleteFileA(const char* path) { return ::DeleteFileA(path) != FALSE; }

bool Win32Platform::CopyFileA(const char* source, const char* target, bool failIfExists) {
    return ::CopyFileA(source, target, failIfExists ? TRUE : FALSE) != FALSE;
}

}  // namespace sorvenna
