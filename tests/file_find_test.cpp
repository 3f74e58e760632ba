// The framework's file search over a scripted listing, and the Linux
// directory search behind it on real folders.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>
#include <string>
#include <vector>

#include "common/framework/file-find.h"
#include "common/posix/posix-platform.h"
#include "common/posix/wildcard.h"
#include "tests/support/scripted-search.h"
#include "tests/support/temp-prefix.h"
#include "tests/support/virtual-platform.h"

namespace {

using sorvenna::DirectoryEntry;
using sorvenna::DirectorySearch;
using sorvenna::MatchesWildcard;
using sorvenna::NativePosixPlatform;
using sorvenna::ScopedPlatform;
using sorvenna::testing::MakeHostFolders;
using sorvenna::testing::ScriptedSearch;
using sorvenna::testing::TempPrefix;
using sorvenna::testing::VirtualPlatform;
using sorvenna::testing::WriteHostFile;

struct Visit {
    bool more;
    std::string path;
    std::string name;
    bool isFolder;
    std::int64_t created;
    bool operator==(const Visit&) const = default;
};

std::vector<Visit> VisitAll(const char* pattern) {
    std::vector<Visit> visits;
    CFileFind finder;
    if (!finder.FindFile(pattern)) {
        return visits;
    }
    for (bool more = true; more;) {
        more = finder.FindNextFile();
        CTime created;
        EXPECT_TRUE(finder.GetCreationTime(created));
        visits.push_back({more, finder.GetFilePath().GetString(), finder.GetFileName().GetString(),
                          finder.MatchesMask(CFileFind::AttributeDirectory), created.GetTime()});
    }
    finder.Close();
    return visits;
}

class FileFind : public ::testing::Test {
protected:
    VirtualPlatform virtualPlatform;
    ScriptedSearch search{virtualPlatform};

private:
    ScopedPlatform installed_{search};
};

TEST_F(FileFind, VisitsEveryEntryOnceTheLastWithAFalseAnswer) {
    search.listing = {{"A.SPL", false, 100}, {"B.SPL", true, 200}, {"c.spl", false, 0}};
    EXPECT_EQ(VisitAll("C:\\Spool\\*.SPL"), (std::vector<Visit>{
                                                {true, "C:\\Spool\\A.SPL", "A.SPL", false, 100},
                                                {true, "C:\\Spool\\B.SPL", "B.SPL", true, 200},
                                                {false, "C:\\Spool\\c.spl", "c.spl", false, 0},
                                            }));
    EXPECT_EQ(search.patterns, (std::vector<std::string>{"C:\\Spool\\*.SPL"}));
}

TEST_F(FileFind, FindsNothingInAnEmptyOrUnreadableFolder) {
    for (const bool readable : {true, false}) {
        search.listing.reset();
        if (readable) {
            search.listing.emplace();
        }
        CFileFind finder;
        EXPECT_FALSE(finder.FindFile("C:\\Spool\\*.SPL"));
        EXPECT_FALSE(finder.FindNextFile());
        CTime created;
        EXPECT_FALSE(finder.GetCreationTime(created));
        EXPECT_STREQ(finder.GetFileName().GetString(), "");
        EXPECT_FALSE(finder.MatchesMask(CFileFind::AttributeDirectory));
    }
}

TEST_F(FileFind, TheFolderOfThePatternEndsAtItsLastSeparator) {
    // Code page 932: 0x95 0x5C is one character, whose second byte is no separator.
    class DoubleByte final : public ScriptedSearch {
    public:
        using ScriptedSearch::ScriptedSearch;
        bool IsLeadByte(unsigned char byte) override { return byte == 0x95; }
    } doubleByte(virtualPlatform);
    doubleByte.listing = {{"x", false, 0}};
    const ScopedPlatform installed(doubleByte);
    const struct {
        const char* pattern;
        const char* path;
    } cases[] = {
        {"C:\\a\\b\\*.spl", "C:\\a\\b\\x"},
        {"C:/a/b/*", "C:/a/b/x"},
        {"*.spl", "x"},
        {"C:\\a\\\x95\\b*", "C:\\a\\x"},
    };
    for (const auto& example : cases) {
        const std::vector<Visit> visits = VisitAll(example.pattern);
        ASSERT_EQ(visits.size(), 1U);
        EXPECT_EQ(visits[0].path, example.path) << example.pattern;
    }
}

TEST(Wildcard, MatchesAsWindowsDoesWithoutRegardToCase) {
    const struct {
        const char* pattern;
        const char* name;
        bool matches;
    } cases[] = {
        {"*.SPL", "00012.spl", true},
        {"*.SPL", "00012.SPLX", false},
        {"*.SPL", "SPL", false},
        {"*.SPL", "a.b.Spl", true},
        {"*.*", "noext", true},
        {"*.*", "a.b", true},
        {"*", "", true},
        {"a?c", "abc", true},
        {"a?c", "ac", false},
        {"ab?", "ab", true},
        {"a?.txt", "a.txt", true},
        {"x.*", "x", true},
        {"x.*", "xy", false},
        {"*a*b", "xaxxb", true},
        {"*a*b", "xaxxbc", false},
        {"", "a", false},
        {"ABC", "abd", false},
    };
    for (const auto& example : cases) {
        EXPECT_EQ(MatchesWildcard(example.pattern, example.name), example.matches)
            << example.pattern << " on " << example.name;
    }
    // Many stars on a long name cost no more than pattern times name.
    EXPECT_FALSE(MatchesWildcard("*a*a*a*a*a*a*a*a*b", std::string(250, 'a')));
}

// The Linux search, on a real folder of the prefix.
class HostSearch : public ::testing::Test {
protected:
    HostSearch() {
        for (const char* name : {"b.SPL", "A.spl", "_x.spl", "C.SPLX", "d.txt", "noext"}) {
            WriteHostFile(prefix.Host(std::string("C:\\Spool\\") + name), name);
        }
        MakeHostFolders(prefix.Host("C:\\Spool\\E.SPL"));
    }

