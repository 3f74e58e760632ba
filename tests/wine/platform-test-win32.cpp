// The Windows platform layer and the framework classes on top of it, on the
// real Win32 calls: built with the cross compiler and run under Wine.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "common/framework/exceptions.h"
#include "common/framework/file-find.h"
#include "common/framework/file.h"
#include "common/win32/win32-platform.h"
#include "common/win32/windows-api.h"
#include "diag/ini.h"
#include "diag/log-file.h"

namespace {

using sorvenna::FileHandle;
using sorvenna::FileOpenMode;
using sorvenna::NativePlatform;
using sorvenna::Platform;
using sorvenna::SeekOrigin;

// A fresh folder below the system's temporary folder, removed with all it holds.
class TempFolder {
public:
    TempFolder() {
        std::array<char, MAX_PATH> base{};
        ::GetTempPathA(static_cast<DWORD>(base.size()), base.data());
        for (unsigned attempt = ::GetCurrentProcessId();; ++attempt) {
            path_ = std::string(base.data()) + "sorvenna-test-" + std::to_string(attempt);
            if (::CreateDirectoryA(path_.c_str(), nullptr) != FALSE) {
                break;
            }
        }
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() { Remove(path_); }

    [[nodiscard]] std::string Path(const std::string& name) const { return path_ + "\\" + name; }

private:
    static void Remove(const std::string& folder) {
        WIN32_FIND_DATAA entry{};
        HANDLE search = ::FindFirstFileA((folder + "\\*").c_str(), &entry);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::string name = entry.cFileName;
                if (name == "." || name == "..") {
                    continue;
                }
                const std::string path = folder + "\\" + name;
                if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                    Remove(path);
                } else {
                    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                    ::DeleteFileA(path.c_str());
                }
            } while (::FindNextFileA(search, &entry) != FALSE);
            ::FindClose(search);
        }
        ::RemoveDirectoryA(folder.c_str());
    }

    std::string path_;
};

std::string ReadWhole(const std::string& path) {
    std::string content;
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return "<missing>";
    }
    std::array<char, 4096> chunk{};
    DWORD got = 0;
    while (::ReadFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr) != FALSE && got > 0) {
        content.append(chunk.data(), got);
    }
    ::CloseHandle(file);
    return content;
}

void WriteWhole(const std::string& path, const std::string& content) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    ::WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    ::CloseHandle(file);
}

bool Write(FileHandle& file, const std::string& text) { return file.Write(text.data(), text.size()); }

class Win32PlatformTest : public ::testing::Test {
protected:
    Platform& platform = NativePlatform();
    TempFolder folder;
};

TEST_F(Win32PlatformTest, ExistenceTestSeesFilesAndFoldersAlike) {
    WriteWhole(folder.Path("present.txt"), "x");
    EXPECT_EQ(platform._access(folder.Path("present.txt").c_str(), 0), 0);
    EXPECT_EQ(platform._access(folder.Path("").c_str(), 0), 0);
    EXPECT_EQ(platform._access(folder.Path("absent.txt").c_str(), 0), -1);
    EXPECT_EQ(platform._access(folder.Path("absent\\deeper").c_str(), 0), -1);
    EXPECT_EQ(platform._access(nullptr, 0), -1);
}

TEST_F(Win32PlatformTest, CreateDirectoryMakesOnlyTheLastLevel) {
    EXPECT_TRUE(platform.CreateDirectoryA(folder.Path("one").c_str(), nullptr));
    EXPECT_FALSE(platform.CreateDirectoryA(folder.Path("one").c_str(), nullptr));  // already there
    EXPECT_FALSE(platform.CreateDirectoryA(folder.Path("missing\\two").c_str(), nullptr));
    EXPECT_EQ(platform._access(folder.Path("missing").c_str(), 0), -1);
}

TEST_F(Win32PlatformTest, CopyReplacesTheTargetUnlessAskedNotTo) {
    WriteWhole(folder.Path("source"), std::string("spool\0data", 10));
    WriteWhole(folder.Path("target"), "old and longer");
    EXPECT_FALSE(platform.CopyFileA(folder.Path("source").c_str(), folder.Path("target").c_str(), true));
    EXPECT_EQ(ReadWhole(folder.Path("target")), "old and longer");
    EXPECT_TRUE(platform.CopyFileA(folder.Path("source").c_str(), folder.Path("target").c_str(), false));
    EXPECT_EQ(ReadWhole(folder.Path("target")), std::string("spool\0data", 10));
    EXPECT_FALSE(platform.CopyFileA(folder.Path("absent").c_str(), folder.Path("target").c_str(), false));
    EXPECT_EQ(ReadWhole(folder.Path("target")), std::string("spool\0data", 10));
}

