#include "common/codepage.h"

namespace sorvenna {

const AnsiCodePage& AnsiCodePage::Western() {
    static const AnsiCodePage page(1252);
    return page;
}

const AnsiCodePage& AnsiCodePage::Japanese() {
    static const AnsiCodePage page(932);
    return page;
}

const AnsiCodePage* AnsiCodePage::WithNumber(unsigned number) {
    if (number == 1252) {
        return &Western();
    }
    if (number == 932) {
        return &Japanese();
    }
    return nullptr;
}

bool AnsiCodePage::IsLeadByte(unsigned char byte) const noexcept {
    return number_ == 932 && ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC));
}

namespace {

unsigned char LowerWestern(unsigned char byte) {
    if (byte >= 'A' && byte <= 'Z') {
        return static_cast<unsigned char>(byte + 0x20);
    }
    // Latin-1 capitals, without the multiplication sign 0xD7.
    if (byte >= 0xC0 && byte <= 0xDE && byte != 0xD7) {
        return static_cast<unsigned char>(byte + 0x20);
    }
    switch (byte) {
        case 0x8A: return 0x9A;  // S caron
        case 0x8C: return 0x9C;  // OE
        case 0x8E: return 0x9E;  // Z caron
        case 0x9F: return 0xFF;  // Y diaeresis
        default: return byte;
    }
}

// Code page 932: fullwidth Latin, Greek and Cyrillic capitals have
// lower-case forms; single bytes only A to Z.
void LowerJapanese(unsigned char* character, std::size_t length) {
    if (length == 1) {
        if (character[0] >= 'A' && character[0] <= 'Z') {
            character[0] = static_cast<unsigned char>(character[0] + 0x20);
        }
        return;
    }
    const unsigned code = static_cast<unsigned>(character[0]) << 8U | character[1];
    unsigned lower = code;
    if (code >= 0x8260 && code <= 0x8279) {
        lower = code + 0x21;  // fullwidth A-Z to a-z
    } else if (code >= 0x839F && code <= 0x83B6) {
        lower = code + 0x20;  // Greek
    } else if (code >= 0x8440 && code <= 0x8460) {
        lower = code + 0x30;  // Cyrillic; the small letters skip 0x847F
        if (lower >= 0x847F) {
            ++lower;
        }
    }
    character[0] = static_cast<unsigned char>(lower >> 8U);
    character[1] = static_cast<unsigned char>(lower & 0xFFU);
}

}  // namespace

void AnsiCodePage::LowerCharacter(unsigned char* character, std::size_t length) const noexcept {
    if (number_ == 932) {
        LowerJapanese(character, length);
    } else if (length == 1) {
        character[0] = LowerWestern(character[0]);
    }
}

}  // namespace sorvenna
