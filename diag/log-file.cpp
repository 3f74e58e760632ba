#include "diag/log-file.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "common/framework/exceptions.h"
#include "common/framework/time.h"
#include "common/platform.h"

namespace {

constexpr std::string_view HeaderLine = "DATE\tTIME\tMODULE\tPROCEDURE\tDESCRIPTION\r\n";
constexpr auto HeaderBytes = static_cast<std::uint32_t>(HeaderLine.size());
static_assert(HeaderBytes == 40);

// How every handle on the log opens: other agents may read and write the
// file meanwhile, and a missing file is created.
constexpr unsigned SharedOpen = CFile::modeReadWrite | CFile::shareDenyNone | CFile::modeCreate | CFile::modeNoTruncate;

// Fills field with text cut to capacity - 1 bytes, never inside a
// double-byte character, and clears the rest of the field.
void CopyCut(char* field, std::size_t capacity, const char* text) {
    std::memset(field, 0, capacity);
    if (text == nullptr) {
        return;
    }
    sorvenna::Platform& platform = sorvenna::Sys();
    std::size_t kept = 0;
    while (text[kept] != '\0') {
        const bool pair = platform.IsLeadByte(static_cast<unsigned char>(text[kept])) && text[kept + 1] != '\0';
        const std::size_t width = pair ? 2 : 1;
        if (kept + width > capacity - 1) {
            break;
        }
        kept += width;
    }
    std::memcpy(field, text, kept);
}

// Fills field with the whole of text and clears the rest; a text too long
// for the field leaves it empty.
void CopyWhole(char* field, std::size_t capacity, const char* text) {
    std::memset(field, 0, capacity);
    if (text == nullptr) {
        return;
    }
    std::size_t length = 0;
    while (length < capacity && text[length] != '\0') {
        ++length;
    }
    if (length < capacity) {
        std::memcpy(field, text, length);
    }
}

// Reads up to count bytes; fewer only at the end of the file.
std::uint32_t ReadUpTo(CFile& file, char* buffer, std::uint32_t count) {
    std::uint32_t got = 0;
    while (got < count) {
        const std::uint32_t piece = file.Read(buffer + got, count - got);
        if (piece == 0) {
            break;
        }
        got += piece;
    }
    return got;
}

// Leaves the file closed when an error ends the line early.
class ClosedOnUnwind {
public:
    explicit ClosedOnUnwind(CFile& file) : file_(file) {}
    ClosedOnUnwind(const ClosedOnUnwind&) = delete;
    ClosedOnUnwind& operator=(const ClosedOnUnwind&) = delete;
    ~ClosedOnUnwind() { file_.Abort(); }

private:
    CFile& file_;
};

}  // namespace

CString MakeLogFilePath() {
    const CString logFolder = CString("C:\\Sorvenna\\") + "LOG\\";
    sorvenna::Platform& platform = sorvenna::Sys();
    if (platform._access(logFolder.GetString(), 0) == -1) {
        platform.CreateDirectoryA(logFolder.GetString(), nullptr);
    }
    return logFolder + "invoice-spool_" + CTime::Now().Format("%Y%m%d") + ".log";
}

CLogFile::CLogFile(const LogCapGeometry& geometry) : geometry_(geometry) {
    // The kept bytes move towards the start, behind the header line: they
    // must start no earlier than where the header line ends.
    if (geometry.recordBytes <= 0 || geometry.capRecordCount < 2 || 2 * geometry.recordBytes < HeaderBytes ||
        geometry.moveChunkBytes == 0) {
        throw CInvalidArgException("log cap geometry that cannot move in place");
    }
}

void CLogFile::SetLogContext(const char* path, const char* module, const char* procedure) {
    CopyWhole(logPath, sizeof(logPath), path);
    CopyCut(moduleName, sizeof(moduleName), module);
    CopyCut(procedureName, sizeof(procedureName), procedure);
}

