// The profile reader: our own (common/profile-reader.h) on the host file.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <optional>
#include <string>

#include "common/posix/host-path.h"
#include "common/posix/posix-platform.h"
#include "common/profile-reader.h"

namespace sorvenna {
namespace {

// A profile file open for reading only; never created.
class ProfileFile {
public:
    explicit ProfileFile(const std::string& hostPath) {
        // Non-blocking, so that a FIFO under that name cannot hold the agent.
        descriptor_ = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        struct stat status {};
        if (descriptor_ >= 0 && (fstat(descriptor_, &status) != 0 || !S_ISREG(status.st_mode))) {
            close(descriptor_);
            descriptor_ = -1;
        }
    }
    ProfileFile(const ProfileFile&) = delete;
    ProfileFile& operator=(const ProfileFile&) = delete;
    ~ProfileFile() {
        if (descriptor_ >= 0) {
            close(descriptor_);
        }
    }

    [[nodiscard]] bool IsOpen() const { return descriptor_ >= 0; }

    std::int64_t Read(char* buffer, std::size_t size) {
        ssize_t got = 0;
        do {
            got = read(descriptor_, buffer, size);
        } while (got < 0 && errno == EINTR);
        return static_cast<std::int64_t>(got);
    }

private:
    int descriptor_ = -1;
};

}  // namespace

std::uint32_t PosixPlatform::GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                                                      char* buffer, std::uint32_t size, const char* fileName) {
    if (section == nullptr || key == nullptr) {
        // Listing the sections or keys is not offered: the agent always names both.
        return CopyProfileString(std::string(), nullptr, buffer, size);
    }
    // No file name means the system's own profile, as on Windows.
    std::string windowsPath = fileName != nullptr ? fileName : "win.ini";
    if (windowsPath.find_first_of("\\/") == std::string::npos) {
        // A bare file name lies in the Windows folder, not in the current folder.
        std::array<char, 256> folder{};
        const std::uint32_t length = GetWindowsDirectoryA(folder.data(), static_cast<std::uint32_t>(folder.size()));
        if (length == 0 || length >= folder.size()) {
            return CopyProfileString(std::nullopt, defaultValue, buffer, size);
        }
        windowsPath = std::string(folder.data(), length) + "\\" + windowsPath;
    }
    std::optional<std::string> value;
    if (const std::optional<std::string> host = HostPathOf(windowsPath.c_str())) {
        ProfileFile file(*host);
        if (file.IsOpen()) {
            value =
                FindProfileValue([&file](char* into, std::size_t room) { return file.Read(into, room); }, section, key);
        }
    }
    return CopyProfileString(value, defaultValue, buffer, size);
}

}  // namespace sorvenna
