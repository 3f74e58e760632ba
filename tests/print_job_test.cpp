// One print job from start-up to exit: in-process with a scripted queue,
// and the shipped agent as a process of its own.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "common/job-context.h"
#include "tests/support/capture-world.h"
#include "tests/support/fake-spooler.h"
#include "tests/support/log-lines.h"

extern char** environ;  // NOLINT(readability-redundant-declaration): for the child's environment

namespace {

using sorvenna::ScopedPlatform;
using sorvenna::testing::CaptureWorld;
using sorvenna::testing::FakeSpooler;
using sorvenna::testing::HostFileExists;
using sorvenna::testing::LogDescriptions;
using sorvenna::testing::MakeHostFolders;
using sorvenna::testing::ReadHostFile;
using sorvenna::testing::TempPrefix;
using sorvenna::testing::WriteHostFile;

constexpr const char* SpoolFolder = "C:\\Windows\\System32\\spool\\PRINTERS\\";

class PrintJob : public CaptureWorld {
protected:
    FakeSpooler spooler{platform};

private:
    ScopedPlatform installed_{spooler};
};

TEST_F(PrintJob, TheConsumerFindsTheRequestAndTheSpoolCopy) {
    platform.modulePath = "C:\\App\\Xtra\\Prerequisite\\rodo\\vivaz\\bin\\Sorvenna.exe";
    MakeHostFolders(Host("C:\\App\\Xtra\\Prerequisite\\rodo\\vivaz\\bin"));
    WriteHostFile(Host("C:\\App\\Settings.ini"), "[Settings]\r\nDEBUG=1\r\n");
    const std::string spoolFile = std::string(SpoolFolder) + "00012.SPL";
    const std::string printData("\x1b%-12345X@PJL\r\n\0\xff job 12", 23);
    WriteHostFile(Host(spoolFile), printData);
    spooler.jobs = {{11, "user2", "Letter", 0x8}, {12, "user1", "Invoice*12", 0x10}};

    const std::string request = Host("C:\\Sorvenna\\user1\\user1.txt");
    const std::string spoolCopy = Host("C:\\App\\Xtra\\Sorvenna.dat");
    std::string requestContent;
    std::string spoolCopyWhenTaken;
    platform.onSleep = [&](std::uint32_t /*milliseconds*/) {
        if (HostFileExists(request)) {
            requestContent = ReadHostFile(request);
            spoolCopyWhenTaken = ReadHostFile(spoolCopy);
            std::filesystem::remove(request);
        }
    };

    EXPECT_EQ(RunApplication(), 0);

    EXPECT_EQ(requestContent, "Invoice12");
    EXPECT_TRUE(spoolCopyWhenTaken == printData) << "the copy is complete before the request";
    EXPECT_TRUE(ReadHostFile(spoolCopy) == printData);
    EXPECT_TRUE(spooler.openHandles.empty());
    EXPECT_EQ(LogDescriptions(Host("C:\\Sorvenna\\LOG\\invoice-spool_20200115.log")),
              (std::vector<std::string>{"JobID : " + spoolFile, "Selected : " + spoolFile}));
}

// The child's request file, when no printer tells it an owner.
constexpr const char* EmptyOwnerRequest = "C:\\Sorvenna\\\\.txt";

TEST(ShippedAgent, WithoutAPrinterReportsTheSearchAndCopiesNothing) {
    const TempPrefix prefix;
    // Outside any Xtra sub-path: the settings file lies beside the agent.
    const std::filesystem::path agentFolder = std::filesystem::path(prefix.Folder()) / "agent";
    std::filesystem::create_directories(agentFolder);
    const std::filesystem::path agent = agentFolder / "Sorvenna";
    std::filesystem::copy_file(SORVENNA_AGENT_PATH, agent);
    WriteHostFile((agentFolder / "Settings.ini").string(), "[Settings]\r\nDEBUG=1\r\n");
    // No printer opens (the prefix's print server is not there), yet the spool folder holds files.
    for (const char* spoolFile : {"00003.SPL", "00004.SPL"}) {
        WriteHostFile(prefix.Host(std::string(SpoolFolder) + spoolFile), spoolFile);
    }

    const std::string agentPath = agent.string();
    std::vector<char> program(agentPath.begin(), agentPath.end());
    program.push_back('\0');
    char* const arguments[] = {program.data(), nullptr};
    pid_t child = 0;
    ASSERT_EQ(posix_spawn(&child, agentPath.c_str(), nullptr, nullptr, arguments, environ), 0);

    // Plays the consumer: takes the request once it is there.
    const std::string request = prefix.Host(EmptyOwnerRequest);
    int status = 0;
    bool ended = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!ended && std::chrono::steady_clock::now() < deadline) {
        if (HostFileExists(request)) {
            std::filesystem::remove(request);
        }
        ended = waitpid(child, &status, WNOHANG) == child;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!ended) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        FAIL() << "the agent did not end";
    }
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    std::vector<std::string> descriptions;
    for (const auto& entry : std::filesystem::directory_iterator(prefix.Host("C:\\Sorvenna\\LOG"))) {
        const std::vector<std::string> lines = LogDescriptions(entry.path().string());
        descriptions.insert(descriptions.end(), lines.begin(), lines.end());
    }
    ASSERT_FALSE(descriptions.empty());
    EXPECT_EQ(descriptions.back(), "Selected : ") << "the empty path was handed to the copy";
    EXPECT_EQ(descriptions.front().rfind("new selection ", 0), 0U) << descriptions.front();
    for (const std::string& description : descriptions) {
        EXPECT_NE(description.rfind("JobID : ", 0), 0U) << "no job, no job line";
    }
    std::vector<std::string> besideTheAgent;
    for (const auto& entry : std::filesystem::directory_iterator(agentFolder)) {
        besideTheAgent.push_back(entry.path().filename().string());
    }
    std::sort(besideTheAgent.begin(), besideTheAgent.end());
    EXPECT_EQ(besideTheAgent, (std::vector<std::string>{"Settings.ini", "Sorvenna"})) << "no spool copy";
}

}  // namespace
