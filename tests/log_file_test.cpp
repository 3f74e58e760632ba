// The activity log: file name, header, lines, the log context and its
// limits, file errors, agents writing at once, and the size cap.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "common/codepage.h"
#include "common/framework/exceptions.h"
#include "common/posix/posix-platform.h"
#include "diag/log-file.h"
#include "tests/support/capture-world.h"

namespace {

using sorvenna::FileHandle;
using sorvenna::FileOpenMode;
using sorvenna::Platform;
using sorvenna::ScopedPlatform;
using sorvenna::SeekOrigin;
using sorvenna::testing::CaptureWorld;
using sorvenna::testing::HostFileExists;
using sorvenna::testing::MakeHostFolders;
using sorvenna::testing::PlatformWrapper;
using sorvenna::testing::ReadHostFile;
using sorvenna::testing::WriteHostFile;

const std::string Header = "DATE\tTIME\tMODULE\tPROCEDURE\tDESCRIPTION\r\n";
constexpr const char* LogPath = "C:\\Sorvenna\\LOG\\invoice-spool_20200115.log";

// A line as the log writes it at the virtual clock's start.
std::string Line(const std::string& description, const std::string& module = "Spool",
                 const std::string& procedure = "LoadSpoolFile", const std::string& when = "01-15-2020\t14:03:27") {
    return when + "\t" + module + "\t" + procedure + "\t" + description + "\r\n";
}

// What the file handles of a test were asked to do, and failures on demand.
struct FileHooks {
    std::function<void()> afterFirstEmptyLength;  // runs once, when an appending handle finds the file empty
    int writeError = 0;                           // every write fails with this error
    int failingRead = 0;                          // the read with this number (from 1) fails
    int reads = 0;
    std::size_t largestRead = 0;
    std::int64_t lastReadAt = -1;
    bool readsAscend = true;
    std::vector<std::string> openedPaths;
    // Reads, writes and cuts in order: "read 280+64" (position and count), "write ...", "cut 460";
    // an appending handle's writes show as "append <count>".
    std::vector<std::string> events;
};

class HookedHandle final : public FileHandle {
public:
    HookedHandle(std::unique_ptr<FileHandle> inner, FileOpenMode mode, FileHooks& hooks)
        : inner_(std::move(inner)), appending_(mode == FileOpenMode::ReadAppend), hooks_(hooks) {}

