#include "common/profile-reader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace sorvenna {
namespace {

constexpr std::size_t ReadBlockBytes = std::size_t{16} * 1024;

bool IsBlank(char byte) { return byte == ' ' || byte == '\t' || byte == '\v'; }

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

char LowerAscii(char byte) { return byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte + ('a' - 'A')) : byte; }

bool SameName(std::string_view left, std::string_view right) {
    return left.size() == right.size() && std::equal(left.begin(), left.end(), right.begin(),
                                                     [](char a, char b) { return LowerAscii(a) == LowerAscii(b); });
}

std::string_view Unquoted(std::string_view value) {
    if (value.size() > 1 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        value.remove_prefix(1);
        value.remove_suffix(1);
    }
    return value;
}

// Looks for the key line by line.
class KeySearch {
public:
    KeySearch(std::string_view section, std::string_view key) : section_(Trimmed(section)), key_(Trimmed(key)) {}

    // Takes one line (without its end); true once the search is over.
    bool Take(std::string_view line) {
        line = Trimmed(line);
        if (line.empty() || line.front() == ';') {
            return false;
        }
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            if (close == std::string_view::npos) {
                return false;  // no section header, and no key either
            }
            if (inSection_) {
                return true;  // only the first section of the name is searched
            }
            inSection_ = SameName(Trimmed(line.substr(1, close - 1)), section_);
            return false;
        }
        const std::size_t equals = line.find('=');
        if (!inSection_ || equals == std::string_view::npos || !SameName(Trimmed(line.substr(0, equals)), key_)) {
            return false;
        }
        value = std::string(Unquoted(Trimmed(line.substr(equals + 1))));
        return true;
    }

    std::optional<std::string> value;

private:
    std::string_view section_;
    std::string_view key_;
    bool inSection_ = false;
};

// Cuts a stream of text into lines for the search, keeping at most
// MaxKeptLineBytes of each line.
class LineCutter {
public:
    explicit LineCutter(KeySearch& search) : search_(search) { line_.reserve(256); }

    // Takes the next bytes of the text; true once the search is over.
    bool Feed(const char* bytes, std::size_t count) {
        const char* const end = bytes + count;
        while (bytes != end) {
            const char* lineEnd = std::find_if(bytes, end, [](char byte) { return byte == '\r' || byte == '\n'; });
            Keep(bytes, static_cast<std::size_t>(lineEnd - bytes));
            if (lineEnd == end) {
                return false;
            }
            // A CR LF pair gives an empty line after the CR, which the search ignores.
            if (EndLine()) {
                return true;
            }
            bytes = lineEnd + 1;
        }
        return false;
    }

    // The end of the text ends the last line.
    void Finish() { EndLine(); }

private:
    void Keep(const char* bytes, std::size_t count) {
        const std::size_t room = MaxKeptLineBytes - line_.size();
        line_.append(bytes, std::min(count, room));
    }

    bool EndLine() {
        const bool over = search_.Take(line_);
        line_.clear();
        return over;
    }

    KeySearch& search_;
    std::string line_;
};

// Code page 1252 bytes 0x80 to 0x9F by the UTF-16 unit they stand for; the
// five bytes the page leaves undefined stand for the unit of their own value.
constexpr std::array<std::uint16_t, 32> Western80To9F = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char WesternByteOf(std::uint16_t unit) {
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) {
        return static_cast<char>(static_cast<unsigned char>(unit));
    }
    const auto* found = std::find(Western80To9F.begin(), Western80To9F.end(), unit);
    if (found != Western80To9F.end()) {
        return static_cast<char>(static_cast<unsigned char>(0x80 + (found - Western80To9F.begin())));
    }
    return '?';
}

// Turns UTF-16LE bytes into code page 1252 text, a block at a time.
class Utf16Decoder {
public:
    // Decodes count bytes into text (at most count / 2 + 1 bytes).
    std::size_t Decode(const char* bytes, std::size_t count, char* text) {
        std::size_t made = 0;
        for (std::size_t i = 0; i < count; ++i) {
            if (!havePending_) {
                pending_ = static_cast<unsigned char>(bytes[i]);
                havePending_ = true;
                continue;
            }
            havePending_ = false;
            const auto unit = static_cast<std::uint16_t>(
                pending_ | (static_cast<unsigned>(static_cast<unsigned char>(bytes[i])) << 8U));
            const bool lowSurrogate = unit >= 0xDC00 && unit <= 0xDFFF;
            if (lowSurrogate && afterHighSurrogate_) {
                afterHighSurrogate_ = false;  // the pair already became one "?"
                continue;
            }
            afterHighSurrogate_ = unit >= 0xD800 && unit <= 0xDBFF;
            text[made++] = WesternByteOf(unit);
        }
        return made;
    }

private:
    unsigned pending_ = 0;
    bool havePending_ = false;
    bool afterHighSurrogate_ = false;
};

}  // namespace

std::optional<std::string> FindProfileValue(const ProfileBytes& read, std::string_view section, std::string_view key) {
    KeySearch search(section, key);
    LineCutter lines(search);
    std::array<char, ReadBlockBytes> block{};
    std::array<char, ReadBlockBytes / 2 + 1> decoded{};
    Utf16Decoder decoder;

    // A failed read ends the file where it happened.
    bool ended = false;
    auto readSome = [&](char* into, std::size_t room) -> std::size_t {
        if (ended) {
            return 0;
        }
        const std::int64_t got = read(into, room);
        if (got <= 0) {
            ended = true;
            return 0;
        }
        return std::min(static_cast<std::size_t>(got), room);
    };

    // The first two bytes tell whether the file is UTF-16.
    std::size_t count = 0;
    while (count < 2 && !ended) {
        count += readSome(block.data() + count, block.size() - count);
    }
    const bool wide =
        count >= 2 && static_cast<unsigned char>(block[0]) == 0xFF && static_cast<unsigned char>(block[1]) == 0xFE;
    const char* bytes = block.data() + (wide ? 2 : 0);
    count -= wide ? 2 : 0;

    do {
        const bool over =
            wide ? lines.Feed(decoded.data(), decoder.Decode(bytes, count, decoded.data())) : lines.Feed(bytes, count);
        if (over) {
            return std::move(search.value);
        }
        bytes = block.data();
        count = readSome(block.data(), block.size());
    } while (count > 0);
    lines.Finish();
    return std::move(search.value);
}

std::uint32_t CopyProfileString(const std::optional<std::string>& value, const char* defaultValue, char* buffer,
                                std::uint32_t size) {
    if (size == 0 || buffer == nullptr) {
        return 0;
    }
    std::string_view text;
    if (value) {
        text = *value;
        // The caller sees a C string: a NUL byte in the file ends the value.
        text = text.substr(0, text.find('\0'));
    } else if (defaultValue != nullptr) {
        text = defaultValue;
        while (!text.empty() && text.back() == ' ') {
            text.remove_suffix(1);
        }
    }
    const std::size_t copied = std::min<std::size_t>(text.size(), size - 1U);
    if (copied > 0) {
        std::memcpy(buffer, text.data(), copied);
    }
    buffer[copied] = '\0';
    return static_cast<std::uint32_t>(copied);
}

}  // namespace sorvenna
