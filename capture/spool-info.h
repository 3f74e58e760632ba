#pragma once

#include "common/text.h"

// Asks the print spooler which job is printing on "Print to Sorvenna".
// Fills documentName, jobId and jobIdText of the job context for the last
// printing job in queue order and returns its owner's user name; empty when
// the printer cannot be opened or no job is printing.
CString GetSpoolInfo();
