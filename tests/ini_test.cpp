// The settings reader: the debug level from "Settings.ini", read again with
// a larger buffer whenever the value may have been cut.

#include "diag/ini.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/capture-world.h"

namespace {

using sorvenna::ScopedPlatform;
using sorvenna::testing::CaptureWorld;
using sorvenna::testing::PlatformWrapper;
using sorvenna::testing::WriteHostFile;

constexpr const char* SettingsPath = "C:\\App\\Settings.ini";

// Records the buffer size of every question to the profile reader.
class ReaderSizes : public PlatformWrapper {
public:
    using PlatformWrapper::PlatformWrapper;
    std::uint32_t GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue, char* buffer,
                                           std::uint32_t size, const char* fileName) override {
        sizes.push_back(size);
        return PlatformWrapper::GetPrivateProfileStringA(section, key, defaultValue, buffer, size, fileName);
    }
    std::vector<std::uint32_t> sizes;
};

class Settings : public CaptureWorld {
protected:
    void WriteSettings(const std::string& windowsPath, const std::string& content) {
        WriteHostFile(Host(windowsPath), content);
    }
};

TEST_F(Settings, TheDebugLevelIsTheValueAsTextOrZero) {
    const std::string text511(511, 'a');
    const std::string text600 = std::string(599, 'b') + "c";
    const struct {
        const char* what;
        std::optional<std::string> file;  // none: no settings file
        std::string level;
        std::vector<std::uint32_t> sizes;
    } cases[] = {
        {"0", "[Settings]\r\nDEBUG=0\r\n", "0", {512}},
        {"2", "[Settings]\r\nDEBUG=2\r\n", "2", {512}},
        {"1", "[Settings]\r\nDEBUG=1\r\n", "1", {512}},
        {"empty value", "[Settings]\r\nDEBUG=\r\n", "", {512}},
        {"no settings file", std::nullopt, "0", {512}},
        {"missing section", "[Setting]\r\nDEBUG=2\r\n", "0", {512}},
        {"missing key", "[Settings]\r\nDEBUGLEVEL=2\r\n", "0", {512}},
        {"510 characters fit at once",
         "[Settings]\r\nDEBUG=" + std::string(510, 'z') + "\r\n",
         std::string(510, 'z'),
         {512}},
        {"511 characters are read twice", "[Settings]\r\nDEBUG=" + text511 + "\r\n", text511, {512, 1024}},
        {"600 characters are read twice", "[Settings]\r\nDEBUG=" + text600 + "\r\n", text600, {512, 1024}},
        {"1023 characters are read three times",
         "[Settings]\r\nDEBUG=" + std::string(1023, 'y') + "\r\n",
         std::string(1023, 'y'),
         {512, 1024, 1536}},
    };
    for (const auto& example : cases) {
        std::remove(Host(SettingsPath).c_str());
        if (example.file) {
            WriteSettings(SettingsPath, *example.file);
        }
        ReaderSizes reader(platform);
        const ScopedPlatform installed(reader);
        CIni ini;
        ini.SetPath(SettingsPath);
        EXPECT_EQ(std::string(ini.GetDebugLevel().GetString()), example.level) << example.what;
        EXPECT_EQ(reader.sizes, example.sizes) << example.what;
    }
}

TEST_F(Settings, ASecondPathReplacesTheFirst) {
    WriteSettings("C:\\One\\Settings.ini", "[Settings]\r\nDEBUG=1\r\n");
    WriteSettings("C:\\Two\\Settings.ini", "[Settings]\r\nDEBUG=2\r\n");
    CIni ini;
    std::string first = "C:\\One\\Settings.ini";
    ini.SetPath(first.c_str());
    first.assign(first.size(), 'x');  // the reader keeps a copy of its own
    ini.SetPath("C:\\Two\\Settings.ini");
    EXPECT_EQ(ini.GetDebugLevel(), "2");
    EXPECT_EQ(platform.profileFiles, (std::vector<std::string>{"C:\\Two\\Settings.ini"}));
}

TEST_F(Settings, ANullPathEmptiesTheHeldPathAndIsIgnoredWithoutOne) {
    WriteSettings(SettingsPath, "[Settings]\r\nDEBUG=1\r\n");
    CIni never;
    never.SetPath(nullptr);
    EXPECT_EQ(never.GetDebugLevel(), "0");
    EXPECT_TRUE(platform.profileFiles.empty()) << "no path, no file asked for";

    CIni emptied;
    emptied.SetPath(SettingsPath);
    emptied.SetPath(nullptr);
    EXPECT_EQ(emptied.GetDebugLevel(), "0");
    EXPECT_EQ(platform.profileFiles, (std::vector<std::string>{""}));
}

}  // namespace