void CLogFile::WriteLog(const char* description) {
    // Date and time from one reading of the clock, rendered in one pass.
    const CString dateAndTime = CTime::Now().Format("%m-%d-%Y\t%H:%M:%S");
    if (logPath[0] == '\0') {
        return;
    }
    const std::array<std::string_view, 8> fields = {dateAndTime.GetString(),
                                                    "\t",
                                                    moduleName,
                                                    "\t",
                                                    procedureName,
                                                    "\t",
                                                    description == nullptr ? "" : description,
                                                    "\r\n"};
    std::string bytes;
    std::size_t length = 0;
    for (const std::string_view field : fields) {
        length += field.size();
    }
    bytes.reserve(length);
    for (const std::string_view field : fields) {
        bytes += field;
    }
    const CString line(bytes.data(), static_cast<int>(std::min<std::size_t>(bytes.size(), CString::MaxLength)));
    const ClosedOnUnwind closed(*this);
    if (!OpenLog()) {
        return;
    }
    // One write at the end of the file, so that the lines of agents writing
    // at the same moment never mix.
    Write(line.GetString(), static_cast<std::uint32_t>(line.GetLength()));
    Close();
}

bool CLogFile::OpenLog() {
    if (!Open(logPath, SharedOpen | modeAppend)) {
        return false;
    }
    const std::uint64_t length = GetLength();
    if (length == 0) {
        // The header goes to offset 0, not to the end: when two agents both
        // find the file empty, both write the same 40 bytes there, and the
        // file still has one header, with both lines after it.
        CFile positioned;
        OpenWithoutAppending(positioned);
        WriteHeader(positioned);
        positioned.Close();
        return true;
    }
    const std::uint64_t records = length / static_cast<std::uint64_t>(geometry_.recordBytes);
    recordCount = static_cast<std::int32_t>(
        std::min<std::uint64_t>(records, static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())));
    if (recordCount == geometry_.capRecordCount) {
        ApplySizeCap();
    }
    // The handle appends: every write lands at the end without a seek.
    return true;
}

void CLogFile::WriteHeader(CFile& file) { file.Write(HeaderLine.data(), HeaderBytes); }

// A handle that writes where it is positioned: on an appending handle every
// write would land at the end.
void CLogFile::OpenWithoutAppending(CFile& file) const {
    if (!file.Open(logPath, SharedOpen)) {
        throw CFileException("Open", logPath, 0);
    }
}

// Drops the first two records and whatever lies beyond the cap's record
// count, and puts a header line in front of what is kept. The kept bytes
// move in place, towards the start, a chunk at a time: the file is never
// held in memory, needs no room on disk, and stays the same file. The cut
// comes last, so that a failure part-way leaves every byte of the newest
// text still in the file.
void CLogFile::ApplySizeCap() {
    const std::int64_t keptFrom = 2 * geometry_.recordBytes;
    const std::int64_t keptEnd = std::int64_t{geometry_.capRecordCount} * geometry_.recordBytes;
    const std::int64_t keptBytes = keptEnd - keptFrom;

    CFile positioned;
    OpenWithoutAppending(positioned);
    const auto chunkBytes = static_cast<std::uint32_t>(std::min<std::uint64_t>(
        {geometry_.moveChunkBytes, static_cast<std::uint64_t>(keptBytes), std::numeric_limits<std::uint32_t>::max()}));
    std::vector<char> chunk;
    try {
        chunk.resize(chunkBytes);
    } catch (const std::bad_alloc&) {
        throw CMemoryException();
    }

    std::int64_t moved = 0;
    while (moved < keptBytes) {
        const auto wanted = static_cast<std::uint32_t>(std::min<std::int64_t>(chunkBytes, keptBytes - moved));
        positioned.Seek(keptFrom + moved, CFile::begin);
        const std::uint32_t got = ReadUpTo(positioned, chunk.data(), wanted);
        positioned.Seek(HeaderBytes + moved, CFile::begin);
        positioned.Write(chunk.data(), got);
        moved += got;
        if (got < wanted) {
            break;  // another agent cut the file meanwhile: keep what there is
        }
    }
    positioned.SeekToBegin();
    WriteHeader(positioned);
    positioned.SetLength(static_cast<std::uint64_t>(HeaderBytes + moved));
    positioned.Close();
}
