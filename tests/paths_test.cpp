#include "common/paths.h"

#include <gtest/gtest.h>

#include <string>

#include "common/platform.h"
#include "tests/support/virtual-platform.h"

namespace {

using sorvenna::ScopedPlatform;
using sorvenna::testing::VirtualPlatform;

std::string Bytes(const CString& text) { return {text.GetString(), static_cast<std::size_t>(text.GetLength())}; }

TEST(ModuleFolder, CutsRightAfterTheLastBackslash) {
    const struct {
        std::string modulePath;
        const char* folder;
    } cases[] = {
        {"C:\\Tools\\bin\\agent.exe", "C:\\Tools\\bin\\"},
        {"C:\\agent.exe", "C:\\"},
        {"agent.exe", "agent.exe"},                    // no backslash: the whole path
        {"", ""},                                      // the system reports no path
        {"Z:\\opt\\a/b\\Sorvenna", "Z:\\opt\\a/b\\"},  // only the backslash separates here
        // The last byte 0x5C counts, also as the trail byte of a double-byte character.
        {"C:\\\x95\x5C"
         "agent.exe",
         "C:\\\x95\x5C"},
    };
    for (const auto& example : cases) {
        VirtualPlatform platform;
        platform.modulePath = example.modulePath;
        const ScopedPlatform installed(platform);
        EXPECT_EQ(Bytes(ModuleFolder()), example.folder) << example.modulePath;
    }
}

TEST(ModuleFolder, APathTooLongForTheBufferIsNoPath) {
    // The call reports 260 when the path was cut: a cut path would name another folder.
    const std::string longPath = "C:\\" + std::string(250, 'd') + "\\agent.exe";
    ASSERT_GE(longPath.size(), 260U);
    VirtualPlatform platform;
    platform.modulePath = longPath;
    const ScopedPlatform installed(platform);
    EXPECT_TRUE(ModuleFolder().IsEmpty());

    platform.modulePath = "C:\\" + std::string(246, 'd') + "\\agent.exe";  // 259 bytes
    ASSERT_EQ(platform.modulePath->size(), 259U);
    EXPECT_EQ(Bytes(ModuleFolder()), "C:\\" + std::string(246, 'd') + "\\");
}

TEST(InstallRoot, RemovesEveryOccurrenceOfTheSubPathCaseSensitively) {
    const struct {
        const char* moduleFolder;
        const char* installRoot;
    } cases[] = {
        {"D:\\Apps\\Xtra\\Prerequisite\\rodo\\vivaz\\bin\\", "D:\\Apps\\"},
        {"D:\\Apps\\bin\\", "D:\\Apps\\bin\\"},
        {"D:\\Apps\\xtra\\prerequisite\\rodo\\vivaz\\bin\\", "D:\\Apps\\xtra\\prerequisite\\rodo\\vivaz\\bin\\"},
        {"D:\\A\\Xtra\\Prerequisite\\rodo\\vivaz\\bin\\Xtra\\Prerequisite\\rodo\\vivaz\\bin\\", "D:\\A\\"},
        {"", ""},
    };
    for (const auto& example : cases) {
        EXPECT_EQ(Bytes(InstallRootOf(example.moduleFolder)), example.installRoot) << example.moduleFolder;
    }
}

TEST(SettingsPath, JoinsWithoutASeparator) {
    EXPECT_EQ(Bytes(SettingsPathOf("D:\\Tools\\")), "D:\\Tools\\Settings.ini");
    EXPECT_EQ(Bytes(SettingsPathOf("D:\\Tools")), "D:\\ToolsSettings.ini");
    EXPECT_EQ(Bytes(SettingsPathOf("")), "Settings.ini");
}

}  // namespace
