#include "common/posix/host-path.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "common/posix/cups-spool-view.h"

namespace sorvenna {
namespace {

constexpr std::size_t MaxWindowsPath = 260;

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
        return home;
    }
    // HOME unset: the account's home folder from the user database.
    const long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 16384U);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr) {
        return found->pw_dir;
    }
    return {};
}

struct CloseDirectory {
    void operator()(DIR* directory) const noexcept { closedir(directory); }
};

bool IsSeparator(char byte) { return byte == '\\' || byte == '/'; }

// Bytes that Windows refuses in a file or folder name.
bool IsRefusedInName(unsigned char byte) {
    switch (byte) {
        case '<':
        case '>':
        case ':':
        case '"':
        case '|':
        case '?':
        case '*': return true;
        default: return byte < 0x20;
    }
}

bool Exists(const std::string& hostPath) {
    struct stat status {};
    return lstat(hostPath.c_str(), &status) == 0;
}

bool EqualIgnoringAsciiCase(const std::string& left, const char* right) {
    const std::size_t length = left.size();
    if (std::strlen(right) != length) {
        return false;
    }
    for (std::size_t i = 0; i < length; ++i) {
        auto lower = [](unsigned char byte) {
            return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte + 0x20) : byte;
        };
        if (lower(static_cast<unsigned char>(left[i])) != lower(static_cast<unsigned char>(right[i]))) {
            return false;
        }
    }
    return true;
}

// The entry of folder named like component, as written when it exists so,
// otherwise the first in byte order that differs only in letter case,
// otherwise the component as written (for what is about to be created).
std::string ResolveComponent(const std::string& folder, const std::string& component) {
    if (Exists(folder + "/" + component)) {
        return component;
    }
    const std::unique_ptr<DIR, CloseDirectory> directory(opendir(folder.c_str()));
    if (!directory) {
        return component;
    }
    std::string best;
    while (const dirent* entry = readdir(directory.get())) {
        if (EqualIgnoringAsciiCase(component, entry->d_name) && (best.empty() || best > entry->d_name)) {
            best = entry->d_name;
        }
    }
    return best.empty() ? component : best;
}

// Splits the part after the drive into components, resolving "." and "..";
// false when a component holds a byte Windows refuses.
bool SplitComponents(const char* rest, std::vector<std::string>& components) {
    const char* start = rest;
    for (const char* byte = rest;; ++byte) {
        if (*byte == '\0' || IsSeparator(*byte)) {
            const std::string_view name(start, static_cast<std::size_t>(byte - start));
            if (name == "..") {
                if (!components.empty()) {
                    components.pop_back();
                }
            } else if (!name.empty() && name != ".") {
                components.emplace_back(name);
            }
            if (*byte == '\0') {
                return true;
            }
            start = byte + 1;
        } else if (IsRefusedInName(static_cast<unsigned char>(*byte))) {
            return false;
        }
    }
}

void MakeFolder(const std::string& path) {
    if (mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) {
        // Left to the file calls that follow: they fail on the missing folder.
        return;
    }
}

}  // namespace

std::string PrefixFolder() {
    std::string prefix;
    if (const char* configured = std::getenv("SORVENNA_PREFIX"); configured != nullptr && configured[0] != '\0') {
        prefix = configured;
    } else {
        const std::string home = HomeFolder();
        if (home.empty()) {
            return {};
        }
        prefix = home + "/.sorvenna";
    }
    while (prefix.size() > 1 && prefix.back() == '/') {
        prefix.pop_back();
    }
    // Every Windows machine has a C: drive: make the prefix and drive_c once per prefix.
    static std::string made;
    if (made != prefix) {
        MakeFolder(prefix);
        MakeFolder(prefix + "/drive_c");
        made = prefix;
    }
    return prefix;
}

namespace {

std::optional<std::string> MapWindowsPath(const char* windowsPath, bool lookUpLetterCase) {
    if (windowsPath == nullptr) {
        return std::nullopt;
    }
    const std::size_t length = std::strlen(windowsPath);
    if (length >= MaxWindowsPath || length < 2 || windowsPath[1] != ':') {
        return std::nullopt;
    }
    std::string root;
    switch (windowsPath[0]) {
        case 'C':
        case 'c': {
            const std::string prefix = PrefixFolder();
            if (prefix.empty()) {
                return std::nullopt;
            }
            root = prefix + "/drive_c";
            break;
        }
        case 'Z':
        case 'z': root = ""; break;
        default: return std::nullopt;
    }
    if (windowsPath[2] != '\0' && !IsSeparator(windowsPath[2])) {
        return std::nullopt;  // "C:name" is relative to the drive's current folder
    }
    std::vector<std::string> components;
    components.reserve(8);
    if (!SplitComponents(windowsPath + 2, components)) {
        return std::nullopt;
    }
    // C:\Windows\System32\spool\PRINTERS is the CUPS request folder.
    if (windowsPath[0] == 'C' || windowsPath[0] == 'c') {
        if (const std::optional<SpoolViewPath> spool = SpoolViewPathOf(components)) {
            return spool->hostPath;
        }
    }
    std::string host;
    host.reserve(root.size() + length + 1);
    host = root;
    for (const std::string& component : components) {
        const std::string resolved =
            lookUpLetterCase ? ResolveComponent(host.empty() ? "/" : host, component) : component;
        host += '/';
        host += resolved;
    }
    if (host.empty()) {
        host.assign(1, '/');  // assign(), not = "/": GCC 12 warns falsely at -O3
    }
    return host;
}

}  // namespace

std::optional<std::string> HostPathOf(const char* windowsPath) { return MapWindowsPath(windowsPath, true); }

std::optional<std::string> HostPathAsWrittenOf(const char* windowsPath) { return MapWindowsPath(windowsPath, false); }

std::string WindowsPathOf(const std::string& hostPath) {
    std::string windows;
    const std::string prefix = PrefixFolder();
    std::string driveC = prefix.empty() ? std::string() : prefix + "/drive_c";
    if (!driveC.empty()) {
        if (char* real = realpath(driveC.c_str(), nullptr)) {
            driveC = real;
            std::free(real);  // NOLINT(cppcoreguidelines-no-malloc): realpath's own allocation
        }
    }
    std::string rest;
    if (!driveC.empty() && hostPath.compare(0, driveC.size(), driveC) == 0 &&
        (hostPath.size() == driveC.size() || hostPath[driveC.size()] == '/')) {
        windows = "C:";
        rest = hostPath.substr(driveC.size());
    } else {
        windows = "Z:";
        rest = hostPath;
    }
    if (rest.empty()) {
        rest.assign(1, '/');
    }
    for (char& byte : rest) {
        if (byte == '/') {
            byte = '\\';
        }
    }
    return windows + rest;
}

}  // namespace sorvenna