    std::int64_t Read(void* buffer, std::size_t count) override {
        if (++hooks_.reads == hooks_.failingRead) {
            lastError_ = EIO;
            return -1;
        }
        hooks_.events.push_back("read " + std::to_string(position_) + "+" + std::to_string(count));
        hooks_.largestRead = std::max(hooks_.largestRead, count);
        hooks_.readsAscend = hooks_.readsAscend && position_ > hooks_.lastReadAt;
        hooks_.lastReadAt = position_;
        const std::int64_t got = inner_->Read(buffer, count);
        position_ += got > 0 ? got : 0;
        return got;
    }
    bool Write(const void* buffer, std::size_t count) override {
        if (hooks_.writeError != 0) {
            lastError_ = hooks_.writeError;
            return false;
        }
        hooks_.events.push_back(appending_ ? "append " + std::to_string(count)
                                           : "write " + std::to_string(position_) + "+" + std::to_string(count));
        position_ += static_cast<std::int64_t>(count);
        return inner_->Write(buffer, count);
    }
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override {
        const std::int64_t position = inner_->Seek(offset, origin);
        position_ = position;
        return position;
    }
    std::int64_t GetLength() override {
        const std::int64_t length = inner_->GetLength();
        if (appending_ && length == 0 && hooks_.afterFirstEmptyLength) {
            const std::function<void()> interruption = std::move(hooks_.afterFirstEmptyLength);
            hooks_.afterFirstEmptyLength = nullptr;
            interruption();
        }
        return length;
    }
    bool SetLength(std::int64_t length) override {
        hooks_.events.push_back("cut " + std::to_string(length));
        return inner_->SetLength(length);
    }
    bool Close() override { return inner_->Close(); }
    [[nodiscard]] int LastError() const override { return lastError_ != 0 ? lastError_ : inner_->LastError(); }

private:
    std::unique_ptr<FileHandle> inner_;
    bool appending_;
    FileHooks& hooks_;
    std::int64_t position_ = 0;
    int lastError_ = 0;
};

class HookedFiles final : public PlatformWrapper {
public:
    using PlatformWrapper::PlatformWrapper;
    std::unique_ptr<FileHandle> OpenFile(const char* path, FileOpenMode mode) override {
        hooks.openedPaths.emplace_back(path);
        std::unique_ptr<FileHandle> inner = PlatformWrapper::OpenFile(path, mode);
        if (!inner) {
            return nullptr;
        }
        return std::make_unique<HookedHandle>(std::move(inner), mode, hooks);
    }
    FileHooks hooks;
};

class LogFile : public CaptureWorld {
protected:
    void MakeLogFolder() { MakeHostFolders(Host("C:\\Sorvenna\\LOG")); }
    std::string LogContent() { return ReadHostFile(Host(LogPath)); }
    static void UseContext(CLogFile& log) { log.SetLogContext(LogPath, "Spool", "LoadSpoolFile"); }
};

TEST_F(LogFile, ThePathNamesTheDayAndOnlyTheLastFolderIsMade) {
    EXPECT_EQ(MakeLogFilePath(), LogPath);
    EXPECT_FALSE(HostFileExists(Host("C:\\Sorvenna"))) << "without the root folder the log folder cannot be made";

    MakeHostFolders(Host("C:\\Sorvenna"));
    EXPECT_EQ(MakeLogFilePath(), LogPath);
    EXPECT_TRUE(HostFileExists(Host("C:\\Sorvenna\\LOG")));
    EXPECT_FALSE(HostFileExists(Host(LogPath))) << "the path is only composed";
}

TEST_F(LogFile, ALineAtAFixedTimeHasExactlyTheseBytes) {
    MakeLogFolder();
    CLogFile log;
    UseContext(log);
    log.WriteLog("Selected : C:\\Windows\\System32\\spool\\PRINTERS\\00012.SPL");
    EXPECT_EQ(LogContent(), Header +
                                "01-15-2020\t14:03:27\tSpool\tLoadSpoolFile\t"
                                "Selected : C:\\Windows\\System32\\spool\\PRINTERS\\00012.SPL\r\n");
}

TEST_F(LogFile, TheHeaderGoesOnlyIntoAnEmptyFile) {
    const struct {
        const char* what;
        std::optional<std::string> before;  // none: no file
        std::string after;
    } cases[] = {
        {"new file", std::nullopt, Header + Line("one") + Line("two")},
        {"empty file", "", Header + Line("one") + Line("two")},
        {"file with content", "earlier\r\n", "earlier\r\n" + Line("one") + Line("two")},
        {"file without a header", "x", "x" + Line("one") + Line("two")},
    };
    MakeLogFolder();
    for (const auto& example : cases) {
        std::remove(Host(LogPath).c_str());
        if (example.before) {
            WriteHostFile(Host(LogPath), *example.before);
        }
        CLogFile log;
        UseContext(log);
        log.WriteLog("one");
        log.WriteLog("two");
        EXPECT_EQ(LogContent(), example.after) << example.what;
    }
}

TEST_F(LogFile, ADescriptionGoesInUnchangedTabsIncluded) {
    MakeLogFolder();
    CLogFile log;
    UseContext(log);
    log.WriteLog("a\tb");
    log.WriteLog("");
    log.WriteLog(nullptr);
    EXPECT_EQ(LogContent(), Header + Line("a\tb") + Line("") + Line(""));
}

TEST_F(LogFile, ALineAfterMidnightGoesIntoTheFileOfThePathsDay) {
    MakeLogFolder();
    platform.nowMilliseconds = 1579132799000;  // 15 January 2020, 23:59:59
    CLogFile log;
    log.SetLogContext(MakeLogFilePath().GetString(), "Spool", "LoadSpoolFile");
    platform.Sleep(1000);
    log.WriteLog("timeout");
    EXPECT_EQ(LogContent(), Header + Line("timeout", "Spool", "LoadSpoolFile", "01-16-2020\t00:00:00"));
    EXPECT_FALSE(HostFileExists(Host("C:\\Sorvenna\\LOG\\invoice-spool_20200116.log")));
}

TEST_F(LogFile, ThePathIsTakenWholeOrNotAtAll) {
    MakeLogFolder();
    const std::string longest(260, 'p');
    const struct {
        const char* what;
        std::string path;
        std::vector<std::string> opened;
    } cases[] = {
        {"no path", "", {}},
        {"260 characters", longest, {longest}},
        {"261 characters", longest + "p", {}},
    };
    for (const auto& example : cases) {
        HookedFiles files(platform);
        const ScopedPlatform installed(files);
        CLogFile log;
        UseContext(log);
        log.SetLogContext(example.path.c_str(), "Spool", "LoadSpoolFile");
        log.WriteLog("x");
        EXPECT_EQ(files.hooks.openedPaths, example.opened) << example.what;
    }
    EXPECT_FALSE(HostFileExists(Host(LogPath))) << "the earlier path is not kept either";
}

TEST_F(LogFile, NamesAreCutTo19BytesNeverInsideACharacter) {
    MakeLogFolder();
    const std::string eighteen(18, 'm');
    const struct {
        const char* what;
        std::string name;
        std::string field;
        bool japanese;
    } cases[] = {
        {"19 bytes fit", eighteen + "n", eighteen + "n", false},
        {"26 bytes", "ABCDEFGHIJKLMNOPQRSTUVWXYZ", "ABCDEFGHIJKLMNOPQRS", false},
        {"single-byte code page", eighteen + "\x95\x5C", eighteen + "\x95", false},
        {"double-byte character at the cut", eighteen + "\x95\x5C", eighteen, true},
        {"double-byte character that fits", "\x95\x5C" + std::string(17, 'm'), "\x95\x5C" + std::string(17, 'm'), true},
    };
    sorvenna::PosixPlatform& native = sorvenna::NativePosixPlatform();
    for (const auto& example : cases) {
        std::remove(Host(LogPath).c_str());
        native.SetCodePage(example.japanese ? sorvenna::AnsiCodePage::Japanese() : sorvenna::AnsiCodePage::Western());
        CLogFile log;
        log.SetLogContext(LogPath, example.name.c_str(), example.name.c_str());
        log.WriteLog("x");
        EXPECT_EQ(LogContent(), Header + Line("x", example.field, example.field)) << example.what;
    }
    native.SetCodePage(sorvenna::AnsiCodePage::Western());
}

TEST_F(LogFile, ALineThatCannotBeOpenedIsDroppedAndTheNextTriesAgain) {
    CLogFile log;
    UseContext(log);
    log.WriteLog("lost");
    EXPECT_FALSE(HostFileExists(Host(LogPath)));
    MakeLogFolder();
    log.WriteLog("kept");
    EXPECT_EQ(LogContent(), Header + Line("kept"));
}

TEST_F(LogFile, AFileErrorAfterTheOpenRaisesAndLeavesTheFileClosed) {
    MakeLogFolder();
    WriteHostFile(Host(LogPath), "earlier\r\n");
    HookedFiles files(platform);
    const ScopedPlatform installed(files);
    files.hooks.writeError = ENOSPC;
    CLogFile log;
    UseContext(log);
    try {
        log.WriteLog("lost");
        ADD_FAILURE() << "no file error";
    } catch (const CFileException& error) {
        EXPECT_EQ(error.OsError(), ENOSPC);
    }
    EXPECT_FALSE(log.IsOpen());
    files.hooks.writeError = 0;
    log.WriteLog("kept");
    EXPECT_EQ(LogContent(), "earlier\r\n" + Line("kept"));
}

TEST_F(LogFile, TwoAgentsThatBothFindTheFileEmptyLeaveOneHeader) {
    MakeLogFolder();
    HookedFiles files(platform);
    const ScopedPlatform installed(files);
    CLogFile first;
    CLogFile second;
    UseContext(first);
    UseContext(second);
    // The second agent writes its line after the first found the file empty.
    files.hooks.afterFirstEmptyLength = [&second] { second.WriteLog("second"); };
    first.WriteLog("first");
    EXPECT_EQ(LogContent(), Header + Line("second") + Line("first"));
}

std::string Description(int writer, int line) {
    // Lengths up to several pages, so that a line split in two writes would show.
    return "writer " + std::to_string(writer) + " line " + std::to_string(line) + " " +
           std::string(static_cast<std::size_t>((line * 977) % 9000), static_cast<char>('a' + writer));
}

TEST_F(LogFile, LinesOfSeveralProcessesAtOnceStayWhole) {
    constexpr int Writers = 4;
    constexpr int LinesEach = 150;
    MakeLogFolder();
    std::vector<pid_t> children;
    for (int writer = 0; writer < Writers; ++writer) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            int status = 0;
            try {
                CLogFile log;
                log.SetLogContext(LogPath, ("Writer" + std::to_string(writer)).c_str(), "Lines");
                for (int line = 0; line < LinesEach; ++line) {
                    log.WriteLog(Description(writer, line).c_str());
                }
            } catch (...) {
                status = 1;
            }
            _exit(status);
        }
        children.push_back(child);
    }
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    const std::string content = LogContent();
    ASSERT_EQ(content.substr(0, Header.size()), Header);
    std::vector<int> nextLine(Writers, 0);
    std::size_t at = Header.size();
    while (at < content.size()) {
        const std::size_t end = content.find("\r\n", at);
        ASSERT_NE(end, std::string::npos) << "a line without its end at offset " << at;
        const std::string line = content.substr(at, end - at);
        at = end + 2;
        // "01-15-2020", time, "Writer<n>", "Lines", description.
        const std::size_t module = line.find("\tWriter");
        ASSERT_NE(module, std::string::npos) << line.substr(0, 80);
        const int writer = line[module + 7] - '0';
        ASSERT_TRUE(writer >= 0 && writer < Writers) << line.substr(0, 80);
        const int number = nextLine[static_cast<std::size_t>(writer)]++;
        EXPECT_EQ(line + "\r\n", Line(Description(writer, number), "Writer" + std::to_string(writer), "Lines"))
            << "writer " << writer << ", line " << number;
    }
    EXPECT_EQ(nextLine, std::vector<int>(Writers, LinesEach));
}

