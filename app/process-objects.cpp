// The process-wide objects, defined in one place so that they are made in
// this order and destroyed in the reverse order at exit.

#include "app/app.h"
#include "common/job-context.h"
#include "diag/log-file.h"

CPrint2TollmereApp theApp;
CString documentName;
CLogFile activityLog;
CString debugLevel;
CString jobIdText;
std::int32_t jobId;  // zero-filled at load
