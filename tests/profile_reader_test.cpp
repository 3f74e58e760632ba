// Our profile reader: the rules of the Windows reader for files written by
// hand, on a byte stream and on host files.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "common/platform.h"
#include "common/profile-reader.h"
#include "tests/support/capture-world.h"

namespace {

using sorvenna::CopyProfileString;
using sorvenna::FindProfileValue;
using sorvenna::MaxKeptLineBytes;
using sorvenna::ProfileBytes;
using sorvenna::Sys;
using sorvenna::testing::CaptureWorld;
using sorvenna::testing::HostFileExists;
using sorvenna::testing::MakeHostFolders;
using sorvenna::testing::WriteHostFile;

// Hands out text in pieces of at most piece bytes.
ProfileBytes StreamOf(const std::string& text, std::size_t piece) {
    return [text, piece, offset = std::size_t{0}](char* buffer, std::size_t size) mutable -> std::int64_t {
        const std::size_t count = std::min({piece, size, text.size() - offset});
        std::memcpy(buffer, text.data() + offset, count);
        offset += count;
        return static_cast<std::int64_t>(count);
    };
}

// The reader's answer as the caller sees it: the text and the count.
struct Answer {
    std::string text;
    std::uint32_t count;
    bool operator==(const Answer&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Answer& answer) {
    return out << '"' << answer.text << "\" (" << answer.count << ')';
}

Answer Read(const ProfileBytes& stream, const char* section, const char* key, const char* defaultValue,
            std::uint32_t size) {
    std::array<char, 256> buffer{};
    buffer.fill('#');
    const std::uint32_t count =
        CopyProfileString(FindProfileValue(stream, section, key), defaultValue, buffer.data(), size);
    return {size == 0 ? std::string(1, buffer[0]) : std::string(buffer.data()), count};
}

std::string Utf16(const std::u16string& text) {
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFFU));
        bytes.push_back(static_cast<char>(unit >> 8U));
    }
    return bytes;
}

struct ReaderCase {
    const char* rule;
    std::string file;
    Answer expected;
    const char* section = "Settings";
    const char* key = "DEBUG";
    const char* defaultValue = "0";
    std::uint32_t size = 64;
};

