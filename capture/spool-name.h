#pragma once

#include "common/text.h"

// The number a spool file's name carries: the name lower-cased, every
// ".spl" removed, then its leading decimal integer. "00012.SPL" gives 12,
// a name without leading digits gives 0.
int SpoolNameNumber(const CString& fileName);

// The leading decimal integer of text, read as the C library's atoi reads
// it: leading white space skipped, an optional sign, then digits up to the
// first other character; 0 when there is no digit. Unlike atoi it cannot
// overflow: a number beyond the range of int reads as the nearest bound.
int LeadingInteger(const char* text);
