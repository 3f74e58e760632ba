// The spool copy of a 1 GiB spool file, beside cp copying the same file in
// the same run. The agent's side is its CopyFileA from the Windows spool
// folder (the CUPS request folder) to Sorvenna.dat; cp copies the same
// host files. Each copy makes a new target; the page cache holds the
// source, and whatever a round wrote is on disk before the next begins.
// The agent's copy takes the copy's name only once it is complete (a reader
// never finds a copy that is not all there); cp followed by sync of the
// copy, which also flushes it to disk, is shown too.
//
//   sorvenna_copy_bench <work folder> [rounds] [bytes]

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench-support.h"
#include "common/posix/host-path.h"
#include "common/posix/posix-platform.h"

namespace {

using sorvenna::bench::Measure;

constexpr const char* SpoolFile = "C:\\Windows\\System32\\spool\\PRINTERS\\00012.SPL";
constexpr const char* SpoolCopy = "C:\\App\\Xtra\\Sorvenna.dat";

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <work folder> [rounds] [bytes]\n", argv[0]);
        return 2;
    }
    const std::string work = argv[1];
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const long long bytes = argc > 3 ? std::atoll(argv[3]) : 1LL << 30U;
    setenv("SORVENNA_PREFIX", work.c_str(), 1);
    setenv("SORVENNA_CUPS_SPOOL", (work + "/cups-spool").c_str(), 1);
    sorvenna::bench::MakeFolders(work + "/cups-spool");
    sorvenna::bench::MakeFolders(work + "/drive_c/App/Xtra");
    const std::string source = *sorvenna::HostPathOf(SpoolFile);
    const std::string target = *sorvenna::HostPathOf(SpoolCopy);
    std::printf("copy: making a spool file of %lld bytes...\n", bytes);
    sorvenna::bench::MakeFile(source, bytes);

    const auto agent = [] { return sorvenna::NativePosixPlatform().CopyFileA(SpoolFile, SpoolCopy, false) ? 0 : 1; };
    const auto fresh = [&target] {
        unlink(target.c_str());
        sorvenna::bench::Settle();
    };
    // One round of each, not counted: the source in the page cache.
    fresh();
    sorvenna::bench::InChild(agent);
    fresh();
    sorvenna::bench::Program({"cp", source, target});

    std::vector<double> agentSeconds;
    std::vector<double> cpSeconds;
    std::vector<double> durableSeconds;
    for (int round = 1; round <= rounds; ++round) {
        Measure copied{};
        Measure cp{};
        Measure durable{};
        // The order rotates, so that no side always runs first.
        for (int turn = 0; turn < 3; ++turn) {
            fresh();
            switch ((turn + round) % 3) {
                case 0: copied = sorvenna::bench::InChild(agent); break;
                case 1: cp = sorvenna::bench::Program({"cp", source, target}); break;
                default:
                    durable = sorvenna::bench::Program({"sh", "-c", "cp \"$0\" \"$1\" && sync \"$1\"", source, target});
                    break;
            }
        }
        std::printf("copy round %d: agent %.3f s | cp %.3f s | cp and sync %.3f s | ratio %.2f\n", round,
                    copied.seconds, cp.seconds, durable.seconds, copied.seconds / cp.seconds);
        agentSeconds.push_back(copied.seconds);
        cpSeconds.push_back(cp.seconds);
        durableSeconds.push_back(durable.seconds);
    }
    fresh();
    unlink(source.c_str());
    const double agentMedian = sorvenna::bench::Median(agentSeconds);
    const double cpMedian = sorvenna::bench::Median(cpSeconds);
    sorvenna::bench::PrintResult({{"agent", sorvenna::bench::Fixed(agentMedian, 3)},
                                  {"baseline", sorvenna::bench::Fixed(cpMedian, 3)},
                                  {"ratio", sorvenna::bench::Fixed(agentMedian / cpMedian, 2)},
                                  {"durable", sorvenna::bench::Fixed(sorvenna::bench::Median(durableSeconds), 3)}});
    return 0;
}
