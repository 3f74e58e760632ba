// Open files: a file handle that closes itself.

#include <limits>

#include "common/win32/win32-platform.h"
#include "common/win32/windows-api.h"

namespace sorvenna {
namespace {

// The most one ReadFile or WriteFile call moves.
constexpr std::size_t MaxTransfer = std::numeric_limits<DWORD>::max();

class Win32File final : public FileHandle {
public:
    explicit Win32File(HANDLE handle) : handle_(handle) {}
    Win32File(const Win32File&) = delete;
    Win32File& operator=(const Win32File&) = delete;
    ~Win32File() override {
        if (handle_ != INVALID_HANDLE_VALUE) {
            ::CloseHandle(handle_);
        }
    }

    std::int64_t Read(void* buffer, std::size_t count) override {
        DWORD got = 0;
        const auto wanted = static_cast<DWORD>(count < MaxTransfer ? count : MaxTransfer);
        if (::ReadFile(handle_, buffer, wanted, &got, nullptr) == FALSE) {
            return Failed();
        }
        return static_cast<std::int64_t>(got);
    }

    // A file opened for appending takes each piece at its end in one system
    // write; a piece of more than 4 GiB - 1 bytes goes in several.
    bool Write(const void* buffer, std::size_t count) override {
        const auto* bytes = static_cast<const char*>(buffer);
        while (count > 0) {
            const auto piece = static_cast<DWORD>(count < MaxTransfer ? count : MaxTransfer);
            DWORD written = 0;
            if (::WriteFile(handle_, bytes, piece, &written, nullptr) == FALSE) {
                Failed();
                return false;
            }
            if (written == 0) {
                lastError_ = ERROR_DISK_FULL;
                return false;
            }
            bytes += written;
            count -= written;
        }
        return true;
    }

    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override {
        LARGE_INTEGER distance{};
        distance.QuadPart = offset;
        LARGE_INTEGER position{};
        if (::SetFilePointerEx(handle_, distance, &position, origin == SeekOrigin::Begin ? FILE_BEGIN : FILE_END) ==
            FALSE) {
            return Failed();
        }
        return position.QuadPart;
    }

    std::int64_t GetLength() override {
        LARGE_INTEGER size{};
        if (::GetFileSizeEx(handle_, &size) == FALSE) {
            return Failed();
        }
        return size.QuadPart;
    }

    // Cuts or extends the file and leaves the position where it was, as
    // the other platforms do; the framework's CFile moves it itself.
    bool SetLength(std::int64_t length) override {
        const LARGE_INTEGER none{};
        LARGE_INTEGER position{};
        if (::SetFilePointerEx(handle_, none, &position, FILE_CURRENT) == FALSE) {
            Failed();
            return false;
        }
        LARGE_INTEGER end{};
        end.QuadPart = length;
        if (::SetFilePointerEx(handle_, end, nullptr, FILE_BEGIN) == FALSE || ::SetEndOfFile(handle_) == FALSE) {
            Failed();
            ::SetFilePointerEx(handle_, position, nullptr, FILE_BEGIN);
            return false;
        }
        if (::SetFilePointerEx(handle_, position, nullptr, FILE_BEGIN) == FALSE) {
            Failed();
            return false;
        }
        return true;
    }

    bool Close() override {
        // The handle is gone whatever the system reports, so it is never closed twice.
        HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        if (handle != INVALID_HANDLE_VALUE && ::CloseHandle(handle) == FALSE) {
            Failed();
            return false;
        }
        return true;
    }

    [[nodiscard]] int LastError() const override { return static_cast<int>(lastError_); }

private:
    std::int64_t Failed() {
        lastError_ = ::GetLastError();
        return -1;
    }

    HANDLE handle_;
    DWORD lastError_ = 0;
};

}  // namespace

std::unique_ptr<FileHandle> Win32Platform::OpenFile(const char* path, FileOpenMode mode) {
    if (path == nullptr) {
        return nullptr;
    }
    // Appending without write access to the data makes the system put every
    // write at the end of the file, whoever else writes to it meanwhile.
    const DWORD access =
        mode == FileOpenMode::ReadAppend ? GENERIC_READ | FILE_APPEND_DATA : GENERIC_READ | GENERIC_WRITE;
    HANDLE handle = ::CreateFileA(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    return std::make_unique<Win32File>(handle);
}

}  // namespace sorvenna
