// Directory search over FindFirstFileA / FindNextFileA.

#include <ctime>

#include "common/win32/win32-platform.h"
#include "common/win32/windows-api.h"

namespace sorvenna {
namespace {

// A file time as the framework's time class takes it: to local file time,
// to calendar fields, then to seconds since 1970 by the C runtime's mktime
// (daylight saving left to the runtime); 0 when a step fails.
std::int64_t SecondsOf(const FILETIME& fileTime) {
    FILETIME local{};
    SYSTEMTIME fields{};
    if (::FileTimeToLocalFileTime(&fileTime, &local) == FALSE || ::FileTimeToSystemTime(&local, &fields) == FALSE) {
        return 0;
    }
    std::tm calendar{};
    calendar.tm_year = fields.wYear - 1900;
    calendar.tm_mon = fields.wMonth - 1;
    calendar.tm_mday = fields.wDay;
    calendar.tm_hour = fields.wHour;
    calendar.tm_min = fields.wMinute;
    calendar.tm_sec = fields.wSecond;
    calendar.tm_isdst = -1;
    const __time64_t seconds = ::_mktime64(&calendar);
    return seconds == -1 ? 0 : static_cast<std::int64_t>(seconds);
}

class Win32Search final : public DirectorySearch {
public:
    // handle is INVALID_HANDLE_VALUE for a search that matched nothing.
    Win32Search(HANDLE handle, const WIN32_FIND_DATAA& first) : handle_(handle), current_(first) {}
    Win32Search(const Win32Search&) = delete;
    Win32Search& operator=(const Win32Search&) = delete;
    ~Win32Search() override {
        if (handle_ != INVALID_HANDLE_VALUE) {
            ::FindClose(handle_);
        }
    }

    bool Next(DirectoryEntry& entry) override {
        if (handle_ == INVALID_HANDLE_VALUE) {
            return false;
        }
        if (!haveCurrent_) {
            if (::FindNextFileA(handle_, &current_) == FALSE) {
                ::FindClose(handle_);
                handle_ = INVALID_HANDLE_VALUE;
                return false;
            }
        }
        haveCurrent_ = false;
        entry.name = current_.cFileName;
        entry.isDirectory = (current_.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entry.creationTime = SecondsOf(current_.ftCreationTime);
        return true;
    }

private:
    HANDLE handle_;
    WIN32_FIND_DATAA current_;
    bool haveCurrent_ = true;  // the entry FindFirstFileA gave is not handed out yet
};

}  // namespace

std::unique_ptr<DirectorySearch> Win32Platform::StartFileSearch(const char* pattern) {
    if (pattern == nullptr) {
        return nullptr;
    }
    WIN32_FIND_DATAA first{};
    HANDLE handle = ::FindFirstFileA(pattern, &first);
    if (handle == INVALID_HANDLE_VALUE) {
        // A readable folder in which nothing matches gives an empty search.
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) {
            return std::make_unique<Win32Search>(INVALID_HANDLE_VALUE, first);
        }
        return nullptr;
    }
    return std::make_unique<Win32Search>(handle, first);
}

}  // namespace sorvenna
