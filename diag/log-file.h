#pragma once

#include <cstddef>
#include <cstdint>

#include "common/framework/file.h"
#include "common/text.h"

// The path of today's log file, "C:\Sorvenna\LOG\invoice-spool_YYYYMMDD.log";
// makes the log folder first when it is missing (one level only).
CString MakeLogFilePath();

// Where the log's size cap acts. The agent always uses the defaults; tests
// shrink them to apply the cap to small files.
struct LogCapGeometry {
    // The log counts its length in records of this many bytes.
    std::int64_t recordBytes = 140;
    // The record count at which the cap acts: the first two records go, and
    // so does whatever lies beyond this many records.
    std::int32_t capRecordCount = 9'999'999;
    // The most the cap holds in memory at once while it moves the kept bytes.
    std::size_t moveChunkBytes = std::size_t{1024} * 1024;
};

// The activity log: one process-wide object holding the log context (the
// file, and the module and procedure names of every line). Each line opens
// the file, appends and closes it again.
class CLogFile final : public CFile {
public:
    CLogFile() = default;
    // Raises CInvalidArgException for a geometry whose cap could not move
    // the kept bytes in place behind the header line.
    explicit CLogFile(const LogCapGeometry& geometry);
    ~CLogFile() override = default;

    // Takes the path whole (a path of more than 260 characters leaves the
    // context without a path, since a cut path names another file) and the
    // names cut to 19 bytes, never inside a double-byte character.
    void SetLogContext(const char* path, const char* module, const char* procedure);
    // Appends one line under the log context in force; nothing while it holds no path.
    void WriteLog(const char* description);

private:
    bool OpenLog();
    void WriteHeader(CFile& file);
    void OpenWithoutAppending(CFile& file) const;
    void ApplySizeCap();

    char logPath[261] = {};        // NOLINT(readability-identifier-naming,cppcoreguidelines-avoid-c-arrays)
    char moduleName[20] = {};      // NOLINT(readability-identifier-naming,cppcoreguidelines-avoid-c-arrays)
    char procedureName[20] = {};   // NOLINT(readability-identifier-naming,cppcoreguidelines-avoid-c-arrays)
    std::int32_t recordCount = 0;  // NOLINT(readability-identifier-naming)
    LogCapGeometry geometry_;
};

extern CLogFile activityLog;
