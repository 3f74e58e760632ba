// The agent under faults and bad input: a full disk, folders it may not
// write or read, a spool file that goes away, odd settings files, owner and
// document names the spooler may report, and file times far from today.
// Where the outcome is the process's own (its exit code, its rights), the
// agent runs in a child process of its own.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "capture/spool-file.h"
#include "common/framework/file-find.h"
#include "common/framework/winapp.h"
#include "common/job-context.h"
#include "common/posix/posix-platform.h"
#include "common/profile-reader.h"
#include "diag/ini.h"
#include "tests/support/capture-world.h"
#include "tests/support/child-process.h"
#include "tests/support/fake-spooler.h"
#include "tests/support/log-lines.h"
#include "tests/support/scripted-search.h"

namespace {

using sorvenna::DirectoryEntry;
using sorvenna::ScopedPlatform;
using sorvenna::testing::CaptureWorld;
using sorvenna::testing::ChildOutcome;
using sorvenna::testing::DropPrivileges;
using sorvenna::testing::FakeSpooler;
using sorvenna::testing::HostFileExists;
using sorvenna::testing::LimitFileSize;
using sorvenna::testing::LogDescriptions;
using sorvenna::testing::MakeHostFolders;
using sorvenna::testing::PlatformWrapper;
using sorvenna::testing::ProcessExit;
using sorvenna::testing::ReadHostFile;
using sorvenna::testing::ReadLogLines;
using sorvenna::testing::ReportToParent;
using sorvenna::testing::RunInChildProcess;
using sorvenna::testing::ScriptedSearch;
using sorvenna::testing::WriteHostFile;

constexpr const char* ModulePath = "C:\\App\\Xtra\\Prerequisite\\rodo\\vivaz\\bin\\Sorvenna.exe";
constexpr const char* SettingsFile = "C:\\App\\Settings.ini";
constexpr const char* SpoolCopy = "C:\\App\\Xtra\\Sorvenna.dat";
constexpr const char* SpoolFolder = "C:\\Windows\\System32\\spool\\PRINTERS\\";
constexpr const char* SpoolFile = "C:\\Windows\\System32\\spool\\PRINTERS\\00012.SPL";
constexpr const char* Request = "C:\\Sorvenna\\user1\\user1.txt";
constexpr const char* TodaysLog = "C:\\Sorvenna\\LOG\\invoice-spool_20200115.log";
constexpr std::uint32_t Poll = 50;

const std::string JobLine = std::string("JobID : ") + SpoolFile;
const std::string SelectedLine = std::string("Selected : ") + SpoolFile;

// A line of the spool copy as the log writes it at the virtual clock's start.
std::string Line(const std::string& description) {
    return "01-15-2020\t14:03:27\tSpool\tLoadSpoolFile\t" + description + "\r\n";
}

// The names in a host folder, sorted; none when it is missing.
std::vector<std::string> NamesIn(const std::string& hostFolder) {
    std::vector<std::string> names;
    std::error_code missing;
    for (const auto& entry : std::filesystem::directory_iterator(hostFolder, missing)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Bytes that show their offset.
std::string Pattern(std::size_t length) {
    std::string bytes(length, '\0');
    for (std::size_t at = 0; at < length; ++at) {
        bytes[at] = static_cast<char>(at * 7 % 251);
    }
    return bytes;
}

// The agent's run as its entry point makes it, the framework's start-up
// included; its exit code.
int RunAgent() {
    try {
        return RunApplication();
    } catch (const ProcessExit& exit) {
        return exit.status;
    }
}

// One printing job of user1's, the agent installed as an installation has
// it (settings with debug level 1), and a prompt consumer that takes the
// request by moving it aside after a poll, so that the test can read what
// it took.
class Faults : public CaptureWorld {
protected:
    Faults() {
        platform.modulePath = ModulePath;
        MakeHostFolders(Host("C:\\App\\Xtra"));
        WriteHostFile(Host(SettingsFile), "[Settings]\r\nDEBUG=1\r\n");
        spooler.jobs = {{12, "user1", "Invoice 12", 0x10}};
        PromptConsumer(Request);
    }

    void PromptConsumer(const std::string& windowsRequest) {
        const std::string request = Host(windowsRequest);
        const std::string taken = TakenPath();
        platform.onSleep = [request, taken](std::uint32_t milliseconds) {
            if (milliseconds == Poll) {
                std::rename(request.c_str(), taken.c_str());
            }
        };
    }

    // What the consumer took; nothing when there was no request to take.
    [[nodiscard]] std::optional<std::string> Taken() const {
        if (!HostFileExists(TakenPath())) {
            return std::nullopt;
        }
        return ReadHostFile(TakenPath());
    }

    [[nodiscard]] int Polls() const {
        return static_cast<int>(std::count(platform.pauses.begin(), platform.pauses.end(), Poll));
    }

    // Inside a child: the run, then the number of polls reported to the parent.
    int RunAgentAndReportPolls() {
        const int code = RunAgent();
        ReportToParent(std::to_string(Polls()));
        return code;
    }

    [[nodiscard]] std::string TakenPath() const { return prefix.Folder() + "/taken-request"; }

    FakeSpooler spooler{platform};

private:
    ScopedPlatform installed_{spooler};
};

// ----- a full disk ---------------------------------------------------------------

TEST_F(Faults, AFullDiskEndsInOrderAndLeavesNoSpoolCopyThatLooksComplete) {
    // The log's header and the JobID line; the Selected line is one byte too many.
    const auto untilTheSelectedLine = static_cast<unsigned long long>(40 + Line(JobLine).size());
    const auto untilTheTimeoutLine = untilTheSelectedLine + Line(SelectedLine).size();
    const struct {
        const char* what;
        unsigned long long limit;
        std::size_t spoolBytes;
        const char* debugLevel;
        int exitCode;
        bool errorLine;
        bool spoolCopy;
        std::optional<std::string> taken;
        std::vector<std::string> log;
        bool consumer = true;
    } cases[] = {
        // The JobID line's error is not caught: the run is abandoned, with one line on stderr and code 1.
        {"no byte fits, log on", 0, 100, "1", 1, true, false, std::nullopt, {}},
        {"the spool file does not fit",
         64ULL * 1024,
         std::size_t{1024} * 1024,
         "1",
         0,
         false,
         false,
         "Invoice 12",
         {JobLine, SelectedLine}},
        // The Selected line's error is caught: the copy stands, the request follows.
        {"the Selected line does not fit", untilTheSelectedLine, 100, "1", 0, false, true, "Invoice 12", {JobLine}},
        // Nothing is logged; the request file is made but its name cannot be written.
        {"no byte fits, log off", 0, 100, "0", 0, false, false, "", {}},
        // Nobody takes the request; the time-out line's error ends the run after the whole wait.
        {"the timeout line does not fit",
         untilTheTimeoutLine,
         100,
         "1",
         1,
         true,
         true,
         std::nullopt,
         {JobLine, SelectedLine},
         false},
    };
    for (const auto& example : cases) {
        SCOPED_TRACE(example.what);
        std::filesystem::remove_all(Host("C:\\Sorvenna"));
        std::remove(TakenPath().c_str());
        WriteHostFile(Host(SettingsFile), std::string("[Settings]\r\nDEBUG=") + example.debugLevel + "\r\n");
        const std::string printed = Pattern(example.spoolBytes);
        WriteHostFile(Host(SpoolFile), printed);
        WriteHostFile(Host(SpoolCopy), "an earlier job's copy");
        std::remove(Host(Request).c_str());

        const ChildOutcome outcome = RunInChildProcess([&] {
            LimitFileSize(example.limit);
            if (!example.consumer) {
                platform.onSleep = nullptr;
            }
            return RunAgent();
        });

        ASSERT_TRUE(outcome.exited);
        EXPECT_EQ(outcome.exitCode, example.exitCode);
        if (example.errorLine) {
            EXPECT_EQ(outcome.standardError.rfind("Sorvenna: file error: ", 0), 0U) << outcome.standardError;
            EXPECT_NE(outcome.standardError.find(TodaysLog), std::string::npos) << outcome.standardError;
            EXPECT_EQ(std::count(outcome.standardError.begin(), outcome.standardError.end(), '\n'), 1);
            EXPECT_EQ(outcome.standardError.back(), '\n');
        } else {
            EXPECT_EQ(outcome.standardError, "");
        }
        if (example.spoolCopy) {
            EXPECT_TRUE(ReadHostFile(Host(SpoolCopy)) == printed);
        } else {
            EXPECT_FALSE(HostFileExists(Host(SpoolCopy)));
        }
        EXPECT_EQ(NamesIn(Host("C:\\App\\Xtra")),
                  example.spoolCopy ? std::vector<std::string>{"Sorvenna.dat"} : std::vector<std::string>{})
            << "nothing half-copied is left";
        EXPECT_EQ(Taken(), example.taken);
        if (!example.consumer) {
            EXPECT_EQ(ReadHostFile(Host(Request)), "Invoice 12") << "the request stays where it is";
        }
        EXPECT_EQ(LogDescriptions(Host(TodaysLog)), example.log);
    }
}

// ----- folders the agent may not write or read -------------------------------------

TEST_F(Faults, FoldersThatMayNotBeWrittenOrReadCostOnlyWhatTheyHold) {
    const std::string root = Host("C:\\Sorvenna");
    const std::string userFolder = Host("C:\\Sorvenna\\user1");
    const std::string spoolFolder = Host(SpoolFolder);
    const struct {
        const char* what;
        std::function<void()> arrange;  // as root; the agent then runs as nobody
        int polls;
        std::optional<std::string> taken;
        std::vector<std::string> log;
        bool spoolCopy;
    } cases[] = {
        // Neither the per-user folder nor the log folder can be made: no request, exit after the pause.
        {"C:\\Sorvenna read-only", [&] { chmod(root.c_str(), 0555); }, 0, std::nullopt, {}, true},
        {"the per-user folder read-only",
         [&] {
             MakeHostFolders(userFolder);
             chmod(root.c_str(), 0777);
             chmod(userFolder.c_str(), 0555);
         },
         0,
         std::nullopt,
         {JobLine, SelectedLine},
         true},
        // A request file that exists but cannot be opened is waited for like any other.
        {"an earlier request read-only",
         [&] {
             WriteHostFile(Host(Request), "Invoice 11");
             chmod(root.c_str(), 0777);
             chmod(userFolder.c_str(), 0777);
             chmod(Host(Request).c_str(), 0444);
         },
         1,
         "Invoice 11",
         {JobLine, SelectedLine},
         true},
        // As CUPS keeps its request folder (0710, group lp) for an agent outside that group.
        {"the spool folder unreadable and closed",
         [&] {
             chmod(root.c_str(), 0777);
             chmod(spoolFolder.c_str(), 0000);
         },
         1,
         "Invoice 12",
         {JobLine},
         false},
        {"the spool folder closed to listing, its file readable",
         [&] {
             chmod(root.c_str(), 0777);
             chmod(spoolFolder.c_str(), 0311);
         },
         1,
         "Invoice 12",
         {JobLine, SelectedLine},
         true},
        {"the spool file unreadable",
         [&] {
             chmod(root.c_str(), 0777);
             chmod(Host(SpoolFile).c_str(), 0600);
         },
         1,
         "Invoice 12",
         {JobLine, SelectedLine},
         false},
    };
    ASSERT_EQ(chmod(prefix.Folder().c_str(), 0777), 0) << "the consumer's place";
    ASSERT_EQ(chmod(Host("C:\\App\\Xtra").c_str(), 0777), 0);
    for (const auto& example : cases) {
        SCOPED_TRACE(example.what);
        std::filesystem::remove_all(root);
        std::filesystem::remove_all(spoolFolder);
        std::remove(TakenPath().c_str());
        std::remove(Host(SpoolCopy).c_str());
        MakeHostFolders(root);
        WriteHostFile(Host(SpoolFile), "job 12");
        chmod(Host(SpoolFile).c_str(), 0644);
        example.arrange();

        const ChildOutcome outcome = RunInChildProcess([&] {
            DropPrivileges();
            return RunAgentAndReportPolls();
        });
        chmod(spoolFolder.c_str(), 0755);

        ASSERT_TRUE(outcome.exited);
        EXPECT_EQ(outcome.exitCode, 0);
        EXPECT_EQ(outcome.standardError, "");
        EXPECT_EQ(outcome.report, std::to_string(example.polls)) << "polls";
        EXPECT_EQ(Taken(), example.taken);
        EXPECT_EQ(LogDescriptions(Host(TodaysLog)), example.log);
        EXPECT_EQ(HostFileExists(Host(SpoolCopy)), example.spoolCopy);
        if (example.spoolCopy) {
            EXPECT_EQ(ReadHostFile(Host(SpoolCopy)), "job 12");
        }
    }
}

// ----- a spool file that goes away -------------------------------------------------

// Removes host files at a chosen moment: after a path's existence test
// found it, or once a search has read its folder.
class Vanishing : public PlatformWrapper {
public:
    using PlatformWrapper::PlatformWrapper;

    std::string afterExistenceTestOf;            // a Windows path,
    std::string hostOfTested;                    // and its host path
    std::vector<std::string> afterSearchStarts;  // host paths

    int _access(const char* path, int mode) override {  // NOLINT(readability-identifier-naming)
        const int result = PlatformWrapper::_access(path, mode);
        if (result == 0 && afterExistenceTestOf == path) {
            std::remove(hostOfTested.c_str());
        }
        return result;
    }
    std::unique_ptr<sorvenna::DirectorySearch> StartFileSearch(const char* pattern) override {
        std::unique_ptr<sorvenna::DirectorySearch> search = PlatformWrapper::StartFileSearch(pattern);
        for (const std::string& host : afterSearchStarts) {
            std::remove(host.c_str());
        }
        return search;
    }
};

TEST_F(Faults, ASpoolFileRemovedBeforeItIsReadIsNotCopiedAndTheRunGoesOn) {
    const struct {
        const char* what;
        std::int32_t job;
        bool afterTheExistenceTest;
        std::vector<std::string> removedOnceListed;  // of 00003.SPL and 00004.SPL
        std::vector<std::string> log;
    } cases[] = {
        {"the expected file, between its existence test and the copy", 12, true, {}, {JobLine, SelectedLine}},
        {"one listed file, before the search reaches it",
         0,
         false,
         {"00003.SPL"},
         {"new selection " + std::string(SpoolFolder) + "00004.SPL", "Selected : "}},
        {"every listed file, before the search reaches them", 0, false, {"00003.SPL", "00004.SPL"}, {}},
    };
    for (const auto& example : cases) {
        SCOPED_TRACE(example.what);
        sorvenna::testing::ResetProcessObjects();
        std::filesystem::remove_all(Host("C:\\Sorvenna"));
        std::remove(TakenPath().c_str());
        WriteHostFile(Host(SpoolCopy), "an earlier job's copy");
        spooler.jobs = {{static_cast<std::uint32_t>(example.job), "user1", "Invoice 12", 0x10}};
        WriteHostFile(Host(SpoolFile), "job 12");
        if (example.job == 0) {
            std::remove(Host(SpoolFile).c_str());
        }
        for (const char* name : {"00003.SPL", "00004.SPL"}) {
            WriteHostFile(Host(std::string(SpoolFolder) + name), name);
        }
        Vanishing vanishing(spooler);
        if (example.afterTheExistenceTest) {
            vanishing.afterExistenceTestOf = SpoolFile;
            vanishing.hostOfTested = Host(SpoolFile);
        }
        for (const std::string& name : example.removedOnceListed) {
            vanishing.afterSearchStarts.push_back(Host(std::string(SpoolFolder) + name));
        }
        const ScopedPlatform installed(vanishing);
        if (example.job == 0) {
            // The clock stands a little after the files were made, so the search takes them.
            platform.nowMilliseconds = (static_cast<std::int64_t>(std::time(nullptr)) + 60) * 1000;
        }

        EXPECT_EQ(RunCaptureSequence(), 0);

        EXPECT_FALSE(HostFileExists(Host(SpoolCopy)));
        EXPECT_EQ(NamesIn(Host("C:\\App\\Xtra")), std::vector<std::string>{});
        std::vector<std::string> log;
        for (const auto& entry : std::filesystem::directory_iterator(Host("C:\\Sorvenna\\LOG"))) {
            const std::vector<std::string> lines = LogDescriptions(entry.path().string());
            log.insert(log.end(), lines.begin(), lines.end());
        }
        EXPECT_EQ(log, example.log);
        EXPECT_EQ(Taken(), std::optional<std::string>("Invoice 12")) << "the request still follows";
    }
}

// ----- settings files ----------------------------------------------------------------

// A fixed pseudo-random sequence of every byte value, line ends included.
std::string Noise(std::size_t length) {
    std::string bytes(length, '\0');
    std::uint64_t state = 0x9E3779B97F4A7C15ULL;
    for (char& byte : bytes) {
        state ^= state << 13U;
        state ^= state >> 7U;
        state ^= state << 17U;
        byte = static_cast<char>(state & 0xFFU);
    }
    return bytes;
}

TEST_F(Faults, OddSettingsFilesGiveALevelAndNeverMore) {
    constexpr std::size_t TenMegabytes = std::size_t{10} * 1000 * 1000;
    std::string otherLines;
    while (otherLines.size() < TenMegabytes) {
        otherLines += "Key" + std::to_string(otherLines.size()) + "=some value of an ordinary length\r\n";
    }
    const std::string longLine(std::size_t{100} * 1000, 'x');
    const struct {
        const char* what;
        std::string file;
        std::string level;
    } cases[] = {
        {"10 MB of other keys, the key last without a line end", "[Settings]\r\n" + otherLines + "DEBUG=1", "1"},
        {"10 MB of binary bytes", Noise(TenMegabytes), "0"},
        {"binary bytes, then the section and the key", Noise(TenMegabytes) + "\r\n[Settings]\r\nDEBUG=5\r\n", "5"},
        {"a 100 KB line before the key", "[Settings]\r\n" + longLine + "\r\nDEBUG=2\r\n", "2"},
        {"a 100 KB line without a line end before the key", "[Settings]\r\nJunk=" + longLine + "\rDEBUG=2", "2"},
        // What a line keeps of a longer line: the value's first 65,530 bytes.
        {"a 100 KB value", "[Settings]\r\nDEBUG=" + longLine + "\r\n",
         std::string(sorvenna::MaxKeptLineBytes - 6, 'x')},
    };
    for (const auto& example : cases) {
        SCOPED_TRACE(example.what);
        WriteHostFile(Host(SettingsFile), example.file);
        CIni ini;
        ini.SetPath(SettingsFile);
        const CString level = ini.GetDebugLevel();
        EXPECT_TRUE(std::string(level.GetString()) == example.level) << level.GetLength() << " bytes";
    }
}

// ----- owner and document names the spooler may report ----------------------------------

TEST_F(Faults, OwnerNamesThatAreNoUtf8OrNoWindowsNameOrTooLong) {
    const std::string longest(121, 'u');  // its request path has 259 bytes, the most a path may have
    const struct {
        const char* what;
        std::string owner;
        bool request;
        std::vector<std::string> rootFolder;  // what C:\Sorvenna holds afterwards
    } cases[] = {
        {"bytes that are no UTF-8", "\xff\xfe", true, {"LOG", "\xff\xfe"}},
        {"Latin-1", "Jos\xe9", true, {"Jos\xe9", "LOG"}},
        {"a request path of 259 bytes", longest, true, {"LOG", longest}},
        // The folder fits, the request path does not.
        {"a request path of 261 bytes", longest + "u", false, {"LOG", longest + "u"}},
        // Bytes Windows refuses in names: neither the folder nor the request is made.
        {"a star", "a*b", false, {"LOG"}},
        {"a question mark", "a?b", false, {"LOG"}},
        {"a bar", "a|b", false, {"LOG"}},
        {"a quote", "a\"b", false, {"LOG"}},
        {"a control byte",
         "a\x01"
         "b",
         false,
         {"LOG"}},
    };
    for (const auto& example : cases) {
        SCOPED_TRACE(example.what);
        sorvenna::testing::ResetProcessObjects();
        std::filesystem::remove_all(Host("C:\\Sorvenna"));
        std::remove(TakenPath().c_str());
        platform.pauses.clear();
        spooler.jobs = {{12, example.owner, "Invoice 12", 0x10}};
        const std::string request = "C:\\Sorvenna\\" + example.owner + "\\" + example.owner + ".txt";
        if (example.request) {
            PromptConsumer(request);
        }

        EXPECT_EQ(RunCaptureSequence(), 0);

        EXPECT_EQ(Polls(), example.request ? 1 : 0);
        EXPECT_EQ(platform.pauses.back(), 1000U);
        EXPECT_EQ(Taken(), example.request ? std::optional<std::string>("Invoice 12") : std::nullopt);
        EXPECT_EQ(NamesIn(Host("C:\\Sorvenna")), example.rootFolder);
    }
}

TEST_F(Faults, DocumentNamesOfAnyLengthAndOnlyStars) {
    std::string huge;
    std::string hugeWithoutStars;
    for (std::size_t at = 0; at < std::size_t{64} * 1024; ++at) {
        const char byte = at % 100 == 99 ? '*' : static_cast<char>(0x80 + at % 0x7F);
        huge.push_back(byte);
        if (byte != '*') {
            hugeWithoutStars.push_back(byte);
        }
    }
    const struct {
        const char* what;
        std::string document;
        std::string request;
    } cases[] = {
        {"64 KiB of bytes that are no UTF-8, some stars", huge, hugeWithoutStars},
        {"one star", "*", ""},
        {"stars only", "*****", ""},
        {"stars around a name", "**Invoice*12**", "Invoice12"},
    };
    for (const auto& example : cases) {
        SCOPED_TRACE(example.what);
        sorvenna::testing::ResetProcessObjects();
        std::remove(TakenPath().c_str());
        platform.pauses.clear();
        spooler.jobs = {{12, "user1", example.document, 0x10}};

        EXPECT_EQ(RunCaptureSequence(), 0);

        EXPECT_TRUE(Taken() == example.request);
        EXPECT_EQ(Polls(), 1);
    }
}

// ----- file times far from today -------------------------------------------------------

class FileTimes : public CaptureWorld {
protected:
    FileTimes() {
        platform.modulePath = ModulePath;
        MakeHostFolders(Host("C:\\App\\Xtra"));
        MakeHostFolders(Host("C:\\Sorvenna"));
        debugLevel = "1";
    }
    ScriptedSearch search{platform};

private:
    ScopedPlatform installed_{search};
};

TEST_F(FileTimes, CreationTimesBefore1970AndAfter2038AreCompared64BitsWide) {
    const std::int64_t in2020 = 1579097007;
    const struct {
        const char* what;
        std::int64_t clock;  // seconds since 1970
        std::vector<DirectoryEntry> entries;
        std::vector<std::string> selected;
        std::string day;   // the log file's
        std::string date;  // the lines' date field
    } cases[] = {
        {"far before 1970 and after 2038, the clock in 2020",
         in2020,
         {{"00001.SPL", false, std::numeric_limits<std::int64_t>::min()},
          {"00002.SPL", false, -2208988800},  // 1900
          {"00003.SPL", false, 0},            // also what a time that cannot be converted reads as
          {"00004.SPL", false, 2147483648},   // just after 2038-01-19 03:14:07
          {"00005.SPL", false, std::numeric_limits<std::int64_t>::max()}},
         {},
         "20200115",
         "01-15-2020"},
        {"a clock before 1970",
         -315619190,  // 1960-01-01 00:00:10
         {{"00001.SPL", false, -315619200}, {"00002.SPL", false, -315619185}},
         {"00001.SPL"},
         "19600101",
         "01-01-1960"},
        {"a clock on the last second of 32-bit time",
         2147483647,
         {{"00001.SPL", false, 2147483647 - 4999}, {"00002.SPL", false, 2147483648}},
         {"00001.SPL"},
         "20380119",
         "01-19-2038"},
        {"a clock after 2038",
         2208988810,  // 2040-01-01 00:00:10
         {{"00001.SPL", false, 2147483647}, {"00002.SPL", false, 2208988800}},
         {"00002.SPL"},
         "20400101",
         "01-01-2040"},
        {"a clock after 2106, past unsigned 32-bit time",
         4294967306,
         {{"00001.SPL", false, 4294967306 - 5000},
          {"00002.SPL", false, 4294967306 - 4999},
          {"00003.SPL", false, 4294967306 - 4999}},
         {"00002.SPL"},
         "21060207",
         "02-07-2106"},
    };
    for (const auto& example : cases) {
        SCOPED_TRACE(example.what);
        platform.nowMilliseconds = example.clock * 1000;
        search.listing = example.entries;

        EXPECT_STREQ(LoadSpoolFile().GetString(), SpoolCopy);

        std::vector<std::string> expected;
        for (const std::string& name : example.selected) {
            expected.push_back("new selection " + std::string(SpoolFolder) + name);
        }
        expected.emplace_back("Selected : ");
        const std::string log = Host("C:\\Sorvenna\\LOG\\invoice-spool_" + example.day + ".log");
        EXPECT_EQ(LogDescriptions(log), expected);
        for (const auto& line : ReadLogLines(log)) {
            EXPECT_EQ(line.date, example.date);
        }
    }
}

class FileTimesOnDisk : public CaptureWorld {
protected:
    FileTimesOnDisk() { MakeHostFolders(Host("C:\\App\\Xtra")); }
};

TEST_F(FileTimesOnDisk, LastWriteTimesFarFromTodayAreListedAndCopiedExactly) {
    // Without a birth time the search reads the last write; the copy keeps it either way. The
    // file system may keep a time only within its range (ext4: 1901 to 2446).
    const std::int64_t times[] = {-8589934592, -2147483648, -1, 0, 2147483648, 8589934592};  // 1697 to 2242
    std::size_t number = 0;
    for (const std::int64_t written : times) {
        SCOPED_TRACE(written);
        const std::string name = "0000" + std::to_string(++number) + ".SPL";
        const std::string spoolFile = Host(std::string(SpoolFolder) + name);
        WriteHostFile(spoolFile, "job " + name);
        const timespec stamps[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(written), 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, spoolFile.c_str(), stamps, 0), 0);
        struct statx status {};
        ASSERT_EQ(statx(AT_FDCWD, spoolFile.c_str(), 0, STATX_BTIME | STATX_MTIME, &status), 0);
        const std::int64_t stored = status.stx_mtime.tv_sec;
        const std::int64_t created = (status.stx_mask & STATX_BTIME) != 0 ? status.stx_btime.tv_sec : stored;

        CFileFind finder;
        ASSERT_TRUE(finder.FindFile((std::string(SpoolFolder) + name).c_str()));
        finder.FindNextFile();
        CTime creation;
        ASSERT_TRUE(finder.GetCreationTime(creation));
        EXPECT_EQ(creation.GetTime(), created);

        ASSERT_TRUE(sorvenna::Sys().CopyFileA((std::string(SpoolFolder) + name).c_str(), SpoolCopy, false));
        struct stat copied {};
        ASSERT_EQ(stat(Host(SpoolCopy).c_str(), &copied), 0);
        EXPECT_EQ(copied.st_mtim.tv_sec, stored);
        EXPECT_EQ(ReadHostFile(Host(SpoolCopy)), "job " + name);
    }
}

}  // namespace
