// Several agents at once, each a process of its own: the day's log that
// every agent appends to, and the request file of one owner whose jobs
// several agents capture at the same moment.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/main-dialog.h"
#include "diag/log-file.h"
#include "tests/support/capture-world.h"
#include "tests/support/fake-spooler.h"

namespace {

using sorvenna::ScopedPlatform;
using sorvenna::testing::CaptureWorld;
using sorvenna::testing::FakeSpooler;
using sorvenna::testing::MakeHostFolders;
using sorvenna::testing::ProcessExit;
using sorvenna::testing::ReadHostFile;

constexpr const char* LogPath = "C:\\Sorvenna\\LOG\\invoice-spool_20200115.log";
const std::string Header = "DATE\tTIME\tMODULE\tPROCEDURE\tDESCRIPTION\r\n";

// Runs body in each of count child processes, all let go at the same
// moment; true when every child ended with code 0.
bool RunTogether(int count, const std::function<void(int child)>& body) {
    std::array<int, 2> gate{};
    if (pipe(gate.data()) != 0) {
        return false;
    }
    std::vector<pid_t> children;
    for (int index = 0; index < count; ++index) {
        const pid_t child = fork();
        if (child == 0) {
            close(gate[1]);
            char ignored = 0;
            // Blocks until the parent closes its end.
            const ssize_t opened = read(gate[0], &ignored, 1);
            static_cast<void>(opened);
            int code = 0;
            try {
                body(index);
            } catch (...) {
                code = 1;
            }
            _exit(code);
        }
        if (child < 0) {
            break;
        }
        children.push_back(child);
    }
    close(gate[0]);
    close(gate[1]);
    bool allPassed = static_cast<int>(children.size()) == count;
    for (const pid_t child : children) {
        int status = 0;
        allPassed = waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0 && allPassed;
    }
    return allPassed;
}

// ----- the day's log -------------------------------------------------------------

constexpr int LogWriters = 8;
constexpr int LinesEach = 2000;

// Lengths from none to several pages, so that a line written in pieces would show.
std::string Description(int writer, int line) {
    return "writer " + std::to_string(writer) + " line " + std::to_string(line) + " " +
           std::string(static_cast<std::size_t>((line * 7919 + writer * 131) % 6000), static_cast<char>('a' + writer));
}

class SharedLog : public CaptureWorld {};

TEST_F(SharedLog, EightAgentsAppendingTwoThousandLinesEachLoseAndTearNone) {
    MakeHostFolders(Host("C:\\Sorvenna\\LOG"));
    ASSERT_TRUE(RunTogether(LogWriters, [](int writer) {
        CLogFile log;
        log.SetLogContext(LogPath, ("Writer" + std::to_string(writer)).c_str(), "Lines");
        for (int line = 0; line < LinesEach; ++line) {
            log.WriteLog(Description(writer, line).c_str());
        }
    }));

    const std::string content = ReadHostFile(Host(LogPath));
    ASSERT_EQ(content.compare(0, Header.size(), Header), 0) << "one header, first";
    std::vector<int> nextLine(LogWriters, 0);
    int torn = 0;
    for (std::size_t at = Header.size(); at < content.size();) {
        const std::size_t end = content.find("\r\n", at);
        ASSERT_NE(end, std::string::npos) << "a line without its end at offset " << at;
        const std::string line = content.substr(at, end - at);
        at = end + 2;
        const std::size_t module = line.find("\tWriter");
        const int writer = module == std::string::npos ? -1 : line[module + 7] - '0';
        if (writer < 0 || writer >= LogWriters) {
            ++torn;
            continue;
        }
        // Each agent's lines keep their order, so the next one is known.
        const int number = nextLine[static_cast<std::size_t>(writer)]++;
        const std::string expected =
            "01-15-2020\t14:03:27\tWriter" + std::to_string(writer) + "\tLines\t" + Description(writer, number);
        if (line != expected) {
            ++torn;
        }
    }
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(nextLine, std::vector<int>(LogWriters, LinesEach));
}

// ----- one owner's request file ----------------------------------------------------

constexpr int Agents = 4;
constexpr int RunsEach = 8;
constexpr const char* Request = "C:\\Sorvenna\\user1\\user1.txt";

// Names of up to 255 bytes, framed by "<" and ">" so that the request file
// splits back into them: a name torn by another agent's write would not.
std::string DocumentName(int agent, int run) {
    const std::string head = "<agent " + std::to_string(agent) + " run " + std::to_string(run) + " ";
    const std::size_t length = 20 + static_cast<std::size_t>((agent * 61 + run * 97) % 236);  // 20 to 255
    return head + std::string(length - head.size() - 1, static_cast<char>('a' + agent)) + ">";
}

class SharedRequest : public CaptureWorld {};

TEST_F(SharedRequest, FourAgentsOfOneOwnerAppendWholeNames) {
    platform.modulePath = "C:\\App\\Xtra\\Prerequisite\\rodo\\vivaz\\bin\\Sorvenna.exe";
    MakeHostFolders(Host("C:\\App\\Xtra"));
    ASSERT_TRUE(RunTogether(Agents, [this](int agent) {
        for (int run = 0; run < RunsEach; ++run) {
            sorvenna::testing::ResetProcessObjects();
            FakeSpooler spooler(platform);
            spooler.jobs = {{static_cast<std::uint32_t>(12 + run), "user1", DocumentName(agent, run), 0x10}};
            const ScopedPlatform installed(spooler);
            CPrint2TollmereDlg dialog;
            try {
                dialog.OnInitDialog();
            } catch (const ProcessExit& exit) {
                if (exit.status != 0) {
                    throw;
                }
                continue;  // no consumer: the wait timed out in virtual time
            }
            throw std::runtime_error("the capture sequence returned");
        }
    }));

    const std::string content = ReadHostFile(Host(Request));
    std::map<std::string, int> seen;
    for (std::size_t at = 0; at < content.size();) {
        const std::size_t end = content.find('>', at);
        ASSERT_NE(end, std::string::npos) << "a name without its end: " << content.substr(at, 80);
        ++seen[content.substr(at, end + 1 - at)];
        at = end + 1;
    }
    std::map<std::string, int> expected;
    for (int agent = 0; agent < Agents; ++agent) {
        for (int run = 0; run < RunsEach; ++run) {
            ASSERT_LE(DocumentName(agent, run).size(), 255U);
            expected[DocumentName(agent, run)] = 1;
        }
    }
    EXPECT_EQ(seen, expected);
}

}  // namespace
