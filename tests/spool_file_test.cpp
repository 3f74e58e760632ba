// The spool copy: the expected spool file, the fallback search of the spool
// folder with scripted creation times, the copy and its log lines.

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "capture/spool-file.h"
#include "capture/spool-name.h"
#include "common/framework/exceptions.h"
#include "common/job-context.h"
#include "diag/log-file.h"
#include "tests/support/capture-world.h"
#include "tests/support/log-lines.h"
#include "tests/support/scripted-search.h"

namespace {

using sorvenna::DirectoryEntry;
using sorvenna::FileHandle;
using sorvenna::FileOpenMode;
using sorvenna::ScopedPlatform;
using sorvenna::testing::CaptureWorld;
using sorvenna::testing::HostFileExists;
using sorvenna::testing::LogDescriptions;
using sorvenna::testing::MakeHostFolders;
using sorvenna::testing::ReadHostFile;
using sorvenna::testing::ReadLogLines;
using sorvenna::testing::ScriptedSearch;
using sorvenna::testing::WriteHostFile;

constexpr const char* ModulePath = "C:\\App\\Xtra\\Prerequisite\\rodo\\vivaz\\bin\\Sorvenna.exe";
constexpr const char* SpoolCopy = "C:\\App\\Xtra\\Sorvenna.dat";
constexpr const char* SpoolFolder = "C:\\Windows\\System32\\spool\\PRINTERS\\";
constexpr const char* TodaysLog = "C:\\Sorvenna\\LOG\\invoice-spool_20200115.log";

std::string InSpoolFolder(const std::string& name) { return SpoolFolder + name; }

// A file whose every write fails, as on a full disk.
class FullDiskFile final : public FileHandle {
public:
    explicit FullDiskFile(std::unique_ptr<FileHandle> file) : file_(std::move(file)) {}
    std::int64_t Read(void* buffer, std::size_t count) override { return file_->Read(buffer, count); }
    bool Write(const void* /*buffer*/, std::size_t /*count*/) override { return false; }
    std::int64_t Seek(std::int64_t offset, sorvenna::SeekOrigin origin) override { return file_->Seek(offset, origin); }
    std::int64_t GetLength() override { return file_->GetLength(); }
    bool SetLength(std::int64_t length) override { return file_->SetLength(length); }
    [[nodiscard]] int LastError() const override { return 28; }  // no space left

private:
    std::unique_ptr<FileHandle> file_;
};

struct CopyCall {
    std::string source;
    std::string target;
    bool failIfExists;
    bool copied;
    bool operator==(const CopyCall&) const = default;
};

// The world of the spool copy: a scripted spool-folder listing, copies
// recorded, and log writes that fail on demand.
class SpoolWorld : public ScriptedSearch {
public:
    using ScriptedSearch::ScriptedSearch;

    std::vector<CopyCall> copies;
    bool logWritesFail = false;
    bool logWritesFailAfterCopy = false;
    // Set: the Windows folder's length as the system reports it, the buffer left unfilled.
    std::optional<std::uint32_t> windowsFolderLength;

    bool CopyFileA(const char* source, const char* target, bool failIfExists) override {
        const bool copied = ScriptedSearch::CopyFileA(source, target, failIfExists);
        copies.push_back({source, target, failIfExists, copied});
        logWritesFail = logWritesFail || logWritesFailAfterCopy;
        return copied;
    }

    std::unique_ptr<FileHandle> OpenFile(const char* path, FileOpenMode mode) override {
        std::unique_ptr<FileHandle> file = ScriptedSearch::OpenFile(path, mode);
        if (file && logWritesFail && std::strncmp(path, "C:\\Sorvenna\\LOG\\", 16) == 0) {
            return std::make_unique<FullDiskFile>(std::move(file));
        }
        return file;
    }

    std::uint32_t GetWindowsDirectoryA(char* buffer, std::uint32_t size) override {
        if (windowsFolderLength) {
            return *windowsFolderLength;
        }
        return ScriptedSearch::GetWindowsDirectoryA(buffer, size);
    }
};

class SpoolFile : public CaptureWorld {
protected:
    SpoolFile() {
        platform.modulePath = ModulePath;
        MakeHostFolders(Host("C:\\Sorvenna"));
        MakeHostFolders(Host("C:\\App\\Xtra"));
        MakeHostFolders(Host(SpoolFolder));
        debugLevel = "1";
    }

