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
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench-support.h"
#include "diag/log-file.h"

namespace {

using sorvenna::bench::Measure;

constexpr off_t CapLength = 1'399'999'860;
constexpr const char* WindowsLog = "C:\\Sorvenna\\LOG\\bench.log";

void SetLength(const std::string& path, off_t length) {
    if (truncate(path.c_str(), length) != 0) {
        std::perror("truncate");
        std::exit(1);
    }
}

// dd moving the same bytes in place: offsets 280 to 1,399,999,860 to offset 40.
Measure RunDd(const std::string& path) {
    return sorvenna::bench::Program({"dd", "if=" + path, "of=" + path, "bs=1M", "iflag=skip_bytes,count_bytes",
                                     "oflag=seek_bytes", "skip=280", "seek=40", "count=1399999580", "conv=notrunc",
                                     "status=none"});
}

Measure RunCap() {
    return sorvenna::bench::InChild([] {
        try {
            CLogFile log;
            log.SetLogContext(WindowsLog, "Bench", "SizeCap");
            log.WriteLog("one line after the cap");
        } catch (const std::exception& error) {
            std::fprintf(stderr, "cap: %s\n", error.what());
            return 1;
        }
        return 0;
    });
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
    sorvenna::bench::MakeFolders(folder);
    const std::string path = folder + "/bench.log";
    std::printf("making a file of %lld bytes...\n", static_cast<long long>(CapLength));
    // Real bytes, not a sparse file: both sides read and write data.
    sorvenna::bench::MakeFile(path, CapLength);

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
                sorvenna::bench::Median(capSeconds), capPeak, sorvenna::bench::Median(ddSeconds), ddPeak,
                sorvenna::bench::Median(capSeconds) / sorvenna::bench::Median(ddSeconds));
    unlink(path.c_str());
    return 0;
}
