// The activity log's size cap on a file of 1,399,999,860 bytes (exactly
// 9,999,999 records of 140 bytes), beside dd moving the same 1,399,999,580
// bytes in place (from offset 280 to offset 40, conv=notrunc) in the same
// run. Each runs in a child process of its own; wall time and peak resident
// memory are the child's.
//
//   sorvenna_log_cap_bench <work folder> [rounds]
//
// The work folder needs 1.4 GB of free space; it becomes the agent's prefix.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "diag/log-file.h"

namespace {

constexpr off_t CapLength = 1'399'999'860;
constexpr const char* WindowsLog = "C:\\Sorvenna\\LOG\\bench.log";

struct Measure {
    double seconds;
    long peakKiB;
};

// Runs body in a child process and measures it.
template <typename Body>
Measure InChild(Body body) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child < 0) {
        std::perror("fork");
        std::exit(1);
    }
    if (child == 0) {
        body();
        _exit(0);
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "a measured process failed\n");
        std::exit(1);
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    return {elapsed.count(), usage.ru_maxrss};
}

void MakeFile(const std::string& path) {
    const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (file < 0) {
        std::perror(path.c_str());
        std::exit(1);
    }
    // Real bytes, not a sparse file: both sides read and write data.
    std::vector<char> block(std::size_t{1} << 20U);
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<char>(' ' + i % 95);
    }
    for (off_t written = 0; written < CapLength;) {
        const auto piece =
            static_cast<std::size_t>(std::min<off_t>(static_cast<off_t>(block.size()), CapLength - written));
        if (write(file, block.data(), piece) != static_cast<ssize_t>(piece)) {
            std::perror("write");
            std::exit(1);
        }
        written += static_cast<off_t>(piece);
    }
    close(file);
}

void SetLength(const std::string& path, off_t length) {
    if (truncate(path.c_str(), length) != 0) {
        std::perror("truncate");
        std::exit(1);
    }
}

Measure RunDd(const std::string& path) {
    return InChild([&path] {
        const std::string in = "if=" + path;
        const std::string out = "of=" + path;
        execlp("dd", "dd", in.c_str(), out.c_str(), "bs=1M", "iflag=skip_bytes,count_bytes", "oflag=seek_bytes",
               "skip=280", "seek=40", "count=1399999580", "conv=notrunc", "status=none", static_cast<char*>(nullptr));
        std::perror("dd");
        _exit(1);
    });
}

Measure RunCap() {
    return InChild([] {
        try {
            CLogFile log;
            log.SetLogContext(WindowsLog, "Bench", "SizeCap");
            log.WriteLog("one line after the cap");
        } catch (const std::exception& error) {
            std::fprintf(stderr, "cap: %s\n", error.what());
            _exit(1);
        }
    });
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <work folder> [rounds]\n", argv[0]);
        return 2;
    }
    const std::string work = argv[1];
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    setenv("SORVENNA_PREFIX", work.c_str(), 1);
    const std::string folder = work + "/drive_c/Sorvenna/LOG";
    for (const std::string& made : {work, work + "/drive_c", work + "/drive_c/Sorvenna", folder}) {
        mkdir(made.c_str(), 0777);
    }
    const std::string path = folder + "/bench.log";
    std::printf("making a file of %lld bytes...\n", static_cast<long long>(CapLength));
    MakeFile(path);

    std::vector<double> ddSeconds;
    std::vector<double> capSeconds;
    long ddPeak = 0;
    long capPeak = 0;
    for (int round = 1; round <= rounds; ++round) {
        // The order alternates, so that neither side always runs second.
        Measure dd{};
        Measure cap{};
        if (round % 2 == 1) {
            dd = RunDd(path);
            cap = RunCap();
        } else {
            cap = RunCap();
            SetLength(path, CapLength);
            dd = RunDd(path);
        }
        SetLength(path, CapLength);  // back to 9,999,999 records for the next round
        std::printf("round %d: cap %.3f s, peak RSS %ld KiB | dd %.3f s, peak RSS %ld KiB | ratio %.2f\n", round,
                    cap.seconds, cap.peakKiB, dd.seconds, dd.peakKiB, cap.seconds / dd.seconds);
        ddSeconds.push_back(dd.seconds);
        capSeconds.push_back(cap.seconds);
        ddPeak = std::max(ddPeak, dd.peakKiB);
        capPeak = std::max(capPeak, cap.peakKiB);
    }
    std::printf("median of %d: cap %.3f s (peak RSS %ld KiB), dd %.3f s (peak RSS %ld KiB), ratio %.2f\n", rounds,
                Median(capSeconds), capPeak, Median(ddSeconds), ddPeak, Median(capSeconds) / Median(ddSeconds));
    unlink(path.c_str());
    return 0;
}