TEST(ProfileReader, FollowsTheRulesOfTheWindowsReader) {
    const ReaderCase cases[] = {
        {"plain", "[Settings]\r\nDEBUG=2\r\n", {"2", 1}},
        {"names ignore letter case", "[sEtTiNgS]\r\ndebug=2\r\n", {"2", 1}},
        {"blanks inside the brackets and around the key", "[ \tSettings ]\r\n  DEBUG \t= 2\r\n", {"2", 1}},
        {"blanks around the names asked for", "[Settings]\r\nDEBUG=2\r\n", {"2", 1}, " Settings ", " DEBUG "},
        {"leading blanks of a line", "  [Settings]\r\n\tDEBUG=2\r\n", {"2", 1}},
        {"blanks around the value", "[Settings]\r\nDEBUG= \t\v2 x \t\v\r\n", {"2 x", 3}},
        {"double quotes removed, blanks inside kept", "[Settings]\r\nDEBUG= \" 2 \" \r\n", {" 2 ", 3}},
        {"single quotes removed", "[Settings]\r\nDEBUG='2'\r\n", {"2", 1}},
        {"mismatched quotes kept", "[Settings]\r\nDEBUG=\"2'\r\n", {"\"2'", 3}},
        {"a lone quote kept", "[Settings]\r\nDEBUG=\"\r\n", {"\"", 1}},
        {"only the outer pair", "[Settings]\r\nDEBUG=\"\"2\"\"\r\n", {"\"2\"", 3}},
        {"quotes only at one end kept", "[Settings]\r\nDEBUG=\"a\" b\r\n", {"\"a\" b", 5}},
        {"comment lines", "[Settings]\r\n;DEBUG=1\r\n  ;DEBUG=3\r\nDEBUG=2\r\n", {"2", 1}},
        {"no comment after a value", "[Settings]\r\nDEBUG=v ;x\r\n", {"v ;x", 4}},
        {"# is no comment mark", "[Settings]\r\n#DEBUG=1\r\nDEBUG=2\r\n", {"2", 1}},
        {"# makes another key", "[Settings]\r\n#DEBUG=1\r\n", {"0", 1}},
        {"text before the first section", "DEBUG=1\r\n[Settings]\r\nX=1\r\n", {"0", 1}},
        {"text after ] ignored", "[Settings] DEBUG=1\r\nDEBUG=2\r\n", {"2", 1}},
        {"a line without = is no key", "[Settings]\r\nDEBUG\r\nDEBUG=2\r\n", {"2", 1}},
        {"[ without ] is neither section nor key", "[Settings\r\nDEBUG=2\r\n", {"0", 1}},
        {"the first key wins", "[Settings]\r\nDEBUG=1\r\nDEBUG=2\r\n", {"1", 1}},
        {"only the first section is searched", "[Settings]\r\nX=1\r\n[settings]\r\nDEBUG=2\r\n", {"0", 1}},
        {"the key of another section", "[Other]\r\nDEBUG=1\r\n[Settings]\r\nDEBUG=2\r\n", {"2", 1}},
        {"the key after the section ended", "[Settings]\r\n[Other]\r\nDEBUG=1\r\n", {"0", 1}},
        {"LF alone ends a line", "[Settings]\nDEBUG=2\n", {"2", 1}},
        {"CR alone ends a line", "[Settings]\rDEBUG=2\r", {"2", 1}},
        {"no line end at the end", "[Settings]\r\nDEBUG=2", {"2", 1}},
        {"an empty value", "[Settings]\r\nDEBUG=\r\n", {"", 0}},
        {"a NUL byte ends the value", std::string("[Settings]\r\nDEBUG=1") + '\0' + "2\r\n", {"1", 1}},
        {"missing file content", "", {"0", 1}},
        {"missing section", "[Other]\r\nDEBUG=2\r\n", {"0", 1}},
        {"missing key", "[Settings]\r\nLEVEL=2\r\n", {"0", 1}},
        {"null default", "", {"", 0}, "Settings", "DEBUG", nullptr},
        {"trailing spaces of the default go", "", {" 0", 2}, "Settings", "DEBUG", " 0  "},
        {"a trailing tab of the default stays", "", {"0\t", 2}, "Settings", "DEBUG", "0\t"},
        {"a value cut at size - 1", "[Settings]\r\nDEBUG=abcdef\r\n", {"abc", 3}, "Settings", "DEBUG", "0", 4},
        {"a value that just fits", "[Settings]\r\nDEBUG=abc\r\n", {"abc", 3}, "Settings", "DEBUG", "0", 4},
        {"a default cut at size - 1", "", {"abc", 3}, "Settings", "DEBUG", "abcdef", 4},
        {"size 1 gives an empty text", "[Settings]\r\nDEBUG=2\r\n", {"", 0}, "Settings", "DEBUG", "0", 1},
        {"size 0 leaves the buffer alone", "[Settings]\r\nDEBUG=2\r\n", {"#", 0}, "Settings", "DEBUG", "0", 0},
        {"a UTF-8 mark spoils the first line", "\xEF\xBB\xBF[Settings]\r\nDEBUG=2\r\n", {"0", 1}},
        {"a UTF-8 mark before an empty line", "\xEF\xBB\xBF\r\n[Settings]\r\nDEBUG=2\r\n", {"2", 1}},
        {"UTF-16LE", Utf16(u"[Settings]\r\nDEBUG=2\r\n"), {"2", 1}},
        {"UTF-16LE as code page 1252",
         Utf16(u"[Settings]\r\nDEBUG=\u00E9\u20AC\u4E2D\U0001F600!\r\n"),
         {"\xE9\x80?"
          "?!",
          5}},
    };
    for (const ReaderCase& example : cases) {
        // Whole, and a byte at a time: lines and marks that span reads.
        for (const std::size_t piece : {std::size_t{1 << 20}, std::size_t{1}}) {
            EXPECT_EQ(
                Read(StreamOf(example.file, piece), example.section, example.key, example.defaultValue, example.size),
                example.expected)
                << example.rule << ", pieces of " << piece;
        }
    }
}

// Yields length bytes of filler, then tail, without holding the filler.
ProfileBytes Generated(std::uint64_t length, char (*filler)(std::uint64_t), std::string tail) {
    return [=, offset = std::uint64_t{0}](char* buffer, std::size_t size) mutable -> std::int64_t {
        std::size_t count = 0;
        for (; count < size && offset < length; ++count, ++offset) {
            buffer[count] = filler(offset);
        }
        for (; count < size && offset - length < tail.size(); ++count, ++offset) {
            buffer[count] = tail[offset - length];
        }
        return static_cast<std::int64_t>(count);
    };
}

