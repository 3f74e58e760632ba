// The capture sequence with diagnostics: the debug level from the install
// root's settings file decides whether the time-out is logged.

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>

#include "common/framework/time.h"
#include "common/job-context.h"
#include "diag/log-file.h"
#include "tests/support/capture-world.h"

namespace {

using sorvenna::testing::CaptureWorld;
using sorvenna::testing::HostFileExists;
using sorvenna::testing::MakeHostFolders;
using sorvenna::testing::ReadHostFile;
using sorvenna::testing::ResetProcessObjects;
using sorvenna::testing::WriteHostFile;

const std::string Header = "DATE\tTIME\tMODULE\tPROCEDURE\tDESCRIPTION\r\n";

std::size_t Occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) {
        ++count;
    }
    return count;
}

class DiagnosticsInTheSequence : public CaptureWorld {};

TEST_F(DiagnosticsInTheSequence, TheTimeOutIsLoggedUnderTheContextInForceUnlessTheLevelIsZero) {
    const struct {
        const char* what;
        std::optional<std::string> settings;  // none: no settings file
        const char* level;
        bool logged;
    } cases[] = {
        {"DEBUG=1", "[Settings]\r\nDEBUG=1\r\n", "1", true},   {"DEBUG=2", "[Settings]\r\nDEBUG=2\r\n", "2", true},
        {"empty value", "[Settings]\r\nDEBUG=\r\n", "", true}, {"DEBUG=0", "[Settings]\r\nDEBUG=0\r\n", "0", false},
        {"no settings file", std::nullopt, "0", false},
    };
    // The agent lies in the install root's fixed sub-folder; its settings file in the root.
    platform.modulePath = "C:\\App\\Xtra\\Prerequisite\\rodo\\vivaz\\bin\\Sorvenna.exe";
    const std::string settings = Host("C:\\App\\Settings.ini");
    MakeHostFolders(Host("C:\\Sorvenna"));
    for (const auto& example : cases) {
        ResetProcessObjects();
        std::remove(settings.c_str());
        if (example.settings) {
            WriteHostFile(settings, *example.settings);
        }
        // The context as the spool copy leaves it; nobody ever takes the request.
        const CString logPath = MakeLogFilePath();
        const std::string hostLog = Host(logPath.GetString());
        std::remove(hostLog.c_str());
        activityLog.SetLogContext(logPath.GetString(), "Spool", "LoadSpoolFile");

        EXPECT_EQ(RunCaptureSequence(), 0) << example.what;

        EXPECT_EQ(debugLevel, example.level) << example.what;
        if (!example.logged) {
            EXPECT_FALSE(HostFileExists(hostLog)) << example.what;
            continue;
        }
        const CTime end(platform.nowMilliseconds / 1000);
        const std::string timeout =
            std::string(end.Format("%m-%d-%Y\t%H:%M:%S").GetString()) + "\tSpool\tLoadSpoolFile\ttimeout\r\n";
        const std::string content = ReadHostFile(hostLog);
        EXPECT_EQ(content.substr(0, Header.size()), Header) << example.what;
        EXPECT_EQ(Occurrences(content, Header), 1U) << example.what;
        EXPECT_EQ(Occurrences(content, "\ttimeout\r\n"), 1U) << example.what;
        ASSERT_GE(content.size(), timeout.size());
        EXPECT_EQ(content.substr(content.size() - timeout.size()), timeout) << example.what;
    }
}

}  // namespace
