// Open files on the host: a descriptor that closes itself.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "common/posix/host-path.h"
#include "common/posix/posix-platform.h"

namespace sorvenna {
namespace {

class PosixFile final : public FileHandle {
public:
    explicit PosixFile(int descriptor) : descriptor_(descriptor) {}
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;
    ~PosixFile() override {
        if (descriptor_ >= 0) {
            close(descriptor_);
        }
    }

    std::int64_t Read(void* buffer, std::size_t count) override {
        ssize_t got = 0;
        do {
            got = read(descriptor_, buffer, count);
        } while (got < 0 && errno == EINTR);
        return Result(got);
    }

    bool Write(const void* buffer, std::size_t count) override {
        const auto* bytes = static_cast<const char*>(buffer);
        while (count > 0) {
            const ssize_t written = write(descriptor_, bytes, count);
            if (written < 0) {
                if (errno == EINTR) {
                    continue;
                }
                lastError_ = errno;
                return false;
            }
            if (written == 0) {
                lastError_ = ENOSPC;
                return false;
            }
            bytes += written;
            count -= static_cast<std::size_t>(written);
        }
        return true;
    }

    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override {
        return Result(
            lseek(descriptor_, static_cast<off_t>(offset), origin == SeekOrigin::Begin ? SEEK_SET : SEEK_END));
    }

    std::int64_t GetLength() override {
        struct stat status {};
        if (fstat(descriptor_, &status) != 0) {
            lastError_ = errno;
            return -1;
        }
        return static_cast<std::int64_t>(status.st_size);
    }

    bool SetLength(std::int64_t length) override {
        if (ftruncate(descriptor_, static_cast<off_t>(length)) != 0) {
            lastError_ = errno;
            return false;
        }
        return true;
    }

    bool Close() override {
        // The descriptor is gone whatever close reports, so it is never closed twice.
        const int descriptor = descriptor_;
        descriptor_ = -1;
        if (descriptor >= 0 && close(descriptor) != 0 && errno != EINTR) {
            lastError_ = errno;
            return false;
        }
        return true;
    }

    [[nodiscard]] int LastError() const override { return lastError_; }

private:
    template <typename Value>
    std::int64_t Result(Value value) {
        if (value < 0) {
            lastError_ = errno;
            return -1;
        }
        return static_cast<std::int64_t>(value);
    }

    int descriptor_;
    int lastError_ = 0;
};

}  // namespace

std::unique_ptr<FileHandle> PosixPlatform::OpenFile(const char* path, FileOpenMode mode) {
    int flags = O_RDWR | O_CLOEXEC;
    if (mode == FileOpenMode::ReadAppend) {
        flags |= O_APPEND;
    }
    // Most opens name a file that exists as written: one call, no lookup of
    // letter case. A folder fails with EISDIR, as it fails on Windows.
    if (const std::optional<std::string> literal = HostPathAsWrittenOf(path)) {
        if (const int descriptor = open(literal->c_str(), flags); descriptor >= 0) {
            return std::make_unique<PosixFile>(descriptor);
        }
    }
    const std::optional<std::string> host = HostPathOf(path);
    if (!host) {
        return nullptr;
    }
    const int descriptor = open(host->c_str(), flags | O_CREAT, 0666);
    if (descriptor < 0) {
        return nullptr;
    }
    return std::make_unique<PosixFile>(descriptor);
}

}  // namespace sorvenna
