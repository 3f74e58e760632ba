// 100,000 lines of the activity log, each with its own open and close,
// beside a small C loop doing the same open, append and close of the same
// bytes in the same run. Each side starts from no file.
//
//   sorvenna_log_lines_bench <work folder> [rounds] [lines]

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench-support.h"
#include "diag/log-file.h"

namespace {

constexpr const char* LogPath = "C:\\Sorvenna\\LOG\\invoice-spool_20200115.log";
// As the copy step writes it: a path after the literal.
constexpr const char* Description = "Selected : C:\\Windows\\System32\\spool\\PRINTERS\\00012.SPL";

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <work folder> [rounds] [lines]\n", argv[0]);
        return 2;
    }
    const std::string work = argv[1];
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const int lines = argc > 3 ? std::max(1, std::atoi(argv[3])) : 100000;
    setenv("SORVENNA_PREFIX", work.c_str(), 1);
    const std::string folder = work + "/drive_c/Sorvenna/LOG";
    sorvenna::bench::MakeFolders(folder);
    const std::string agentFile = folder + "/invoice-spool_20200115.log";
    const std::string loopFile = folder + "/c-loop.log";
    // The same bytes the log writes: date, time, module, procedure, description, CR LF.
    const std::string line = std::string("12-11-2026\t14:03:27\tSpool\tLoadSpoolFile\t") + Description + "\r\n";

    const auto agent = [lines] {
        CLogFile log;
        log.SetLogContext(LogPath, "Spool", "LoadSpoolFile");
        for (int written = 0; written < lines; ++written) {
            log.WriteLog(Description);
        }
        return 0;
    };
    const auto loop = [lines, &loopFile, &line] {
        for (int written = 0; written < lines; ++written) {
            const int file = open(loopFile.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
            if (file < 0 || write(file, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
                return 1;
            }
            close(file);
        }
        return 0;
    };
    const auto fresh = [&] {
        unlink(agentFile.c_str());
        unlink(loopFile.c_str());
        sorvenna::bench::Settle();
    };
    fresh();
    sorvenna::bench::InChild(agent);
    sorvenna::bench::InChild(loop);

    std::vector<double> agentSeconds;
    std::vector<double> loopSeconds;
    for (int round = 1; round <= rounds; ++round) {
        fresh();
        sorvenna::bench::Measure logged{};
        sorvenna::bench::Measure looped{};
        if (round % 2 == 1) {
            logged = sorvenna::bench::InChild(agent);
            looped = sorvenna::bench::InChild(loop);
        } else {
            looped = sorvenna::bench::InChild(loop);
            logged = sorvenna::bench::InChild(agent);
        }
        std::printf("log lines round %d: agent %.3f s | C loop %.3f s | ratio %.2f\n", round, logged.seconds,
                    looped.seconds, logged.seconds / looped.seconds);
        agentSeconds.push_back(logged.seconds);
        loopSeconds.push_back(looped.seconds);
    }
    fresh();
    const double agentMedian = sorvenna::bench::Median(agentSeconds);
    const double loopMedian = sorvenna::bench::Median(loopSeconds);
    sorvenna::bench::PrintResult({{"agent", sorvenna::bench::Fixed(agentMedian, 3)},
                                  {"baseline", sorvenna::bench::Fixed(loopMedian, 3)},
                                  {"ratio", sorvenna::bench::Fixed(agentMedian / loopMedian, 2)}});
    return 0;
}
