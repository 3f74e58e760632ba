// STUB: replaced by the real directory search.
#include "common/posix/posix-platform.h"
namespace sorvenna {
std::unique_ptr<DirectorySearch> PosixPlatform::StartFileSearch(const char*) { return nullptr; }
}
