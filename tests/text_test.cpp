#include "common/text.h"

#include <gtest/gtest.h>

#include <string>

#include "common/codepage.h"
#include "common/framework/exceptions.h"
#include "common/posix/posix-platform.h"

namespace {

using sorvenna::AnsiCodePage;
using sorvenna::NativePosixPlatform;

std::string Bytes(const CString& text) { return {text.GetString(), static_cast<std::size_t>(text.GetLength())}; }

// Runs the test under another ANSI code page and puts the default back.
class UnderCodePage {
public:
    explicit UnderCodePage(const AnsiCodePage& page) { NativePosixPlatform().SetCodePage(page); }
    UnderCodePage(const UnderCodePage&) = delete;
    UnderCodePage& operator=(const UnderCodePage&) = delete;
    ~UnderCodePage() { NativePosixPlatform().SetCodePage(AnsiCodePage::Western()); }
};

TEST(Text, NullAndEmptyCStringsGiveTheEmptyText) {
    const CString fromNull(nullptr);
    EXPECT_TRUE(fromNull.IsEmpty());
    EXPECT_EQ(fromNull.GetLength(), 0);
    EXPECT_STREQ(fromNull.GetString(), "");

    CString text("abc");
    text += static_cast<const char*>(nullptr);
    EXPECT_EQ(Bytes(text), "abc");
    EXPECT_EQ(Bytes(static_cast<const char*>(nullptr) + text), "abc");
}

TEST(Text, CopiesAreIndependentValues) {
    CString original("C:\\Sorvenna\\");
    CString copy = original;
    copy.Replace("Sorvenna", "x");
    copy.MakeLower();
    copy += "tail";
    EXPECT_EQ(Bytes(original), "C:\\Sorvenna\\");
    EXPECT_EQ(Bytes(copy), "c:\\x\\tail");
}

TEST(Text, ConcatenationKeepsOperandsAndOrder) {
    const CString owner("user1");
    const CString folder = "C:\\Sorvenna\\" + owner + "\\";
    const CString request = folder + owner + ".txt";
    EXPECT_EQ(Bytes(folder), "C:\\Sorvenna\\user1\\");
    EXPECT_EQ(Bytes(request), "C:\\Sorvenna\\user1\\user1.txt");
    EXPECT_EQ(Bytes(owner), "user1");
    EXPECT_EQ(Bytes(folder + folder), "C:\\Sorvenna\\user1\\C:\\Sorvenna\\user1\\");
}

TEST(Text, ReplaceReplacesEveryOccurrenceOfOneLeftToRightScan) {
    const struct {
        const char* text;
        const char* search;
        const char* replacement;
        const char* expected;
        int count;
    } cases[] = {
        {"aaa", "aa", "b", "ba", 1},                           // occurrences never overlap
        {"abab", "ab", "abab", "abababab", 2},                 // inserted text is not searched again
        {"a*b**c", "*", "", "abc", 3},                         // an empty replacement removes
        {"a*b", "*", nullptr, "ab", 1},                        // a null replacement counts as empty
        {"C:\\APP\\BIN\\", "bin\\", "", "C:\\APP\\BIN\\", 0},  // case-sensitive
        {"D:\\x\\bin\\y\\bin\\", "bin\\", "", "D:\\x\\y\\", 2},
        {"abc", "", "x", "abc", 0},  // an empty search changes nothing
        {"abc", nullptr, "x", "abc", 0},
        {"abc", "zz", "x", "abc", 0},
        {"", "a", "b", "", 0},
        {"aaaa", "a", "bb", "bbbbbbbb", 4},
        {"xabcx", "abc", "", "xx", 1},
    };
    for (const auto& example : cases) {
        CString text(example.text);
        EXPECT_EQ(text.Replace(example.search, example.replacement), example.count) << example.text;
        EXPECT_EQ(Bytes(text), example.expected) << example.text;
    }
}

TEST(Text, ReplaceIsCharacterAwareUnderADoubleByteCodePage) {
    // 0x95 0x5C is one character of code page 932; its 0x5C is no backslash.
    const char bytes[] = {'\x95', '\x5C', 'b', '\0'};
    {
        const UnderCodePage japanese(AnsiCodePage::Japanese());
        CString text(bytes);
        EXPECT_EQ(text.Replace("\\b", "X"), 0);
        EXPECT_EQ(Bytes(text), std::string(bytes));
        // An occurrence that begins where a character begins is found.
        CString path("\x95\x5C\\b");
        EXPECT_EQ(path.Replace("\\b", ""), 1);
        EXPECT_EQ(Bytes(path), "\x95\x5C");
    }
    CString western(bytes);
    EXPECT_EQ(western.Replace("\\b", "X"), 1);
    EXPECT_EQ(Bytes(western), "\x95X");
}

TEST(Text, MakeLowerFollowsTheCodePage) {
    CString spoolName("00012.SPL");
    spoolName.MakeLower();
    EXPECT_EQ(Bytes(spoolName), "00012.spl");
    EXPECT_EQ(spoolName.Replace(".spl", ""), 1);
    EXPECT_EQ(Bytes(spoolName), "00012");

    CString western("AZ\xC0\xD7\xDE\x8A[@]");
    western.MakeLower();
    EXPECT_EQ(Bytes(western), "az\xE0\xD7\xFE\x9A[@]");

    const UnderCodePage japanese(AnsiCodePage::Japanese());
    // Fullwidth A (0x8260) lowers to fullwidth a (0x8281); the trail byte 0x41
    // of another character is not an ASCII A.
    CString mixed("A\x82\x60\x83\x41Z");
    mixed.MakeLower();
    EXPECT_EQ(Bytes(mixed), "a\x82\x81\x83\x41z");
    // A lead byte at the very end stands alone.
    CString truncated("B\x82");
    truncated.MakeLower();
    EXPECT_EQ(Bytes(truncated), "b\x82");
}

TEST(Text, FormatRendersLikePrintf) {
    const struct {
        const char* pattern;
        int value;
        const char* expected;
    } cases[] = {
        {"%05d", 12, "00012"}, {"%05d", 123456, "123456"}, {"%d", -5, "-5"}, {"%d", 7, "7"}, {"%05d", 0, "00000"}};
    for (const auto& example : cases) {
        CString text("old content");
        text.Format(example.pattern, example.value);
        EXPECT_EQ(Bytes(text), example.expected) << example.pattern << " " << example.value;
    }
    CString longer;
    longer.Format("%s-%s", std::string(1000, 'x').c_str(), "end");
    EXPECT_EQ(longer.GetLength(), 1004);
    EXPECT_THROW(longer.Format(nullptr), CInvalidArgException);
}

TEST(Text, EqualityIsByteExactAndCaseSensitive) {
    EXPECT_TRUE(CString("0") == "0");
    EXPECT_TRUE(CString("2") != "02");
    EXPECT_TRUE(CString("2") != "2 ");
    EXPECT_TRUE(CString(" 0") != "0");
    EXPECT_TRUE(CString("00") != "0");
    EXPECT_TRUE(CString("") != "0");
    EXPECT_TRUE(CString("Spool") != "spool");
    EXPECT_THROW((void)(CString("0") == static_cast<const char*>(nullptr)), CException);
}

}  // namespace