    // Names and whether each is a folder, in the order of the search.
    std::vector<std::pair<std::string, bool>> Search(const char* pattern) {
        std::vector<std::pair<std::string, bool>> found;
        const std::unique_ptr<DirectorySearch> search = NativePosixPlatform().StartFileSearch(pattern);
        EXPECT_NE(search, nullptr) << pattern;
        DirectoryEntry entry;
        while (search && search->Next(entry)) {
            found.emplace_back(entry.name, entry.isDirectory);
        }
        return found;
    }

    TempPrefix prefix;
};

TEST_F(HostSearch, MatchesWithoutRegardToCaseInNameOrder) {
    using Found = std::vector<std::pair<std::string, bool>>;
    EXPECT_EQ(Search("C:\\spool\\*.SPL"),
              (Found{{"A.spl", false}, {"b.SPL", false}, {"E.SPL", true}, {"_x.spl", false}}));
    EXPECT_EQ(Search("c:/SPOOL/?.spl"), (Found{{"A.spl", false}, {"b.SPL", false}, {"E.SPL", true}}));
    EXPECT_EQ(Search("C:\\Spool\\*.*"), (Found{{".", true},
                                               {"..", true},
                                               {"A.spl", false},
                                               {"b.SPL", false},
                                               {"C.SPLX", false},
                                               {"d.txt", false},
                                               {"E.SPL", true},
                                               {"noext", false},
                                               {"_x.spl", false}}));
}

TEST_F(HostSearch, AFolderThatCannotBeReadGivesNoSearch) {
    EXPECT_EQ(NativePosixPlatform().StartFileSearch("C:\\Missing\\*.SPL"), nullptr);
    EXPECT_EQ(NativePosixPlatform().StartFileSearch("C:\\Spool\\d.txt\\*"), nullptr);
    EXPECT_EQ(NativePosixPlatform().StartFileSearch("Q:\\Spool\\*"), nullptr);
}

TEST_F(HostSearch, TheCreationTimeIsTheBirthTimeOrElseTheLastWrite) {
    const std::string file = prefix.Host("C:\\Spool\\d.txt");
    const timespec written[2] = {{0, UTIME_OMIT}, {1000000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), written, 0), 0);

    const std::unique_ptr<DirectorySearch> search = NativePosixPlatform().StartFileSearch("C:\\Spool\\d.txt");
    ASSERT_NE(search, nullptr);
    DirectoryEntry entry;
    ASSERT_TRUE(search->Next(entry));

    struct statx status {};
    ASSERT_EQ(statx(AT_FDCWD, file.c_str(), 0, STATX_BTIME, &status), 0);
    if ((status.stx_mask & STATX_BTIME) != 0) {
        EXPECT_NEAR(static_cast<double>(entry.creationTime), static_cast<double>(std::time(nullptr)), 600.0)
            << "the birth time, not the last write";
    } else {
        EXPECT_EQ(entry.creationTime, 1000000000);
    }
}

}  // namespace
