#include "bench/bench-support.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace sorvenna::bench {
namespace {

double Seconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

Measure WaitFor(pid_t child, std::chrono::steady_clock::time_point start) {
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "bench: a measured process failed (status %d)\n", status);
        std::exit(1);
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    return {elapsed.count(), Seconds(usage.ru_utime) + Seconds(usage.ru_stime), usage.ru_maxrss};
}

}  // namespace

Measure InChild(const std::function<int()>& body) {
    std::fflush(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child < 0) {
        std::perror("fork");
        std::exit(1);
    }
    if (child == 0) {
        const int code = body();
        std::fflush(nullptr);
        _exit(code);
    }
    return WaitFor(child, start);
}

Measure Program(const std::vector<std::string>& command) {
    std::vector<char*> arguments;
    for (const std::string& argument : command) {
        arguments.push_back(const_cast<char*>(argument.c_str()));  // NOLINT: execvp's signature
    }
    arguments.push_back(nullptr);
    return InChild([&arguments] {
        const int quiet = open("/dev/null", O_WRONLY | O_CLOEXEC);
        dup2(quiet, STDOUT_FILENO);
        execvp(arguments[0], arguments.data());
        std::perror(arguments[0]);
        return 127;
    });
}

std::uint32_t InstalledAgent::GetModuleFileNameA(void* /*module*/, char* buffer, std::uint32_t size) {
    const std::string path = AgentModulePath;
    if (path.size() >= size) {
        return 0;
    }
    path.copy(buffer, path.size());
    buffer[path.size()] = '\0';
    return static_cast<std::uint32_t>(path.size());
}

double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void MakeFile(const std::string& path, long long length) {
    const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (file < 0) {
        std::perror(path.c_str());
        std::exit(1);
    }
    std::vector<char> block(std::size_t{1} << 20U);
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<char>(' ' + i % 95);
    }
    for (long long written = 0; written < length;) {
        const auto piece =
            static_cast<std::size_t>(std::min<long long>(static_cast<long long>(block.size()), length - written));
        if (write(file, block.data(), piece) != static_cast<ssize_t>(piece)) {
            std::perror("write");
            std::exit(1);
        }
        written += static_cast<long long>(piece);
    }
    close(file);
}

void MakeFolders(const std::string& path) {
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        mkdir(path.substr(0, slash).c_str(), 0777);
    }
    mkdir(path.c_str(), 0777);
}

void Settle() { sync(); }

void PrintResult(const std::vector<std::pair<std::string, std::string>>& fields) {
    std::printf("result");
    for (const auto& [key, value] : fields) {
        std::printf(" %s=%s", key.c_str(), value.c_str());
    }
    std::printf("\n");
    std::fflush(stdout);
}

std::string Fixed(double value, int decimals) {
    std::array<char, 64> text{};
    std::snprintf(text.data(), text.size(), "%.*f", decimals, value);
    return text.data();
}

}  // namespace sorvenna::bench
