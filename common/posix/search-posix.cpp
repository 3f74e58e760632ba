// The directory search on the host: the folder of the pattern read once,
// its matching names visited in name order without regard to letter case
// (the order NTFS returns), each entry looked at when it is reached.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "common/posix/cups-spool-view.h"
#include "common/posix/host-path.h"
#include "common/posix/posix-platform.h"
#include "common/posix/wildcard.h"

namespace sorvenna {
namespace {

struct CloseDirectory {
    void operator()(DIR* directory) const noexcept { closedir(directory); }
};
using OpenDirectory = std::unique_ptr<DIR, CloseDirectory>;

char Upper(char byte) { return byte >= 'a' && byte <= 'z' ? static_cast<char>(byte - 'a' + 'A') : byte; }

// NTFS orders names by their upper-case form; names that differ only in
// letter case (possible only on the host) follow in byte order.
bool ComesBefore(const std::string& left, const std::string& right) {
    const auto mismatch = std::mismatch(left.begin(), left.end(), right.begin(), right.end(),
                                        [](char a, char b) { return Upper(a) == Upper(b); });
    if (mismatch.first == left.end() || mismatch.second == right.end()) {
        return left.size() != right.size() ? left.size() < right.size() : left < right;
    }
    return static_cast<unsigned char>(Upper(*mismatch.first)) < static_cast<unsigned char>(Upper(*mismatch.second));
}

// A host name that no Windows name can be: a path built from it would name
// another file.
bool IsWindowsName(const char* name) {
    for (const char* byte = name; *byte != '\0'; ++byte) {
        const auto value = static_cast<unsigned char>(*byte);
        if (value < 0x20 || std::strchr("\\<>:\"|?*", value) != nullptr) {
            return false;
        }
    }
    return true;
}

class HostDirectorySearch final : public DirectorySearch {
public:
    HostDirectorySearch(OpenDirectory directory, std::vector<std::string> names, bool spoolView)
        : directory_(std::move(directory)), names_(std::move(names)), spoolView_(spoolView) {}

    bool Next(DirectoryEntry& entry) override {
        while (next_ < names_.size()) {
            const std::string& name = names_[next_++];
            // An entry removed since the folder was read is passed over.
            if (Describe(name, entry)) {
                return true;
            }
        }
        return false;
    }

private:
    bool Describe(const std::string& name, DirectoryEntry& entry) {
        struct statx status {};
        const unsigned wanted = STATX_TYPE | STATX_MTIME | STATX_BTIME;
        const std::string hostName = spoolView_ ? RequestFileNameOf(name).value_or(name) : name;
        if (statx(dirfd(directory_.get()), hostName.c_str(), AT_STATX_SYNC_AS_STAT, wanted, &status) != 0) {
            return false;
        }
        entry.name = name;
        entry.isDirectory = S_ISDIR(status.stx_mode);
        // The birth time where the file system records one, else the last change of content.
        entry.creationTime = (status.stx_mask & STATX_BTIME) != 0 ? status.stx_btime.tv_sec : status.stx_mtime.tv_sec;
        return true;
    }

    OpenDirectory directory_;
    std::vector<std::string> names_;
    std::size_t next_ = 0;
    bool spoolView_;  // names_ are the spool folder's names of CUPS request files
};

}  // namespace

std::unique_ptr<DirectorySearch> PosixPlatform::StartFileSearch(const char* pattern) {
    if (pattern == nullptr) {
        return nullptr;
    }
    const char* lastSeparator = nullptr;
    for (const char* byte = pattern; *byte != '\0'; ++byte) {
        if (*byte == '\\' || *byte == '/') {
            lastSeparator = byte;
        }
    }
    const char* namePattern = lastSeparator != nullptr ? lastSeparator + 1 : pattern + std::strlen(pattern);
    const std::string folder(pattern, static_cast<std::size_t>(namePattern - pattern));
    const std::optional<std::string> hostFolder = HostPathOf(folder.c_str());
    if (!hostFolder) {
        return nullptr;
    }
    OpenDirectory directory(opendir(hostFolder->c_str()));
    if (!directory) {
        return nullptr;
    }
    // The spool folder shows each job's first document as NNNNN.SPL, and nothing else.
    const bool spoolView = IsSpoolViewFolder(folder, *hostFolder);
    std::vector<std::string> names;
    while (const dirent* entry = readdir(directory.get())) {
        const std::optional<std::string> name =
            spoolView ? SpoolViewNameOf(entry->d_name) : std::optional<std::string>(entry->d_name);
        if (name && IsWindowsName(name->c_str()) && MatchesWildcard(namePattern, *name)) {
            names.push_back(*name);
        }
    }
    std::sort(names.begin(), names.end(), ComesBefore);
    return std::make_unique<HostDirectorySearch>(std::move(directory), std::move(names), spoolView);
}

}  // namespace sorvenna