// ----- the size cap -----------------------------------------------------------

// Bytes that show their offset: a shift or a cut in the wrong place shows.
std::string Pattern(std::size_t length) {
    std::string bytes(length, '\0');
    for (std::size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<char>(33 + i % 89);
    }
    return bytes;
}

ino_t InodeOf(const std::string& hostPath) {
    struct stat status {};
    return stat(hostPath.c_str(), &status) == 0 ? status.st_ino : 0;
}

// Five records of 140 bytes instead of 9,999,999; the kept bytes move 64 at a time.
constexpr LogCapGeometry SmallCap{140, 5, 64};

TEST_F(LogFile, TheCapActsAtExactlyItsRecordCount) {
    const struct {
        std::size_t length;
        bool capped;
    } cases[] = {
        {699, false},  // four records
        {700, true},   // five records, the shortest
        {839, true},   // five records, the longest: the last 139 bytes go
        {840, false},  // six records
    };
    MakeLogFolder();
    for (const auto& example : cases) {
        const std::string before = Pattern(example.length);
        WriteHostFile(Host(LogPath), before);
        const ino_t inode = InodeOf(Host(LogPath));
        CLogFile log(SmallCap);
        UseContext(log);
        log.WriteLog("new");
        const std::string expected =
            example.capped ? Header + before.substr(280, 420) + Line("new") : before + Line("new");
        EXPECT_EQ(LogContent(), expected) << example.length;
        EXPECT_EQ(InodeOf(Host(LogPath)), inode) << "the same file, not a replacement";
    }
}