TEST_F(Win32PlatformTest, DeleteRemovesAFileAndFailsOnAMissingOne) {
    WriteWhole(folder.Path("copy.dat"), "x");
    EXPECT_TRUE(platform.DeleteFileA(folder.Path("copy.dat").c_str()));
    EXPECT_EQ(platform._access(folder.Path("copy.dat").c_str(), 0), -1);
    EXPECT_FALSE(platform.DeleteFileA(folder.Path("copy.dat").c_str()));
}

TEST_F(Win32PlatformTest, OpeningCreatesAMissingFileAndKeepsAnExistingOne) {
    {
        const auto created = platform.OpenFile(folder.Path("new.log").c_str(), FileOpenMode::ReadWrite);
        ASSERT_TRUE(created);
        EXPECT_EQ(created->GetLength(), 0);
    }
    WriteWhole(folder.Path("old.log"), "kept");
    const auto opened = platform.OpenFile(folder.Path("old.log").c_str(), FileOpenMode::ReadWrite);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->GetLength(), 4);
    std::array<char, 8> text{};
    EXPECT_EQ(opened->Read(text.data(), text.size()), 4);
    EXPECT_STREQ(text.data(), "kept");
    EXPECT_EQ(opened->Read(text.data(), text.size()), 0);  // the end
}

TEST_F(Win32PlatformTest, OpeningAFolderOrAPathWithoutParentFails) {
    EXPECT_FALSE(platform.OpenFile(folder.Path("").c_str(), FileOpenMode::ReadWrite));
    EXPECT_FALSE(platform.OpenFile(folder.Path("absent\\file.txt").c_str(), FileOpenMode::ReadAppend));
    EXPECT_FALSE(platform.OpenFile(nullptr, FileOpenMode::ReadWrite));
}

TEST_F(Win32PlatformTest, OpenFilesAreSharedForReadingWritingAndDeleting) {
    const auto first = platform.OpenFile(folder.Path("shared.log").c_str(), FileOpenMode::ReadWrite);
    const auto second = platform.OpenFile(folder.Path("shared.log").c_str(), FileOpenMode::ReadAppend);
    ASSERT_TRUE(first);
    ASSERT_TRUE(second);
    EXPECT_TRUE(Write(*first, "one"));
    EXPECT_TRUE(Write(*second, "two"));
    EXPECT_EQ(ReadWhole(folder.Path("shared.log")), "onetwo");
    EXPECT_TRUE(platform.DeleteFileA(folder.Path("shared.log").c_str()));
}

TEST_F(Win32PlatformTest, AppendingWritesLandAtTheEndWhereverThePosition) {
    WriteWhole(folder.Path("request.txt"), "Invoice");
    const auto file = platform.OpenFile(folder.Path("request.txt").c_str(), FileOpenMode::ReadAppend);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->Seek(0, SeekOrigin::Begin), 0);
    EXPECT_TRUE(Write(*file, "12"));
    EXPECT_TRUE(Write(*file, "\n"));  // bytes as given: no line-end translation
    EXPECT_EQ(ReadWhole(folder.Path("request.txt")), "Invoice12\n");
}

TEST_F(Win32PlatformTest, SeekLengthAndCuttingKeepThePosition) {
    const auto file = platform.OpenFile(folder.Path("cut.log").c_str(), FileOpenMode::ReadWrite);
    ASSERT_TRUE(file);
    EXPECT_TRUE(Write(*file, "0123456789"));
    EXPECT_EQ(file->Seek(0, SeekOrigin::End), 10);
    EXPECT_EQ(file->Seek(4, SeekOrigin::Begin), 4);
    EXPECT_TRUE(file->SetLength(2));
    EXPECT_EQ(file->GetLength(), 2);
    EXPECT_EQ(file->Seek(0, SeekOrigin::End), 2);
    EXPECT_EQ(file->Seek(-1, SeekOrigin::Begin), -1);
    EXPECT_NE(file->LastError(), 0);
    EXPECT_TRUE(file->Close());
    EXPECT_TRUE(file->Close());  // closing again does nothing
    EXPECT_EQ(ReadWhole(folder.Path("cut.log")), "01");
}

