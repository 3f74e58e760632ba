// Fuzzes the Text string's Replace and MakeLower under both code pages
// against a plain reference scan.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/codepage.h"
#include "common/posix/posix-platform.h"
#include "common/text.h"

namespace {

// The reference: one left-to-right scan that steps character by character.
int ReferenceCount(const std::string& text, const std::string& search, const sorvenna::AnsiCodePage& page) {
    if (search.empty()) {
        return 0;
    }
    int count = 0;
    std::size_t position = 0;
    while (position + search.size() <= text.size()) {
        if (text.compare(position, search.size(), search) == 0) {
            ++count;
            position += search.size();
        } else {
            position += page.IsLeadByte(static_cast<unsigned char>(text[position])) ? 2 : 1;
        }
    }
    return count;
}

// Splits the input at NUL bytes into at most three texts.
std::string Take(const std::uint8_t*& data, std::size_t& size) {
    std::string part;
    while (size > 0 && *data != 0) {
        part.push_back(static_cast<char>(*data));
        ++data;
        --size;
    }
    if (size > 0) {
        ++data;
        --size;
    }
    return part;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const sorvenna::AnsiCodePage& page =
        (data[0] & 1U) != 0 ? sorvenna::AnsiCodePage::Japanese() : sorvenna::AnsiCodePage::Western();
    sorvenna::NativePosixPlatform().SetCodePage(page);
    ++data;
    --size;
    const std::string text = Take(data, size);
    const std::string search = Take(data, size);
    const std::string replacement = Take(data, size);

    CString subject(text.c_str());
    const CString copy = subject;
    const int expected = ReferenceCount(text, search, page);
    const int count = subject.Replace(search.c_str(), replacement.c_str());
    if (count != expected) {
        std::abort();
    }
    const auto expectedLength = static_cast<std::int64_t>(text.size()) +
                                static_cast<std::int64_t>(count) * (static_cast<std::int64_t>(replacement.size()) -
                                                                    static_cast<std::int64_t>(search.size()));
    if (subject.GetLength() != expectedLength || copy.GetLength() != static_cast<int>(text.size())) {
        std::abort();
    }
    CString lowered(text.c_str());
    lowered.MakeLower();
    if (lowered.GetLength() != static_cast<int>(text.size())) {
        std::abort();
    }
    sorvenna::NativePosixPlatform().SetCodePage(sorvenna::AnsiCodePage::Western());
    return 0;
}
