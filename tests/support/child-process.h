#pragma once

#include <functional>
#include <string>

namespace sorvenna::testing {

// How a child process ended, what it wrote to standard error, and what it
// reported to its parent.
struct ChildOutcome {
    bool exited = false;  // false: killed by a signal
    int exitCode = -1;    // the exit code, or the signal's number when killed
    std::string standardError;
    std::string report;
};

// Runs body in a forked child process, whose exit code is body's result;
// an exception that escapes body ends the child with code 99. Standard
// error goes to a pipe, so that it needs no room on disk.
ChildOutcome RunInChildProcess(const std::function<int()>& body);

// Inside a child: adds text to what the parent finds in ChildOutcome::report.
void ReportToParent(const std::string& text);

// Inside a child: the limit on the size of the files it writes
// (RLIMIT_FSIZE), with SIGXFSZ ignored, so that a write beyond it fails
// with EFBIG as on a full disk.
void LimitFileSize(unsigned long long bytes);

// Inside a child: gives up root's rights for those of the account "nobody"
// (65534), so that permissions apply. Nothing happens when the process is
// not root.
void DropPrivileges();

}  // namespace sorvenna::testing