TEST_F(Win32PlatformTest, SearchMatchesWithoutRegardToCaseAndGivesCreationTimes) {
    WriteWhole(folder.Path("00012.SPL"), "a");
    WriteWhole(folder.Path("00013.spl"), "b");
    WriteWhole(folder.Path("00014.SHD"), "c");
    ASSERT_TRUE(platform.CreateDirectoryA(folder.Path("sub.SPL").c_str(), nullptr));
    // 15 January 2020, 14:03:27 UTC as both creation and last-write time
    // (Wine reports the last write as the creation time).
    constexpr std::int64_t Moment = 1579097007;
    ULARGE_INTEGER ticks{};
    ticks.QuadPart = static_cast<ULONGLONG>(Moment + 11644473600LL) * 10000000ULL;
    const FILETIME stamp{ticks.LowPart, ticks.HighPart};
    HANDLE stamped = ::CreateFileA(folder.Path("00012.SPL").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(stamped, INVALID_HANDLE_VALUE);
    ::SetFileTime(stamped, &stamp, &stamp, &stamp);
    ::CloseHandle(stamped);

    const auto search = platform.StartFileSearch(folder.Path("*.SPL").c_str());
    ASSERT_TRUE(search);
    std::vector<std::string> names;
    sorvenna::DirectoryEntry entry;
    while (search->Next(entry)) {
        names.push_back(entry.name + (entry.isDirectory ? "/" : ""));
        if (entry.name == "00012.SPL") {
            // Through local time and back, as the framework converts; the
            // current bias of the time zone may differ by an hour from the
            // one of that day.
            EXPECT_NEAR(static_cast<double>(entry.creationTime), static_cast<double>(Moment), 3600.0);
        }
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"00012.SPL", "00013.spl", "sub.SPL/"}));
    EXPECT_FALSE(search->Next(entry));
}

TEST_F(Win32PlatformTest, SearchOfAReadableFolderWithoutMatchIsEmptyAndOfAMissingFolderFails) {
    const auto empty = platform.StartFileSearch(folder.Path("*.SPL").c_str());
    ASSERT_TRUE(empty);
    sorvenna::DirectoryEntry entry;
    EXPECT_FALSE(empty->Next(entry));
    EXPECT_FALSE(platform.StartFileSearch(folder.Path("absent\\*.SPL").c_str()));
}

TEST_F(Win32PlatformTest, FileFindVisitsTheLastEntryWithAFalseAnswer) {
    WriteWhole(folder.Path("only.SPL"), "x");
    CFileFind finder;
    ASSERT_TRUE(finder.FindFile(folder.Path("*.SPL").c_str()));
    EXPECT_FALSE(finder.FindNextFile());
    EXPECT_STREQ(finder.GetFileName().GetString(), "only.SPL");
    EXPECT_STREQ(finder.GetFilePath().GetString(), folder.Path("only.SPL").c_str());
    EXPECT_FALSE(finder.MatchesMask(CFileFind::AttributeDirectory));
    finder.Close();
    EXPECT_FALSE(finder.FindFile(folder.Path("*.none").c_str()));
}

TEST_F(Win32PlatformTest, ModulePathAndWindowsFolderFollowTheSystemsRules) {
    std::array<char, MAX_PATH> path{};
    const std::uint32_t length = platform.GetModuleFileNameA(nullptr, path.data(), MAX_PATH);
    ASSERT_GT(length, 0U);
    const std::string module(path.data(), length);
    EXPECT_EQ(module.substr(module.rfind('\\') + 1), "sorvenna_platform_tests.exe");
    // A buffer too small: the path cut short and the buffer's size. (Whether
    // its last byte becomes a NUL differs between system versions.)
    std::array<char, 16> small{};
    EXPECT_EQ(platform.GetModuleFileNameA(nullptr, small.data(), 8), 8U);
    EXPECT_EQ(std::string(small.data(), 7), module.substr(0, 7));

    std::array<char, 255> windows{};
    const std::uint32_t windowsLength = platform.GetWindowsDirectoryA(windows.data(), 255);
    ASSERT_GT(windowsLength, 3U);
    EXPECT_EQ(std::strlen(windows.data()), windowsLength);
    EXPECT_NE(windows[windowsLength - 1], '\\');
    EXPECT_GT(platform.GetWindowsDirectoryA(windows.data(), 2), 2U);  // the size needed
}

TEST_F(Win32PlatformTest, ClockAndLocalTime) {
    std::int64_t stored = 0;
    const std::int64_t now = platform._time64(&stored);
    EXPECT_EQ(now, stored);
    EXPECT_GT(now, 1577836800);  // after 2020 began
    std::tm local{};
    ASSERT_TRUE(platform.LocalTime(1579097007, local));
    EXPECT_EQ(local.tm_year, 120);
    EXPECT_EQ(local.tm_mon, 0);
    EXPECT_FALSE(platform.LocalTime(-1, local));
}

