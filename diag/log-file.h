#pragma once

#include <cstdint>

#include "common/framework/file.h"
#include "common/text.h"

// The path of today's log file, "C:\Sorvenna\LOG\invoice-spool_YYYYMMDD.log";
// makes the log folder first when it is missing (one level only).
CString MakeLogFilePath();

// The activity log: one process-wide object holding the log context (the
// file, and the module and procedure names of every line). Each line opens
// the file, appends and closes it again.
class CLogFile final : public CFile {
public:
    CLogFile() = default;
    ~CLogFile() override = default;

    void SetLogContext(const char* path, const char* module, const char* procedure);
    // Appends one line under the log context in force; nothing while it holds no path.
    void WriteLog(const char* description);

private:
    bool OpenLog();
    void WriteHeader();

    char logPath[261] = {};        // NOLINT(readability-identifier-naming,cppcoreguidelines-avoid-c-arrays)
    char moduleName[20] = {};      // NOLINT(readability-identifier-naming,cppcoreguidelines-avoid-c-arrays)
    char procedureName[20] = {};   // NOLINT(readability-identifier-naming,cppcoreguidelines-avoid-c-arrays)
    std::int32_t recordCount = 0;  // NOLINT(readability-identifier-naming)
};

extern CLogFile activityLog;
