// STUB: replaced by the real print-queue inquiry.
#include "capture/spool-info.h"
CString GetSpoolInfo() { return {}; }