TEST_F(Win32PlatformTest, CodePageCallsFollowTheSystemsAnsiCodePage) {
    std::array<unsigned char, 2> letter{'A', 0};
    platform.LowerCharacter(letter.data(), 1);
    EXPECT_EQ(letter[0], 'a');
    EXPECT_FALSE(platform.IsLeadByte('A'));
    if (::GetACP() == 1252) {
        EXPECT_FALSE(platform.IsLeadByte(0x81));
        std::array<unsigned char, 2> umlaut{0xC4, 0};  // A with diaeresis
        platform.LowerCharacter(umlaut.data(), 1);
        EXPECT_EQ(umlaut[0], 0xE4);
    }
}

TEST_F(Win32PlatformTest, NoSuchPrinterOpens) {
    sorvenna::PrinterHandle printer = &printer;
    EXPECT_FALSE(platform.OpenPrinterA("Sorvenna test printer that is not installed", &printer, nullptr));
    EXPECT_EQ(printer, nullptr);
}

// The settings reader over the system's own profile reader.
TEST_F(Win32PlatformTest, DebugLevelComesFromTheSettingsFile) {
    struct Case {
        const char* content;
        const char* expected;
    };
    const std::string longValue(600, 'v');
    const std::string value511(511, 'w');
    const std::vector<Case> cases = {
        {"[Settings]\r\nDEBUG=2\r\n", "2"},
        {"[settings]\r\n debug = 1 \r\n", "1"},
        {"[Settings]\r\nDEBUG=\r\n", ""},
        {"[Other]\r\nDEBUG=2\r\n", "0"},
        {nullptr, "0"},
    };
    for (const Case& test : cases) {
        const std::string path = folder.Path("Settings.ini");
        ::DeleteFileA(path.c_str());
        if (test.content != nullptr) {
            WriteWhole(path, test.content);
        }
        CIni ini;
        ini.SetPath(path.c_str());
        EXPECT_STREQ(ini.GetDebugLevel().GetString(), test.expected) << (test.content ? test.content : "no file");
    }
    for (const std::string& value : {longValue, value511}) {
        WriteWhole(folder.Path("Settings.ini"), "[Settings]\r\nDEBUG=" + value + "\r\n");
        CIni ini;
        ini.SetPath(folder.Path("Settings.ini").c_str());
        EXPECT_EQ(std::string(ini.GetDebugLevel().GetString()), value);
    }
}

// The framework's file and the activity log over the system's files.
TEST_F(Win32PlatformTest, LogLinesGoToTheEndOfTheFileAfterOneHeader) {
    const std::string path = folder.Path("invoice-spool_20200115.log");
    CLogFile log;
    log.SetLogContext(path.c_str(), "Spool", "LoadSpoolFile");
    log.WriteLog("first");
    log.WriteLog("second\tline");
    const std::string content = ReadWhole(path);
    const std::string header = "DATE\tTIME\tMODULE\tPROCEDURE\tDESCRIPTION\r\n";
    ASSERT_EQ(content.compare(0, header.size(), header), 0) << content;
    EXPECT_EQ(content.find(header, 1), std::string::npos);
    EXPECT_NE(content.find("\tSpool\tLoadSpoolFile\tfirst\r\n"), std::string::npos) << content;
    EXPECT_GE(content.size(), header.size() + 2 * 40);
    EXPECT_EQ(content.substr(content.size() - 13), "second\tline\r\n");
}

TEST_F(Win32PlatformTest, FrameworkFileRaisesOnceOpen) {
    CFile file;
    constexpr unsigned Flags = CFile::modeReadWrite | CFile::shareDenyNone | CFile::modeCreate | CFile::modeNoTruncate;
    EXPECT_FALSE(file.Open(folder.Path("absent\\x.log").c_str(), Flags));
    ASSERT_TRUE(file.Open(folder.Path("x.log").c_str(), Flags));
    file.Write("abcdef", 6);
    file.SetLength(3);
    EXPECT_EQ(file.GetLength(), 3U);
    EXPECT_EQ(file.SeekToEnd(), 3U);
    EXPECT_THROW(file.Seek(-10, CFile::begin), CFileException);
    file.Close();
    EXPECT_EQ(ReadWhole(folder.Path("x.log")), "abc");
}

}  // namespace
