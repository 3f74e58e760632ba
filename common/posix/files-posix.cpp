// Existence test, folder creation and deletion on the host.

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "common/posix/host-path.h"
#include "common/posix/posix-platform.h"

namespace sorvenna {

int PosixPlatform::_access(const char* path, int mode) {  // NOLINT(readability-identifier-naming)
    int wanted = F_OK;
    if ((static_cast<unsigned>(mode) & 2U) != 0) {
        wanted |= W_OK;
    }
    if ((static_cast<unsigned>(mode) & 4U) != 0) {
        wanted |= R_OK;
    }
    // One call when the path exists as written, as the waiting agent's
    // request file does at every poll; the lookup of letter case otherwise.
    if (const std::optional<std::string> literal = HostPathAsWrittenOf(path)) {
        if (access(literal->c_str(), wanted) == 0) {
            return 0;
        }
    }
    const std::optional<std::string> host = HostPathOf(path);
    return host && access(host->c_str(), wanted) == 0 ? 0 : -1;
}

bool PosixPlatform::CreateDirectoryA(const char* path, const void* /*securityAttributes*/) {
    const std::optional<std::string> host = HostPathOf(path);
    return host && mkdir(host->c_str(), 0777) == 0;
}

bool PosixPlatform::DeleteFileA(const char* path) {
    const std::optional<std::string> host = HostPathOf(path);
    if (!host) {
        return false;
    }
    struct stat status {};
    if (lstat(host->c_str(), &status) != 0 || S_ISDIR(status.st_mode)) {
        return false;
    }
    // A read-only file is not deleted, as on Windows.
    if (S_ISREG(status.st_mode) && (status.st_mode & S_IWUSR) == 0) {
        errno = EACCES;
        return false;
    }
    return unlink(host->c_str()) == 0;
}

}  // namespace sorvenna
