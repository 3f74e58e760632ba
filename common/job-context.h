#pragma once

#include <cstdint>

#include "common/text.h"

// The job context: what the print-queue inquiry learnt of the printing job,
// and the debug level from the settings file. Process-wide, from start-up to
// exit; defined with the other process-wide objects in their order of
// construction.
extern CString documentName;  // the printing job's document name; empty at start
extern std::int32_t jobId;    // the job's spooler id; 0 at start and when no job was found
extern CString jobIdText;     // jobId in decimal; empty at start
extern CString debugLevel;    // the settings file's DEBUG value; empty until it is read
