#pragma once

// The one boundary between the agent's logic and the system it runs on.
//
// Everything the logic asks of the system passes through Platform: the file
// system on Windows paths, the module path, the Windows folder, the clock,
// Sleep, the profile reader, the print spooler, the directory search and the
// ANSI code page. The logic reaches it through Sys(); each platform supplies
// NativePlatform() in files of its own, picked by CMake; tests install a
// PlatformWrapper that replaces only what they need.
//
// Operations that stand for a system call carry that call's name and follow
// its contract (results, failure values). Paths are ANSI C strings in
// Windows form.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>

namespace sorvenna {

// ----- files -------------------------------------------------------------

enum class SeekOrigin { Begin, End };

// How OpenFile opens. Both create a missing file, keep an existing file's
// content and let other openers read, write and delete at the same time.
enum class FileOpenMode {
    ReadWrite,   // read and write at the current position
    ReadAppend,  // read anywhere; every write lands at the end, in one piece
};

// An open file. Failures return false (or -1) and leave the system's error
// number in LastError(); the framework's CFile turns them into CFileException.
class FileHandle {
public:
    FileHandle() = default;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    virtual ~FileHandle() = default;

    // Bytes read, 0 at the end of the file, -1 on failure.
    virtual std::int64_t Read(void* buffer, std::size_t count) = 0;
    // Writes all count bytes (in one system write when the mode appends).
    virtual bool Write(const void* buffer, std::size_t count) = 0;
    // The new position, -1 on failure.
    virtual std::int64_t Seek(std::int64_t offset, SeekOrigin origin) = 0;
    // The length, -1 on failure.
    virtual std::int64_t GetLength() = 0;
    virtual bool SetLength(std::int64_t length) = 0;
    // Closes the file; false when the system reports a failure on closing.
    // Nothing is called after it but the destructor, which closes a file
    // still open and ignores the outcome.
    virtual bool Close() { return true; }
    [[nodiscard]] virtual int LastError() const = 0;
};

// One entry of a directory search.
struct DirectoryEntry {
    std::string name;  // file name without folder
    bool isDirectory = false;
    std::int64_t creationTime = 0;  // seconds since 1970; 0 when it cannot be converted
};

// A running directory search; entries come in the order the system gives.
class DirectorySearch {
public:
    DirectorySearch() = default;
    DirectorySearch(const DirectorySearch&) = delete;
    DirectorySearch& operator=(const DirectorySearch&) = delete;
    virtual ~DirectorySearch() = default;
    // Fills entry with the next match; false when there is none.
    virtual bool Next(DirectoryEntry& entry) = 0;
};

// ----- print spooler -------------------------------------------------------

using PrinterHandle = void*;

// Records as the spooler returns them at level 2 (printer) and level 1 (job),
// laid out field for field as the Windows spooler lays them out, so that the
// Windows build hands the spooler's own buffers to the logic. Strings point
// into the same buffer after the records.
struct SystemTime {
    std::uint16_t wYear, wMonth, wDayOfWeek, wDay, wHour, wMinute, wSecond, wMilliseconds;
};

struct PrinterInfo2 {
    char* pServerName;
    char* pPrinterName;
    char* pShareName;
    char* pPortName;
    char* pDriverName;
    char* pComment;
    char* pLocation;
    void* pDevMode;
    char* pSepFile;
    char* pPrintProcessor;
    char* pDatatype;
    char* pParameters;
    void* pSecurityDescriptor;
    std::uint32_t Attributes;
    std::uint32_t Priority;
    std::uint32_t DefaultPriority;
    std::uint32_t StartTime;
    std::uint32_t UntilTime;
    std::uint32_t Status;
    std::uint32_t cJobs;
    std::uint32_t AveragePPM;
};

struct JobInfo1 {
    std::uint32_t JobId;
    char* pPrinterName;
    char* pMachineName;
    char* pUserName;
    char* pDocument;
    char* pDatatype;
    char* pStatus;
    std::uint32_t Status;
    std::uint32_t Priority;
    std::uint32_t Position;
    std::uint32_t TotalPages;
    std::uint32_t PagesPrinted;
    SystemTime Submitted;
};

// Job status bits of JobInfo1::Status.
inline constexpr std::uint32_t JobStatusSpooling = 0x8;
inline constexpr std::uint32_t JobStatusPrinting = 0x10;
inline constexpr std::uint32_t JobStatusRetained = 0x2000;

// ----- the boundary ----------------------------------------------------------

class Platform {
public:
    Platform() = default;
    Platform(const Platform&) = delete;
    Platform& operator=(const Platform&) = delete;
    virtual ~Platform() = default;

