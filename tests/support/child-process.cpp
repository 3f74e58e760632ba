#include "tests/support/child-process.h"

#include <grp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <cstdio>
#include <stdexcept>

namespace sorvenna::testing {
namespace {

int reportDescriptor = -1;  // the child's end of the report pipe

// Reads both pipes until the child has closed them.
void ReadUntilClosed(int errorPipe, int reportPipe, ChildOutcome& outcome) {
    std::array<pollfd, 2> ends{{{errorPipe, POLLIN, 0}, {reportPipe, POLLIN, 0}}};
    std::array<std::string*, 2> into{&outcome.standardError, &outcome.report};
    int open = 2;
    std::array<char, 4096> buffer{};
    while (open > 0) {
        if (poll(ends.data(), ends.size(), -1) < 0) {
            continue;
        }
        for (std::size_t end = 0; end < ends.size(); ++end) {
            if (ends[end].fd < 0 || ends[end].revents == 0) {
                continue;
            }
            const ssize_t got = read(ends[end].fd, buffer.data(), buffer.size());
            if (got > 0) {
                into[end]->append(buffer.data(), static_cast<std::size_t>(got));
            } else {
                ends[end].fd = -1;
                --open;
            }
        }
    }
}

}  // namespace

ChildOutcome RunInChildProcess(const std::function<int()>& body) {
    std::array<int, 2> errorPipe{};
    std::array<int, 2> reportPipe{};
    if (pipe(errorPipe.data()) != 0 || pipe(reportPipe.data()) != 0) {
        throw std::runtime_error("cannot make a pipe");
    }
    std::fflush(nullptr);  // nothing buffered is written twice
    const pid_t child = fork();
    if (child < 0) {
        throw std::runtime_error("cannot fork");
    }
    if (child == 0) {
        close(errorPipe[0]);
        close(reportPipe[0]);
        dup2(errorPipe[1], STDERR_FILENO);
        close(errorPipe[1]);
        reportDescriptor = reportPipe[1];
        int code = 99;
        try {
            code = body();
        } catch (...) {
            code = 99;
        }
        std::fflush(stderr);
        _exit(code);
    }
    close(errorPipe[1]);
    close(reportPipe[1]);
    ChildOutcome outcome;
    ReadUntilClosed(errorPipe[0], reportPipe[0], outcome);
    close(errorPipe[0]);
    close(reportPipe[0]);
    int status = 0;
    if (waitpid(child, &status, 0) != child) {
        throw std::runtime_error("lost a child process");
    }
    outcome.exited = WIFEXITED(status);
    outcome.exitCode = outcome.exited ? WEXITSTATUS(status) : WTERMSIG(status);
    return outcome;
}

void ReportToParent(const std::string& text) {
    for (std::size_t sent = 0; reportDescriptor >= 0 && sent < text.size();) {
        const ssize_t step = write(reportDescriptor, text.data() + sent, text.size() - sent);
        if (step <= 0) {
            return;
        }
        sent += static_cast<std::size_t>(step);
    }
}

void LimitFileSize(unsigned long long bytes) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, bytes};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) {
        std::perror("setrlimit");
        _exit(98);
    }
}

void DropPrivileges() {
    if (geteuid() != 0) {
        return;
    }
    constexpr uid_t Nobody = 65534;
    if (setgroups(0, nullptr) != 0 || setgid(Nobody) != 0 || setuid(Nobody) != 0) {
        std::perror("dropping privileges");
        _exit(97);
    }
}

}  // namespace sorvenna::testing