TEST_F(LogFile, TheCapMovesAscendingInChunksWritesTheHeaderAndCutsLast) {
    MakeLogFolder();
    WriteHostFile(Host(LogPath), Pattern(700));
    HookedFiles files(platform);
    const ScopedPlatform installed(files);
    CLogFile log(SmallCap);
    UseContext(log);
    log.WriteLog("new");

    std::vector<std::string> expected;
    for (int moved = 0; moved < 420; moved += 64) {
        const std::string count = std::to_string(std::min(64, 420 - moved));
        expected.push_back("read " + std::to_string(280 + moved) + "+" + count);
        expected.push_back("write " + std::to_string(40 + moved) + "+" + count);
    }
    expected.emplace_back("write 0+40");
    expected.emplace_back("cut 460");
    expected.push_back("append " + std::to_string(Line("new").size()));
    EXPECT_EQ(files.hooks.events, expected);
}

TEST_F(LogFile, ACapThatCannotReadRaisesAndCutsNothing) {
    MakeLogFolder();
    const std::string before = Pattern(700);
    WriteHostFile(Host(LogPath), before);
    HookedFiles files(platform);
    const ScopedPlatform installed(files);
    files.hooks.failingRead = 3;
    CLogFile log(SmallCap);
    UseContext(log);
    EXPECT_THROW(log.WriteLog("lost"), CFileException);
    EXPECT_FALSE(log.IsOpen());
    // Two chunks moved; from there on the file is as it was, its newest text included.
    const std::string after = LogContent();
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(after.substr(40, 128), before.substr(280, 128));
    EXPECT_EQ(after.substr(168), before.substr(168));
}

