// STUB: replaced by the real spool copy.
#include "capture/spool-file.h"
CString LoadSpoolFile() { return {}; }
