// The capture sequence in virtual time: folders, settings path, the request
// file, the wait for the consumer and the exit.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/capture-world.h"
#include "tests/support/fake-spooler.h"

namespace {

using sorvenna::ScopedPlatform;
using sorvenna::testing::CaptureWorld;
using sorvenna::testing::FakeSpooler;
using sorvenna::testing::HostFileExists;
using sorvenna::testing::ReadHostFile;
using sorvenna::testing::WriteHostFile;

constexpr std::uint32_t Poll = 50;
constexpr std::uint32_t ClosingPause = 1000;
// The request file of a run without a printing job: ".txt" in the root folder.
constexpr const char* EmptyOwnerRequest = "C:\\Sorvenna\\\\.txt";

class CaptureSequence : public CaptureWorld {
protected:
    // Plays the consumer: takes the request once that many polls have passed.
    void ConsumerTakesAfterPolls(const std::string& windowsRequest, int polls) {
        const std::string hostRequest = Host(windowsRequest);
        platform.onSleep = [this, hostRequest, polls](std::uint32_t milliseconds) {
            if (milliseconds == Poll && ++pollsSeen_ == polls) {
                contentWhenTaken = ReadHostFile(hostRequest);
                std::remove(hostRequest.c_str());
            }
        };
    }

    // The last count pauses.
    [[nodiscard]] std::vector<std::uint32_t> LastPauses(std::size_t count) const {
        return {platform.pauses.end() - static_cast<std::ptrdiff_t>(count), platform.pauses.end()};
    }

    std::string contentWhenTaken;

private:
    int pollsSeen_ = 0;
};

TEST_F(CaptureSequence, WithoutAPrintingJobTheRequestIsAnEmptyFileInTheRootFolder) {
    ConsumerTakesAfterPolls(EmptyOwnerRequest, 3);

    EXPECT_EQ(RunCaptureSequence(), 0);

    EXPECT_TRUE(HostFileExists(Host("C:\\Sorvenna")));
    EXPECT_EQ(contentWhenTaken, "");
    EXPECT_FALSE(HostFileExists(Host(EmptyOwnerRequest)));
    // Four tests: three polls pass before the consumer acts, then one second more.
    EXPECT_EQ(platform.existenceTests[EmptyOwnerRequest], 4);
    EXPECT_EQ(LastPauses(4), (std::vector<std::uint32_t>{Poll, Poll, Poll, ClosingPause}));
}

TEST_F(CaptureSequence, ARequestTakenWithinTheFirstPollEndsAfterTheSecondTest) {
    ConsumerTakesAfterPolls(EmptyOwnerRequest, 1);
    EXPECT_EQ(RunCaptureSequence(), 0);
    EXPECT_EQ(platform.existenceTests[EmptyOwnerRequest], 2);
    EXPECT_EQ(LastPauses(2), (std::vector<std::uint32_t>{Poll, ClosingPause}));
}

TEST_F(CaptureSequence, GivesUpAfter5001TestsAndLeavesTheRequestInPlace) {
    EXPECT_EQ(RunCaptureSequence(), 0);

    EXPECT_EQ(platform.existenceTests[EmptyOwnerRequest], 5001);
    EXPECT_EQ(std::count(platform.pauses.begin(), platform.pauses.end(), Poll), 5001);
    EXPECT_EQ(platform.pauses.back(), Poll) << "no closing pause after a time-out";
    EXPECT_TRUE(HostFileExists(Host(EmptyOwnerRequest)));
}

TEST_F(CaptureSequence, ARequestThatCannotBeOpenedIsWaitedForLikeAnyOther) {
    // Not created at all: the first test finds no file.
    platform.unopenable.insert(EmptyOwnerRequest);
    EXPECT_EQ(RunCaptureSequence(), 0);
    EXPECT_EQ(platform.existenceTests[EmptyOwnerRequest], 1);
    EXPECT_EQ(platform.pauses.back(), ClosingPause);
    EXPECT_EQ(std::count(platform.pauses.begin(), platform.pauses.end(), Poll), 0);
}

TEST_F(CaptureSequence, AnEarlierRequestKeepsItsContent) {
    WriteHostFile(Host(EmptyOwnerRequest), "Invoice 11");
    ConsumerTakesAfterPolls(EmptyOwnerRequest, 2);
    EXPECT_EQ(RunCaptureSequence(), 0);
    EXPECT_EQ(contentWhenTaken, "Invoice 11");
}

TEST_F(CaptureSequence, ReadsTheSettingsFileOfTheInstallRoot) {
    const struct {
        const char* modulePath;
        const char* settingsPath;
    } cases[] = {
        {"C:\\App\\Xtra\\Prerequisite\\rodo\\vivaz\\bin\\Sorvenna.exe", "C:\\App\\Settings.ini"},
        {"C:\\App\\bin\\Sorvenna.exe", "C:\\App\\bin\\Settings.ini"},
        {"C:\\App\\xtra\\prerequisite\\rodo\\vivaz\\bin\\Sorvenna.exe",
         "C:\\App\\xtra\\prerequisite\\rodo\\vivaz\\bin\\Settings.ini"},
        {"C:\\A\\Xtra\\Prerequisite\\rodo\\vivaz\\bin\\Xtra\\Prerequisite\\rodo\\vivaz\\bin\\Sorvenna.exe",
         "C:\\A\\Settings.ini"},
    };
    for (const auto& example : cases) {
        platform.modulePath = example.modulePath;
        platform.profileFiles.clear();
        platform.unopenable.insert(EmptyOwnerRequest);  // end the wait at once
        EXPECT_EQ(RunCaptureSequence(), 0);
        ASSERT_FALSE(platform.profileFiles.empty());
        EXPECT_EQ(platform.profileFiles.front(), example.settingsPath) << example.modulePath;
    }
}

// A printing job of the owner's, served by a scripted queue.
class OwnersRequest : public CaptureSequence {
protected:
    void PrintingJob(const std::string& owner, const std::string& document) {
        spooler.jobs = {{12, owner, document, 0x10}};
    }

