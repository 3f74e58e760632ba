// The fallback search of the spool folder over 100,000 spool files and
// 100,000 other files, beside find listing the same folder with birth
// times in the same run. The agent's side is LoadSpoolFile without a job
// id, so that it searches C:\Windows\System32\spool\PRINTERS\*.SPL (the
// CUPS request folder: its dNNNNN-001 files are the spool files, its
// cNNNNN control files the others); its closing pause is left out and the
// log is off, so that the search is what is measured.
//
//   sorvenna_search_bench <work folder> [rounds] [spool files]

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench-support.h"
#include "capture/spool-file.h"
#include "common/job-context.h"
#include "common/posix/posix-platform.h"

namespace {

// The native platform without pauses, the agent installed under C:\App.
class WithoutPauses final : public sorvenna::bench::InstalledAgent {
public:
    using InstalledAgent::InstalledAgent;
    void Sleep(std::uint32_t /*milliseconds*/) override {}
};

void MakeEmptyFile(const std::string& path) {
    const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0640);
    if (file < 0 || write(file, "%!", 2) != 2) {
        std::perror(path.c_str());
        std::exit(1);
    }
    close(file);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <work folder> [rounds] [spool files]\n", argv[0]);
        return 2;
    }
    const std::string work = argv[1];
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const int files = argc > 3 ? std::max(1, std::atoi(argv[3])) : 100000;
    const std::string folder = work + "/cups-spool";
    setenv("SORVENNA_PREFIX", work.c_str(), 1);
    setenv("SORVENNA_CUPS_SPOOL", folder.c_str(), 1);
    sorvenna::bench::MakeFolders(folder);
    sorvenna::bench::MakeFolders(work + "/drive_c/Sorvenna");
    sorvenna::bench::MakeFolders(work + "/drive_c/App/Xtra");
    std::printf("search: making %d spool files and %d others...\n", files, files);
    for (int job = 1; job <= files; ++job) {
        std::array<char, 32> name{};
        std::snprintf(name.data(), name.size(), "/d%05d-001", job);
        MakeEmptyFile(folder + name.data());
        std::snprintf(name.data(), name.size(), "/c%05d", job);
        MakeEmptyFile(folder + name.data());
    }
    sorvenna::bench::Settle();

    const auto agent = [] {
        WithoutPauses platform(sorvenna::NativePosixPlatform());
        const sorvenna::ScopedPlatform installed(platform);
        jobId = 0;
        debugLevel = "0";
        return LoadSpoolFile() == "ERROR" ? 1 : 0;
    };
    const std::vector<std::string> find = {"find", folder, "-mindepth", "1", "-maxdepth", "1", "-printf", "%B@ %f\\n"};
    // One round of each, not counted: the folder in the caches.
    sorvenna::bench::InChild(agent);
    sorvenna::bench::Program(find);

    std::vector<double> agentSeconds;
    std::vector<double> findSeconds;
    for (int round = 1; round <= rounds; ++round) {
        sorvenna::bench::Measure searched{};
        sorvenna::bench::Measure listed{};
        if (round % 2 == 1) {
            searched = sorvenna::bench::InChild(agent);
            listed = sorvenna::bench::Program(find);
        } else {
            listed = sorvenna::bench::Program(find);
            searched = sorvenna::bench::InChild(agent);
        }
        std::printf("search round %d: agent %.3f s | find %.3f s | ratio %.2f\n", round, searched.seconds,
                    listed.seconds, searched.seconds / listed.seconds);
        agentSeconds.push_back(searched.seconds);
        findSeconds.push_back(listed.seconds);
    }
    const double agentMedian = sorvenna::bench::Median(agentSeconds);
    const double findMedian = sorvenna::bench::Median(findSeconds);
    sorvenna::bench::PrintResult({{"agent", sorvenna::bench::Fixed(agentMedian, 3)},
                                  {"baseline", sorvenna::bench::Fixed(findMedian, 3)},
                                  {"ratio", sorvenna::bench::Fixed(agentMedian / findMedian, 2)}});
    return 0;
}
