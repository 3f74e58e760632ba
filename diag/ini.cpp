// STUB: replaced by the real settings reader.
#include "diag/ini.h"
void CIni::SetPath(const char* /*path*/) {}
CString CIni::GetDebugLevel() { return "0"; }