    FakeSpooler spooler{platform};

private:
    ScopedPlatform installed_{spooler};
};

TEST_F(OwnersRequest, HoldsTheDocumentNameWithoutStarsAndNoLineEnd) {
    PrintingJob("user1", "Invoice*12");
    ConsumerTakesAfterPolls("C:\\Sorvenna\\user1\\user1.txt", 1);
    EXPECT_EQ(RunCaptureSequence(), 0);
    EXPECT_EQ(contentWhenTaken, "Invoice12");
}

TEST_F(OwnersRequest, KeepsTheSpoolersBytesExactly) {
    // A line feed, a final Ctrl-Z and bytes that are no UTF-8 go through unchanged.
    const std::string document("a\nb\r\n\xff\xfe*\x1a", 9);
    PrintingJob("user1", document);
    WriteHostFile(Host("C:\\Sorvenna\\user1\\user1.txt"), std::string("old\x1a", 4));
    ConsumerTakesAfterPolls("C:\\Sorvenna\\user1\\user1.txt", 1);
    EXPECT_EQ(RunCaptureSequence(), 0);
    EXPECT_EQ(contentWhenTaken, std::string("old\x1a"
                                            "a\nb\r\n\xff\xfe\x1a",
                                            12));
}

TEST_F(OwnersRequest, IsAppendedToAnEarlierRequestOfTheSameOwner) {
    // Letter case does not matter: User1's folder is user1's.
    WriteHostFile(Host("C:\\Sorvenna\\user1\\user1.txt"), "Invoice 11");
    PrintingJob("User1", "Invoice 12");
    ConsumerTakesAfterPolls("C:\\Sorvenna\\User1\\User1.txt", 2);
    EXPECT_EQ(RunCaptureSequence(), 0);
    EXPECT_EQ(contentWhenTaken, "Invoice 11Invoice 12");
}

TEST_F(OwnersRequest, ANameThatLeadsOutOfTheRootFolderGetsNoRequest) {
    const std::string outside[] = {"..", ".", "a/b", "a\\b", "c:", "..\\..\\Windows", "../x"};
    for (const std::string& owner : outside) {
        sorvenna::testing::ResetProcessObjects();
        platform.pauses.clear();
        platform.existenceTests.clear();
        platform.profileFiles.clear();
        PrintingJob(owner, "Invoice 12");

        EXPECT_EQ(RunCaptureSequence(), 0) << owner;

        EXPECT_EQ(platform.pauses.back(), ClosingPause) << owner;
        EXPECT_EQ(std::count(platform.pauses.begin(), platform.pauses.end(), Poll), 0) << owner << ": no wait";
        EXPECT_FALSE(platform.profileFiles.empty()) << owner << ": the settings are still read";
        for (const auto& [path, count] : platform.existenceTests) {
            EXPECT_EQ(path.find(".txt"), std::string::npos) << owner << " tested " << path;
        }
    }
    // Nothing but the root folder and its log folder was made, inside or outside the root.
    std::vector<std::string> made;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(prefix.Folder())) {
        made.push_back(entry.path().string().substr(prefix.Folder().size()));
    }
    std::sort(made.begin(), made.end());
    EXPECT_EQ(made, (std::vector<std::string>{"/drive_c", "/drive_c/Sorvenna", "/drive_c/Sorvenna/LOG"}));
}

TEST_F(OwnersRequest, AnOwnerTooLongForAPathGetsNoRequestFile) {
    // Its paths fail as on Windows: no folder, no request, exit after the pause.
    PrintingJob(std::string(300, 'u'), "Invoice 12");
    EXPECT_EQ(RunCaptureSequence(), 0);
    EXPECT_EQ(platform.pauses.back(), ClosingPause);
    EXPECT_EQ(std::count(platform.pauses.begin(), platform.pauses.end(), Poll), 0);
    std::vector<std::string> made;
    for (const auto& entry : std::filesystem::directory_iterator(Host("C:\\Sorvenna"))) {
        made.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(made, std::vector<std::string>{"LOG"});
}

}  // namespace
