// Fuzzes the spool folder's view of the CUPS request folder: names map
// both ways and back again, and no path of the spool folder leads out of
// the request folder or to a file the view does not show.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/posix/cups-spool-view.h"

namespace {

const std::string& RequestFolder() {
    static const std::string folder = [] {
        setenv("SORVENNA_CUPS_SPOOL", "/var/spool/sorvenna-fuzz//", 1);
        return sorvenna::CupsRequestFolder();
    }();
    return folder;
}

bool HasSeparator(std::string_view name) { return name.find_first_of("/\\") != std::string_view::npos; }

std::string Lower(std::string_view text) {
    std::string lowered(text);
    for (char& byte : lowered) {
        if (byte >= 'A' && byte <= 'Z') {
            byte = static_cast<char>(byte - 'A' + 'a');
        }
    }
    return lowered;
}

void CheckNames(std::string_view name) {
    if (const std::optional<std::string> shown = sorvenna::SpoolViewNameOf(name)) {
        // A request file the view shows comes back from its name in any letter case.
        if (HasSeparator(*shown) || !shown->ends_with(".SPL") || sorvenna::RequestFileNameOf(*shown) != name ||
            sorvenna::RequestFileNameOf(Lower(*shown)) != name) {
            std::abort();
        }
    }
    if (const std::optional<std::string> requestFile = sorvenna::RequestFileNameOf(name)) {
        const std::optional<std::string> shown = sorvenna::SpoolViewNameOf(*requestFile);
        if (HasSeparator(*requestFile) || *requestFile == "." || *requestFile == ".." || !shown ||
            Lower(*shown) != Lower(name)) {
            std::abort();
        }
    }
}

// Components as the path mapping hands them over: split at separators,
// with no empty, "." or ".." left.
std::vector<std::string> ComponentsOf(std::string_view path) {
    std::vector<std::string> components;
    std::string current;
    const auto finish = [&] {
        if (!current.empty() && current != "." && current != "..") {
            components.push_back(current);
        }
        current.clear();
    };
    for (const char byte : path) {
        if (byte == '\\' || byte == '/') {
            finish();
        } else {
            current.push_back(byte);
        }
    }
    finish();
    return components;
}

void CheckPath(std::string_view path) {
    const std::vector<std::string> components = ComponentsOf(path);
    const std::optional<sorvenna::SpoolViewPath> spool = sorvenna::SpoolViewPathOf(components);
    if (!spool) {
        return;
    }
    if (components.size() < 4) {
        std::abort();
    }
    if (!spool->hostPath || *spool->hostPath == RequestFolder()) {
        if (spool->hostPath && components.size() != 4) {
            std::abort();
        }
        return;
    }
    // A file in the request folder, one the view shows under the path's last name.
    const std::string& host = *spool->hostPath;
    if (host.compare(0, RequestFolder().size() + 1, RequestFolder() + "/") != 0) {
        std::abort();
    }
    const std::string file = host.substr(RequestFolder().size() + 1);
    const std::optional<std::string> shown = sorvenna::SpoolViewNameOf(file);
    if (components.size() != 5 || HasSeparator(file) || !shown || Lower(*shown) != Lower(components.back())) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    RequestFolder();  // before the view first asks where the folder is
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);  // NOLINT: libFuzzer's bytes
    CheckNames(bytes);
    // The same bytes as a path inside the spool folder, and as a whole path after the drive.
    CheckPath("\\Windows\\System32\\spool\\PRINTERS\\" + std::string(bytes));
    CheckPath(bytes);
    return 0;
}
