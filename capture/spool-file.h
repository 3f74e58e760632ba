#pragma once

#include "common/text.h"

// Copies the printing job's spool file to the spool copy "Sorvenna.dat" and
// returns the spool copy's path, or "ERROR" when the fallback search of the
// spool folder finds no entry at all.
CString LoadSpoolFile();
