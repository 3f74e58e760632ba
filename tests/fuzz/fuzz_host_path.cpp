// Fuzzes the mapping of Windows paths onto the host: whatever the bytes,
// a C: path stays inside drive_c and no path keeps a "." or ".." step.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/posix/host-path.h"

namespace {

const std::string& DriveC() {
    static const std::string driveC = [] {
        char folder[] = "/tmp/sorvenna-fuzz-XXXXXX";
        if (mkdtemp(folder) == nullptr) {
            std::abort();
        }
        setenv("SORVENNA_PREFIX", folder, 1);
        return std::string(folder) + "/drive_c";
    }();
    return driveC;
}

bool HasDotStep(const std::string& path) {
    return path.find("/./") != std::string::npos || path.find("/../") != std::string::npos || path.ends_with("/.") ||
           path.ends_with("/..");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& driveC = DriveC();
    const std::string windowsPath(reinterpret_cast<const char*>(data), size);
    const std::optional<std::string> host = sorvenna::HostPathOf(windowsPath.c_str());
    if (!host) {
        return 0;
    }
    const char drive = windowsPath[0];
    if ((drive == 'C' || drive == 'c') && host->compare(0, driveC.size(), driveC) != 0) {
        std::abort();
    }
    if (HasDotStep(*host) || host->find("//") != std::string::npos) {
        std::abort();
    }
    if (windowsPath.find('\0') == std::string::npos && windowsPath.size() >= 260) {
        std::abort();
    }
    return 0;
}
