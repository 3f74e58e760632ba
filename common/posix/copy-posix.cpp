// STUB: replaced by the real copy.
#include "common/posix/posix-platform.h"
namespace sorvenna {
bool PosixPlatform::CopyFileA(const char*, const char*, bool) { return false; }
}
