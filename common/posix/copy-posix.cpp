// Copying a file on the host. The data is copied inside the kernel where it
// can be, into a temporary file beside the target that is renamed over the
// target only once it is complete, so that no reader ever finds a
// half-written target under the target's name.

#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <string>

#include "common/posix/host-path.h"
#include "common/posix/posix-platform.h"

namespace sorvenna {
namespace {

// A descriptor that closes itself.
class Descriptor {
public:
    explicit Descriptor(int descriptor = -1) noexcept : descriptor_(descriptor) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (descriptor_ >= 0) {
            close(descriptor_);
        }
    }
    [[nodiscard]] int Get() const noexcept { return descriptor_; }
    [[nodiscard]] bool IsOpen() const noexcept { return descriptor_ >= 0; }
    // Closes now, reporting whether everything written reached the file.
    bool Close() noexcept {
        const int descriptor = descriptor_;
        descriptor_ = -1;
        return close(descriptor) == 0;
    }

private:
    int descriptor_;
};

// The temporary file of a copy: removed again unless it was renamed over the target.
class TemporaryFile {
public:
    TemporaryFile() = default;
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (!path_.empty()) {
            const int error = errno;
            unlink(path_.c_str());
            errno = error;
        }
    }

    // Makes a new file beside target with the process's default permissions
    // (0666 less the umask, and whatever the folder's default ACL adds).
    bool Create(const std::string& target) {
        static std::atomic<unsigned> serial{0};
        const std::size_t slash = target.rfind('/');
        const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
        const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::string path = folder;
            path.append(".").append(name).append(".").append(std::to_string(getpid()));
            path.append(".").append(std::to_string(serial.fetch_add(1))).append(".partial");
            const int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (descriptor >= 0) {
                path_ = path;
                file_ = std::make_unique<Descriptor>(descriptor);
                return true;
            }
            if (errno != EEXIST) {
                return false;
            }
        }
        return false;
    }

    [[nodiscard]] int Get() const noexcept { return file_->Get(); }
    [[nodiscard]] const std::string& Path() const noexcept { return path_; }
    bool CloseFile() noexcept { return file_->Close(); }
    // The file now has its final name and is no longer removed.
    void Keep() noexcept { path_.clear(); }

private:
    std::string path_;
    std::unique_ptr<Descriptor> file_;
};

// Errors that mean only that a way of copying does not apply here.
bool IsUnsupported(int error) { return error == ENOSYS || error == EXDEV || error == EINVAL || error == EOPNOTSUPP; }

enum class Copied { All, Failed, Unsupported };

// Repeats an in-kernel copy step until the source is used up.
template <typename Step>
Copied CopyInKernelSteps(Step step) {
    for (;;) {
        const ssize_t copied = step();
        if (copied == 0) {
            return Copied::All;
        }
        if (copied < 0) {
            if (errno == EINTR) {
                continue;
            }
            return IsUnsupported(errno) ? Copied::Unsupported : Copied::Failed;
        }
    }
}

constexpr std::size_t KernelCopyStep = std::size_t{1} << 30U;

Copied CopyInKernel(int source, int target) {
    return CopyInKernelSteps([&] { return copy_file_range(source, nullptr, target, nullptr, KernelCopyStep, 0); });
}

Copied CopyBySendfile(int source, int target) {
    return CopyInKernelSteps([&] { return sendfile(target, source, nullptr, KernelCopyStep); });
}

bool CopyByReading(int source, int target) {
    std::array<char, 65536> buffer{};
    for (;;) {
        const ssize_t got = read(source, buffer.data(), buffer.size());
        if (got == 0) {
            return true;
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        for (ssize_t written = 0; written < got;) {
            const ssize_t step = write(target, buffer.data() + written, static_cast<std::size_t>(got - written));
            if (step < 0 && errno == EINTR) {
                continue;
            }
            if (step <= 0) {
                return false;
            }
            written += step;
        }
    }
}

// Each way continues where the one before stopped: all of them move the
// descriptors' own offsets.
bool CopyContent(int source, int target) {
    switch (CopyInKernel(source, target)) {
        case Copied::All: return true;
        case Copied::Failed: return false;
        case Copied::Unsupported: break;
    }
    switch (CopyBySendfile(source, target)) {
        case Copied::All: return true;
        case Copied::Failed: return false;
        case Copied::Unsupported: break;
    }
    return CopyByReading(source, target);
}

}  // namespace

bool PosixPlatform::CopyFileA(const char* source, const char* target, bool failIfExists) {
    const std::optional<std::string> hostSource = HostPathOf(source);
    const std::optional<std::string> hostTarget = HostPathOf(target);
    if (!hostSource || !hostTarget) {
        errno = ENOENT;
        return false;
    }
    const Descriptor input(open(hostSource->c_str(), O_RDONLY | O_CLOEXEC));
    struct stat sourceStatus {};
    if (!input.IsOpen() || fstat(input.Get(), &sourceStatus) != 0) {
        return false;
    }
    if (S_ISDIR(sourceStatus.st_mode)) {
        errno = EACCES;
        return false;
    }
    struct stat targetStatus {};
    if (stat(hostTarget->c_str(), &targetStatus) == 0) {
        if (failIfExists) {
            errno = EEXIST;
            return false;
        }
        // A read-only target is not replaced, as on Windows; nor is a copy
        // made onto its own source.
        if ((S_ISREG(targetStatus.st_mode) && (targetStatus.st_mode & S_IWUSR) == 0) ||
            (targetStatus.st_dev == sourceStatus.st_dev && targetStatus.st_ino == sourceStatus.st_ino)) {
            errno = EACCES;
            return false;
        }
    }

    TemporaryFile temporary;
    if (!temporary.Create(*hostTarget) || !CopyContent(input.Get(), temporary.Get())) {
        return false;
    }
    // The last-write time goes with the content; the access time is the copy's own.
    // No fsync: the rename below already keeps a half-made copy from view, and
    // the hand-off as a whole (the request file too) is not meant to outlive a
    // crash of the machine, so flushing to disk would only double the copy's time.
    const std::array<timespec, 2> times{timespec{0, UTIME_OMIT}, sourceStatus.st_mtim};
    if (futimens(temporary.Get(), times.data()) != 0 || !temporary.CloseFile()) {
        return false;
    }
    if (failIfExists) {
        // A link fails on an existing target instead of replacing it.
        if (link(temporary.Path().c_str(), hostTarget->c_str()) != 0) {
            return false;
        }
        return true;  // the temporary name goes with the temporary file
    }
    if (rename(temporary.Path().c_str(), hostTarget->c_str()) != 0) {
        return false;
    }
    temporary.Keep();
    return true;
}

}  // namespace sorvenna
