// STUB: replaced by the real activity log.
#include "diag/log-file.h"
CString MakeLogFilePath() { return {}; }
void CLogFile::SetLogContext(const char*, const char*, const char*) {}
void CLogFile::WriteLog(const char*) {}