// The real cap on files of the real sizes, sparse but for 1000 bytes at
// either end. Only the middle case moves its 1.4 GB.
TEST_F(LogFile, RealSizesAroundTheCap) {
    constexpr std::int64_t Kept = 1'399'999'860;  // 9,999,999 records
    constexpr std::int64_t CappedLength = 1'399'999'620;
    const struct {
        std::int64_t length;
        bool capped;
    } cases[] = {
        {1'399'999'859, false},
        {1'399'999'999, true},
        {1'400'000'000, false},
    };
    MakeLogFolder();
    const std::string head = Pattern(1000);
    const std::string tail = Pattern(1089).substr(89);  // offset by a full period from head: a mix-up shows
    const std::string line = Line("new");
    for (const auto& example : cases) {
        const std::string host = Host(LogPath);
        {
            const int file = open(host.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            ASSERT_GE(file, 0);
            ASSERT_EQ(ftruncate(file, example.length), 0);
            ASSERT_EQ(pwrite(file, head.data(), head.size(), 0), 1000);
            ASSERT_EQ(pwrite(file, tail.data(), tail.size(), example.length - 1000), 1000);
            close(file);
        }
        HookedFiles files(platform);
        const ScopedPlatform installed(files);
        CLogFile log;
        UseContext(log);
        log.WriteLog("new");

        const auto readAt = [&host](std::int64_t offset, std::size_t count) {
            std::string bytes(count, '\0');
            const int file = open(host.c_str(), O_RDONLY | O_CLOEXEC);
            const ssize_t got = pread(file, bytes.data(), count, offset);
            close(file);
            bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
            return bytes;
        };
        struct stat status {};
        ASSERT_EQ(stat(host.c_str(), &status), 0);
        if (example.capped) {
            EXPECT_EQ(status.st_size, CappedLength + static_cast<std::int64_t>(line.size()));
            EXPECT_EQ(readAt(0, 40), Header);
            EXPECT_EQ(readAt(40, 720), head.substr(280));
            // The newest kept bytes sit 240 bytes earlier; the last 139 are gone.
            const std::int64_t keptOfTail = Kept - (example.length - 1000);
            EXPECT_EQ(readAt(CappedLength - keptOfTail, static_cast<std::size_t>(keptOfTail)),
                      tail.substr(0, static_cast<std::size_t>(keptOfTail)));
            EXPECT_EQ(readAt(CappedLength, line.size() + 1), line);
            EXPECT_LE(files.hooks.largestRead, std::size_t{1} << 20U);
            EXPECT_TRUE(files.hooks.readsAscend);
        } else {
            EXPECT_EQ(status.st_size, example.length + static_cast<std::int64_t>(line.size()));
            EXPECT_EQ(readAt(0, 1000), head);
            EXPECT_EQ(readAt(example.length - 1000, 1000 + line.size() + 1), tail + line);
            EXPECT_EQ(files.hooks.reads, 0) << "nothing moved";
        }
    }
}

TEST(LogCapGeometry, ACapThatCouldNotMoveInPlaceIsRefused) {
    EXPECT_THROW(CLogFile(LogCapGeometry{19, 5, 64}), CInvalidArgException);
    EXPECT_THROW(CLogFile(LogCapGeometry{140, 1, 64}), CInvalidArgException);
    EXPECT_THROW(CLogFile(LogCapGeometry{140, 5, 0}), CInvalidArgException);
    EXPECT_NO_THROW(CLogFile(LogCapGeometry{20, 5, 1}));
}

}  // namespace
