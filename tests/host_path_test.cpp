#include <gtest/gtest.h>

#include <string>

#include "common/posix/host-path.h"
#include "tests/support/temp-prefix.h"

namespace {

using sorvenna::HostPathOf;
using sorvenna::WindowsPathOf;
using sorvenna::testing::HostFileExists;
using sorvenna::testing::MakeHostFolders;
using sorvenna::testing::TempPrefix;

TEST(HostPath, MapsDrivesSeparatorsAndDots) {
    const TempPrefix prefix;
    const std::string driveC = prefix.Folder() + "/drive_c";
    const struct {
        std::string windowsPath;
        std::string hostPath;
    } cases[] = {
        {"C:\\Sorvenna", driveC + "/Sorvenna"},
        {"c:/Sorvenna/user1/user1.txt", driveC + "/Sorvenna/user1/user1.txt"},
        {"C:\\Sorvenna\\\\", driveC + "/Sorvenna"},  // the empty owner's folder is the root folder
        {"C:\\Sorvenna\\\\.txt", driveC + "/Sorvenna/.txt"},
        {"C:\\", driveC},
        {"C:", driveC},
        {"Z:\\usr\\bin\\", "/usr/bin"},
        {"z:/", "/"},
        {"C:\\a\\.\\b\\..\\c", driveC + "/a/c"},
        {"C:\\..\\..\\etc\\passwd", driveC + "/etc/passwd"},  // never above the drive's root
    };
    for (const auto& example : cases) {
        EXPECT_EQ(HostPathOf(example.windowsPath.c_str()).value_or("<none>"), example.hostPath) << example.windowsPath;
    }
    EXPECT_TRUE(HostFileExists(driveC)) << "the prefix and its drive_c are made when missing";
}

TEST(HostPath, RefusesWhatWindowsRefuses) {
    const TempPrefix prefix;
    const std::string refused[] = {
        "",
        "Sorvenna\\x",   // relative
        "\\Sorvenna",    // no drive
        "D:\\Sorvenna",  // no such drive
        "C:Sorvenna",    // relative to the drive's current folder
        "C:\\a:b",       // a colon inside a name
        "C:\\a*b",
        "C:\\a?b",
        "C:\\a\"b",
        "C:\\a<b>",
        "C:\\a|b",
        "C:\\a\tb",
        "C:\\" + std::string(256, 'x'),  // 259 bytes fit; this is 259
    };
    for (const std::string& path : refused) {
        if (path.size() == 259) {
            EXPECT_TRUE(HostPathOf(path.c_str()).has_value());
            EXPECT_FALSE(HostPathOf((path + "y").c_str()).has_value()) << "260 bytes fail in every file call";
        } else {
            EXPECT_FALSE(HostPathOf(path.c_str()).has_value()) << path;
        }
    }
    EXPECT_FALSE(HostPathOf(nullptr).has_value());
}

TEST(HostPath, LetterCaseDoesNotMatterForWhatExists) {
    const TempPrefix prefix;
    const std::string driveC = prefix.Folder() + "/drive_c";
    MakeHostFolders(driveC + "/Sorvenna/user1");
    MakeHostFolders(driveC + "/Tools");
    sorvenna::testing::WriteHostFile(driveC + "/Tools/Settings.ini", "");

    EXPECT_EQ(HostPathOf("C:\\SORVENNA\\User1\\User1.txt").value_or(""), driveC + "/Sorvenna/user1/User1.txt")
        << "existing components match in any case; what is created is named as written";
    EXPECT_EQ(HostPathOf("C:\\tools\\settings.INI").value_or(""), driveC + "/Tools/Settings.ini");
    // The file calls' first try takes the path as written, without a lookup.
    EXPECT_EQ(sorvenna::HostPathAsWrittenOf("C:\\tools\\settings.INI").value_or(""), driveC + "/tools/settings.INI");
}

TEST(HostPath, PrefixDefaultsToTheHomeFolder) {
    const TempPrefix home;
    const std::string savedHome = getenv("HOME") != nullptr ? getenv("HOME") : "";
    unsetenv("SORVENNA_PREFIX");
    setenv("HOME", home.Folder().c_str(), 1);
    EXPECT_EQ(sorvenna::PrefixFolder(), home.Folder() + "/.sorvenna");
    EXPECT_TRUE(HostFileExists(home.Folder() + "/.sorvenna/drive_c"));
    setenv("HOME", savedHome.c_str(), 1);
}

TEST(HostPath, WindowsPathOfAHostPath) {
    const TempPrefix prefix;
    const std::string driveC = prefix.Folder() + "/drive_c";
    EXPECT_EQ(WindowsPathOf(driveC + "/App/Xtra/Sorvenna"), "C:\\App\\Xtra\\Sorvenna");
    EXPECT_EQ(WindowsPathOf(driveC), "C:\\");
    EXPECT_EQ(WindowsPathOf("/usr/local/bin/Sorvenna"), "Z:\\usr\\local\\bin\\Sorvenna");
    // A sibling that only starts like drive_c is elsewhere on the host.
    EXPECT_EQ(WindowsPathOf(driveC + "_other/x").substr(0, 3), "Z:\\");
}

}  // namespace