    // An entry of the spool-folder listing, created that many seconds
    // before the start of the run (negative: after it).
    [[nodiscard]] DirectoryEntry Entry(const std::string& name, std::int64_t secondsBefore,
                                       bool isDirectory = false) const {
        return {name, isDirectory, Now() - secondsBefore};
    }
    [[nodiscard]] std::int64_t Now() const { return platform.nowMilliseconds / 1000; }

    SpoolWorld world{platform};

private:
    ScopedPlatform installed_{world};
};

TEST_F(SpoolFile, CopiesTheSpoolFileNamedAfterTheJob) {
    const struct {
        std::int32_t id;
        const char* fileName;
    } cases[] = {{12, "00012.SPL"}, {123456, "123456.SPL"}};
    for (const auto& example : cases) {
        SCOPED_TRACE(example.fileName);
        const std::string spoolFile = InSpoolFolder(example.fileName);
        const std::string content("%!PS\0\x01\xff data", 13);
        WriteHostFile(Host(spoolFile), content);
        WriteHostFile(Host(SpoolCopy), "an earlier job's copy, longer than this one");
        std::remove(Host(TodaysLog).c_str());
        world.copies.clear();
        platform.pauses.clear();
        jobId = example.id;

        EXPECT_STREQ(LoadSpoolFile().GetString(), SpoolCopy);

        EXPECT_EQ(ReadHostFile(Host(SpoolCopy)), content);
        EXPECT_EQ(world.copies, (std::vector<CopyCall>{{spoolFile, SpoolCopy, false, true}}));
        EXPECT_EQ(LogDescriptions(Host(TodaysLog)),
                  (std::vector<std::string>{"JobID : " + spoolFile, "Selected : " + spoolFile}));
        for (const auto& line : ReadLogLines(Host(TodaysLog))) {
            EXPECT_EQ(line.module, "Spool");
            EXPECT_EQ(line.procedure, "LoadSpoolFile");
        }
        EXPECT_TRUE(world.patterns.empty()) << "no search when the expected file is there";
        EXPECT_EQ(platform.pauses, (std::vector<std::uint32_t>{1000}));
    }
}

TEST_F(SpoolFile, WithoutAJobTheSearchRunsAndTheEmptyPathIsHandedToTheCopy) {
    jobId = 0;
    WriteHostFile(Host(SpoolCopy), "an earlier job's copy");
    WriteHostFile(Host(InSpoolFolder("00003.SPL")), "another job");
    world.listing = {Entry("00003.SPL", 10)};

    EXPECT_STREQ(LoadSpoolFile().GetString(), SpoolCopy);

    EXPECT_EQ(world.patterns, (std::vector<std::string>{InSpoolFolder("*.SPL")}));
    EXPECT_EQ(LogDescriptions(Host(TodaysLog)),
              (std::vector<std::string>{"new selection " + InSpoolFolder("00003.SPL"), "Selected : "}));
    EXPECT_EQ(world.copies, (std::vector<CopyCall>{{"", SpoolCopy, false, false}}));
    EXPECT_FALSE(HostFileExists(Host(SpoolCopy))) << "the earlier copy is gone and none is made";
    EXPECT_EQ(platform.pauses, (std::vector<std::uint32_t>{1000}));
}

TEST_F(SpoolFile, TheSelectionIsReportedButTheExpectedFileIsHandedToTheCopy) {
    jobId = 12;
    WriteHostFile(Host(InSpoolFolder("00011.SPL")), "another user's job");
    world.listing = {Entry("00011.SPL", 10)};

    LoadSpoolFile();

    EXPECT_EQ(LogDescriptions(Host(TodaysLog)), (std::vector<std::string>{
                                                    "JobID : " + InSpoolFolder("00012.SPL"),
                                                    "new selection " + InSpoolFolder("00011.SPL"),
                                                    "Selected : " + InSpoolFolder("00012.SPL"),
                                                }));
    EXPECT_EQ(world.copies, (std::vector<CopyCall>{{InSpoolFolder("00012.SPL"), SpoolCopy, false, false}}));
    EXPECT_FALSE(HostFileExists(Host(SpoolCopy)));
}

TEST_F(SpoolFile, DebugLevelZeroWritesNothingButStillMakesTheLogFolder) {
    WriteHostFile(Host(InSpoolFolder("00012.SPL")), "job 12");
    jobId = 12;
    for (const char* level : {"0", "", "1", "00"}) {
        SCOPED_TRACE(level);
        debugLevel = level;
        std::remove(Host(TodaysLog).c_str());
        std::remove(Host("C:\\Sorvenna\\LOG").c_str());
        activityLog.SetLogContext("", "", "");

        LoadSpoolFile();
        activityLog.WriteLog("probe");  // written only under a context the copy set

        EXPECT_TRUE(HostFileExists(Host("C:\\Sorvenna\\LOG")));
        const std::vector<std::string> lines = LogDescriptions(Host(TodaysLog));
        if (std::strcmp(level, "0") == 0) {
            EXPECT_TRUE(lines.empty());
        } else {
            EXPECT_EQ(lines.size(), 3U);
        }
        EXPECT_EQ(ReadHostFile(Host(SpoolCopy)), "job 12");
    }
}

TEST_F(SpoolFile, TheSearchWalksBackwardsInTimeWithinTheWindow) {
    const auto at = [](const char* name) { return InSpoolFolder(name); };
    const struct {
        const char* what;
        std::vector<DirectoryEntry> entries;
        std::vector<std::string> selections;
    } cases[] = {
        {"window bounds and a file from the future",
         {Entry("00001.SPL", 5000), Entry("00002.SPL", -1), Entry("00003.SPL", 4999)},
         {"new selection " + at("00003.SPL")}},
        {"created exactly at the start, no previous name",
         {Entry("00004.SPL", 0)},
         {"new selection :" + at("00004.SPL")}},
        {"each step back at most 4999 seconds from the last selection",
         {Entry("00001.SPL", 100), Entry("00002.SPL", 50), Entry("00003.SPL", 5099), Entry("00004.SPL", 10099)},
         {"new selection " + at("00001.SPL"), "new selection " + at("00003.SPL")}},
        {"equal times, the lower number second",
         {Entry("00009.SPL", 10), Entry("00007.SPL", 10)},
         {"new selection " + at("00009.SPL"), "new selection from filename " + at("00007.SPL")}},
        {"equal times, the lower number first",
         {Entry("00007.SPL", 10), Entry("00009.SPL", 10)},
         {"new selection " + at("00007.SPL")}},
        {"equal times, names without digits",
         {Entry("ABC.SPL", 10), Entry("XYZ.SPL", 10)},
         {"new selection " + at("ABC.SPL")}},
        {"the previous name is not the selection",
         {Entry("00003.SPL", 10), Entry("00009.SPL", -5), Entry("00007.SPL", 10)},
         {"new selection " + at("00003.SPL"), "new selection from filename " + at("00007.SPL")}},
        {"a folder named like a spool file",
         {Entry("00003.SPL", 10), Entry("00009.SPL", 10, true), Entry("00007.SPL", 10)},
         {"new selection " + at("00003.SPL")}},
        {"a time far behind that a 32-bit difference would bring into the window",
         {Entry("00005.SPL", (std::int64_t{1} << 32) + 100)},
         {}},
    };
    jobId = 0;
    const std::int64_t start = platform.nowMilliseconds;
    for (const auto& example : cases) {
        SCOPED_TRACE(example.what);
        platform.nowMilliseconds = start;  // the times above count from here
        std::remove(Host(TodaysLog).c_str());
        world.listing = example.entries;

        EXPECT_STREQ(LoadSpoolFile().GetString(), SpoolCopy);

        std::vector<std::string> expected = example.selections;
        expected.emplace_back("Selected : ");
        EXPECT_EQ(LogDescriptions(Host(TodaysLog)), expected);
    }
}

TEST_F(SpoolFile, ASearchThatFindsNothingEndsWithError) {
    jobId = 12;  // and no 00012.SPL
    for (const bool readable : {true, false}) {
        SCOPED_TRACE(readable ? "empty spool folder" : "unreadable spool folder");
        std::remove(Host(TodaysLog).c_str());
        WriteHostFile(Host(SpoolCopy), "an earlier job's copy");
        world.listing.reset();
        if (readable) {
            world.listing.emplace();
        }

        EXPECT_STREQ(LoadSpoolFile().GetString(), "ERROR");

        EXPECT_FALSE(HostFileExists(Host(SpoolCopy)));
        EXPECT_EQ(LogDescriptions(Host(TodaysLog)),
                  (std::vector<std::string>{"JobID : " + InSpoolFolder("00012.SPL")}));
        EXPECT_TRUE(world.copies.empty());
        EXPECT_TRUE(platform.pauses.empty());
    }
}

TEST_F(SpoolFile, AWindowsFolderTooLongForTheBufferMeansNoSpoolFolder) {
    jobId = 12;
    WriteHostFile(Host(InSpoolFolder("00012.SPL")), "job 12");
    world.windowsFolderLength = 300;
    EXPECT_STREQ(LoadSpoolFile().GetString(), "ERROR");
    EXPECT_TRUE(world.copies.empty());
    EXPECT_TRUE(world.patterns.empty());
}

TEST_F(SpoolFile, WithoutTheSubPathTheSpoolCopyPathIsTheModuleFolder) {
    platform.modulePath = "C:\\Tools\\Sorvenna.exe";
    MakeHostFolders(Host("C:\\Tools"));
    WriteHostFile(Host(InSpoolFolder("00012.SPL")), "job 12");
    jobId = 12;

    EXPECT_STREQ(LoadSpoolFile().GetString(), "C:\\Tools\\");

    EXPECT_EQ(world.copies, (std::vector<CopyCall>{{InSpoolFolder("00012.SPL"), "C:\\Tools\\", false, false}}));
    EXPECT_TRUE(HostFileExists(Host("C:\\Tools")));
    EXPECT_EQ(platform.pauses, (std::vector<std::uint32_t>{1000}));
}

TEST_F(SpoolFile, AFailedCopyIsStillFollowedByItsLineAndThePause) {
    std::remove(Host("C:\\App\\Xtra").c_str());  // the spool copy's folder is missing
    WriteHostFile(Host(InSpoolFolder("00012.SPL")), "job 12");
    jobId = 12;

    EXPECT_STREQ(LoadSpoolFile().GetString(), SpoolCopy);

    ASSERT_EQ(world.copies.size(), 1U);
    EXPECT_FALSE(world.copies[0].copied);
    EXPECT_EQ(LogDescriptions(Host(TodaysLog)).back(), "Selected : " + InSpoolFolder("00012.SPL"));
    EXPECT_EQ(platform.pauses, (std::vector<std::uint32_t>{1000}));
}

TEST_F(SpoolFile, ALogFileErrorIsCaughtOnlyAroundTheCopy) {
    WriteHostFile(Host(InSpoolFolder("00012.SPL")), "job 12");
    jobId = 12;

    world.logWritesFailAfterCopy = true;
    EXPECT_STREQ(LoadSpoolFile().GetString(), SpoolCopy);
    EXPECT_EQ(ReadHostFile(Host(SpoolCopy)), "job 12");
    EXPECT_TRUE(platform.pauses.empty()) << "the pause is skipped";

    world.logWritesFail = true;
    EXPECT_THROW(LoadSpoolFile(), CFileException) << "the JobID line's error is not caught";
}

TEST(SpoolName, ReadsTheLeadingNumberLikeAtoiWithoutOverflow) {
    const struct {
        const char* text;
        int number;
    } cases[] = {
        {"00012", 12},
        {" \t\n+42x", 42},
        {"-7", -7},
        {"abc", 0},
        {"", 0},
        {"+-1", 0},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"99999999999999999999", INT_MAX},
        {"-2147483648", INT_MIN},
        {"-99999999999999999999", INT_MIN},
    };
    for (const auto& example : cases) {
        EXPECT_EQ(LeadingInteger(example.text), example.number) << example.text;
    }
    EXPECT_EQ(SpoolNameNumber("00012.SPL"), 12);
    EXPECT_EQ(SpoolNameNumber("7.Spl"), 7);
    EXPECT_EQ(SpoolNameNumber(".SPL12"), 12) << "every .spl is removed first";
    EXPECT_EQ(SpoolNameNumber("ABC.SPL"), 0);
}

}  // namespace
