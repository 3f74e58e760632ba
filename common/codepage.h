#pragma once

#include <cstddef>

namespace sorvenna {

// The rules of an ANSI code page that the Text string needs, for platforms
// that have no such code page of their own: which bytes lead a double-byte
// character, and lower-case forms.
class AnsiCodePage {
public:
    // Code page 1252 (Western European, single-byte): the default.
    static const AnsiCodePage& Western();
    // Code page 932 (Japanese, double-byte).
    static const AnsiCodePage& Japanese();
    // The code page with this number, or null when it is not known here.
    static const AnsiCodePage* WithNumber(unsigned number);

    [[nodiscard]] unsigned Number() const noexcept { return number_; }
    [[nodiscard]] bool IsLeadByte(unsigned char byte) const noexcept;
    // Lower-cases one character of length 1 or 2 in place.
    void LowerCharacter(unsigned char* character, std::size_t length) const noexcept;

private:
    explicit AnsiCodePage(unsigned number) : number_(number) {}
    unsigned number_;
};

}  // namespace sorvenna