TEST(ProfileReader, AnEndlessLineIsSkippedAndTheFileReadOn) {
    const auto letters = [](std::uint64_t) { return 'x'; };
    EXPECT_EQ(Read(Generated(64ULL << 20, letters, "\r\n[Settings]\r\nDEBUG=7\r\n"), "Settings", "DEBUG", "0", 64),
              (Answer{"7", 1}));
}

TEST(ProfileReader, AHugeValueComesBackCutToWhatALineKeeps) {
    const auto digits = [](std::uint64_t offset) { return static_cast<char>('0' + offset % 10); };
    const std::string head = "[Settings]\r\nDEBUG=";
    const auto stream = [&] {
        return [inner = Generated(1ULL << 20, digits, "\r\n"), head, sent = std::size_t{0}](
                   char* buffer, std::size_t size) mutable -> std::int64_t {
            if (sent < head.size()) {
                const std::size_t count = std::min(size, head.size() - sent);
                std::memcpy(buffer, head.data() + sent, count);
                sent += count;
                return static_cast<std::int64_t>(count);
            }
            return inner(buffer, size);
        };
    };
    const std::optional<std::string> value = FindProfileValue(stream(), "Settings", "DEBUG");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->size(), MaxKeptLineBytes - std::strlen("DEBUG="));
    EXPECT_EQ(value->substr(0, 12), "012345678901");
}

TEST(ProfileReader, BinaryDataIsReadWithoutHarm) {
    // A fixed pseudo-random sequence of every byte value, line ends included.
    const auto noise = [](std::uint64_t offset) {
        std::uint64_t mixed = (offset + 1) * 0x9E3779B97F4A7C15ULL;
        mixed ^= mixed >> 29U;
        return static_cast<char>(mixed & 0xFFU);
    };
    for (const std::string tail : {"", "\n[Settings]\nDEBUG=5\n"}) {
        const Answer answer = Read(Generated(8ULL << 20, noise, tail), "Settings", "DEBUG", "0", 64);
        EXPECT_LE(answer.count, 63U);
    }
}

TEST(ProfileReader, AFailingReadEndsTheFile) {
    int reads = 0;
    const ProfileBytes failing = [&reads](char* buffer, std::size_t size) -> std::int64_t {
        if (++reads > 1) {
            return -1;
        }
        const std::string text = "[Settings]\r\nDEBUG=2";
        const std::size_t count = std::min(size, text.size());
        std::memcpy(buffer, text.data(), count);
        return static_cast<std::int64_t>(count);
    };
    EXPECT_EQ(Read(failing, "Settings", "DEBUG", "0", 64), (Answer{"2", 1}));
    EXPECT_EQ(reads, 2);
}

// Through the platform, on files of the test's prefix.
class ProfileFiles : public CaptureWorld {
protected:
    Answer ReadFile(const char* fileName) {
        std::array<char, 64> buffer{};
        const std::uint32_t count = Sys().GetPrivateProfileStringA("Settings", "DEBUG", "0", buffer.data(),
                                                                   static_cast<std::uint32_t>(buffer.size()), fileName);
        return {buffer.data(), count};
    }
};

TEST_F(ProfileFiles, ReadsTheHostFileOfAWindowsPath) {
    WriteHostFile(Host("C:\\App\\Settings.ini"), "[Settings]\r\nDEBUG=2\r\n");
    EXPECT_EQ(ReadFile("C:\\App\\Settings.ini"), (Answer{"2", 1}));
    EXPECT_EQ(ReadFile("C:/App/settings.INI"), (Answer{"2", 1}));
}

TEST_F(ProfileFiles, ABareFileNameLiesInTheWindowsFolder) {
    WriteHostFile(Host("C:\\Windows\\agent.ini"), "[Settings]\r\nDEBUG=3\r\n");
    EXPECT_EQ(ReadFile("agent.ini"), (Answer{"3", 1}));
}

TEST_F(ProfileFiles, WhatIsNoReadableFileGivesTheDefaultAndIsNotCreated) {
    MakeHostFolders(Host("C:\\App\\Folder.ini"));
    const char* const names[] = {"C:\\App\\Missing.ini", "C:\\App\\Folder.ini", "Q:\\Settings.ini", "", nullptr};
    for (const char* name : names) {
        EXPECT_EQ(ReadFile(name), (Answer{"0", 1})) << (name == nullptr ? "<null>" : name);
    }
    EXPECT_FALSE(HostFileExists(Host("C:\\App\\Missing.ini")));
}

}  // namespace