    // File system. The existence test: 0 when the file or folder exists,
    // -1 otherwise (every failure counts as absent).
    virtual int _access(const char* path, int mode) = 0;  // NOLINT(readability-identifier-naming)
    virtual bool CreateDirectoryA(const char* path, const void* securityAttributes) = 0;
    virtual bool DeleteFileA(const char* path) = 0;
    // Copies source to target, replacing an existing target unless
    // failIfExists. A failed copy leaves no target that looks complete.
    virtual bool CopyFileA(const char* source, const char* target, bool failIfExists) = 0;
    // Null when the file cannot be opened.
    virtual std::unique_ptr<FileHandle> OpenFile(const char* path, FileOpenMode mode) = 0;
    // Starts a search for pattern (a folder, then a wildcard name matched
    // without regard to letter case). Null when the folder cannot be read.
    virtual std::unique_ptr<DirectorySearch> StartFileSearch(const char* pattern) = 0;

    // Process. module is ignored (always the agent's own executable).
    virtual std::uint32_t GetModuleFileNameA(void* module, char* buffer, std::uint32_t size) = 0;
    virtual std::uint32_t GetWindowsDirectoryA(char* buffer, std::uint32_t size) = 0;
    virtual void Sleep(std::uint32_t milliseconds) = 0;
    // The runtime's normal exit. Test platforms throw instead of ending.
    [[noreturn]] virtual void exit(int status) = 0;  // NOLINT(readability-identifier-naming)

    // Time: seconds since 1970-01-01 UTC, and their local calendar time.
    virtual std::int64_t _time64(std::int64_t* result) = 0;  // NOLINT(readability-identifier-naming)
    virtual bool LocalTime(std::int64_t time, std::tm& local) = 0;

    // Settings.
    virtual std::uint32_t GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                                                   char* buffer, std::uint32_t size, const char* fileName) = 0;

    // Print spooler. The first call of a GetPrinterA or EnumJobsA pair, with
    // no buffer, fails and reports the bytes needed.
    virtual bool OpenPrinterA(const char* printerName, PrinterHandle* printer, const void* defaults) = 0;
    virtual bool GetPrinterA(PrinterHandle printer, std::uint32_t level, std::byte* buffer, std::uint32_t size,
                             std::uint32_t* needed) = 0;
    virtual bool EnumJobsA(PrinterHandle printer, std::uint32_t firstJob, std::uint32_t jobCount, std::uint32_t level,
                           std::byte* buffer, std::uint32_t size, std::uint32_t* needed, std::uint32_t* returned) = 0;
    virtual bool ClosePrinter(PrinterHandle printer) = 0;

    // ANSI code page: whether byte starts a double-byte character, and the
    // lower-case form of a character of one or two bytes (changed in place).
    virtual bool IsLeadByte(unsigned char byte) = 0;
    virtual void LowerCharacter(unsigned char* character, std::size_t length) = 0;
};

// The platform the logic talks to: the native one unless a test installed another.
Platform& Sys();
// This build's real platform, defined by the platform's own files.
Platform& NativePlatform();

// Ends the process through the installed platform's exit.
[[noreturn]] void EndProcess(int status);

// Installs a platform for the lifetime of this object (tests only).
class ScopedPlatform {
public:
    explicit ScopedPlatform(Platform& platform);
    ScopedPlatform(const ScopedPlatform&) = delete;
    ScopedPlatform& operator=(const ScopedPlatform&) = delete;
    ~ScopedPlatform();

private:
    Platform* previous_;
};

}  // namespace sorvenna
