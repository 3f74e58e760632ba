// The capture sequence in virtual time: folders, settings path, the request
// file, the wait for the consumer and the exit.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/capture-world.h"

namespace {

using sorvenna::testing::CaptureWorld;
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

}  // namespace
