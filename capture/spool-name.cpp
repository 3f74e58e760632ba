#include "capture/spool-name.h"

#include <climits>

namespace {

// White space as the C locale's isspace has it.
bool IsBlank(char byte) { return byte == ' ' || (byte >= '\t' && byte <= '\r'); }

bool IsDigit(char byte) { return byte >= '0' && byte <= '9'; }

}  // namespace

int LeadingInteger(const char* text) {
    if (text == nullptr) {
        return 0;
    }
    const char* next = text;
    while (IsBlank(*next)) {
        ++next;
    }
    const bool negative = *next == '-';
    if (*next == '-' || *next == '+') {
        ++next;
    }
    // Accumulated as a negative number, whose range reaches INT_MIN.
    int value = 0;
    for (; IsDigit(*next); ++next) {
        const int digit = *next - '0';
        if (value < (INT_MIN + digit) / 10) {
            return negative ? INT_MIN : INT_MAX;
        }
        value = value * 10 - digit;
    }
    if (negative) {
        return value;
    }
    return value == INT_MIN ? INT_MAX : -value;
}

int SpoolNameNumber(const CString& fileName) {
    CString name = fileName;
    name.MakeLower();
    name.Replace(".spl", "");
    return LeadingInteger(name.GetString());
}
