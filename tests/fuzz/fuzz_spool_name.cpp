// Fuzzes the name number of a spool file name against a plain reference:
// the leading integer read by strtol and held to the range of int, and,
// under the single-byte code page, the name lower-cased and every ".spl"
// removed first. Under the double-byte code page only the bounds are checked.

#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "capture/spool-name.h"
#include "common/codepage.h"
#include "common/posix/posix-platform.h"
#include "common/text.h"

namespace {

// strtol reads what atoi reads; its 64-bit result saturates, and so does
// the narrowing to int.
int ReferenceInteger(const std::string& text) {
    errno = 0;
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (value > INT_MAX) {
        return INT_MAX;
    }
    if (value < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}

// Only A to Z can become the letters of ".spl": the other upper-case
// letters of code page 1252 lower-case to bytes above 0x7F.
std::string ReferenceStripped(const std::string& name) {
    std::string lowered = name;
    for (char& byte : lowered) {
        if (byte >= 'A' && byte <= 'Z') {
            byte = static_cast<char>(byte - 'A' + 'a');
        }
    }
    std::string stripped;
    for (std::size_t at = 0; at < lowered.size();) {
        if (lowered.compare(at, 4, ".spl") == 0) {
            at += 4;
        } else {
            stripped.push_back(lowered[at++]);
        }
    }
    return stripped;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    // The first byte picks the code page; the name ends at the first NUL, as
    // a name from a directory listing does.
    const bool japanese = (data[0] & 1U) != 0;
    sorvenna::PosixPlatform& platform = sorvenna::NativePosixPlatform();
    platform.SetCodePage(japanese ? sorvenna::AnsiCodePage::Japanese() : sorvenna::AnsiCodePage::Western());
    const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);  // NOLINT: libFuzzer's bytes
    const std::string name = bytes.substr(0, bytes.find('\0'));

    if (LeadingInteger(name.c_str()) != ReferenceInteger(name)) {
        std::abort();
    }
    const int number = SpoolNameNumber(CString(name.c_str()));
    if (!japanese && number != ReferenceInteger(ReferenceStripped(name))) {
        std::abort();
    }
    // A name without a digit reads as 0 under every code page.
    if (name.find_first_of("0123456789") == std::string::npos && number != 0) {
        std::abort();
    }
    platform.SetCodePage(sorvenna::AnsiCodePage::Western());
    return 0;
}
