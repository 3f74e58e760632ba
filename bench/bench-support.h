#pragma once

// What the benchmarks share: a measured child process, medians, files of
// real bytes, and the one line each benchmark prints for bench/run-all.sh.

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/platform-wrapper.h"

namespace sorvenna::bench {

// Wall time of a child process from fork to its end, its CPU time and its
// peak resident memory.
struct Measure {
    double seconds = 0;
    double cpuSeconds = 0;
    long peakKiB = 0;
};

// Runs body in a child process (its exit code is body's result) and
// measures it; a child that fails ends the benchmark.
Measure InChild(const std::function<int()>& body);

// Runs a program with its arguments in a child process and measures it;
// its standard output goes to /dev/null.
Measure Program(const std::vector<std::string>& command);

double Median(std::vector<double> values);

// Makes a file of length bytes that are no zeros (nothing sparse).
void MakeFile(const std::string& path, long long length);

// Makes the folder and the folders above it.
void MakeFolders(const std::string& path);

// Writes everything the page cache holds to disk, so that one round's
// writing does not slow the next.
void Settle();

// Where the benchmarks install the agent: its install root is C:\App.
inline constexpr const char* AgentModulePath = "C:\\App\\Xtra\\Prerequisite\\rodo\\vivaz\\bin\\Sorvenna.exe";

// A platform whose agent runs from AgentModulePath; the rest is the target's.
class InstalledAgent : public testing::PlatformWrapper {
public:
    using PlatformWrapper::PlatformWrapper;
    std::uint32_t GetModuleFileNameA(void* module, char* buffer, std::uint32_t size) override;
};

// The line bench/run-all.sh reads: "result <key>=<value> ...".
void PrintResult(const std::vector<std::pair<std::string, std::string>>& fields);

std::string Fixed(double value, int decimals);

}  // namespace sorvenna::bench
