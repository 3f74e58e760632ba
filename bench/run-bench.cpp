// One whole agent run with a printing job and a prompt consumer, on the
// real clock: the application's start-up, the print-queue inquiry (a
// scripted queue: the Linux agent's own spooler talks to a CUPS server),
// the settings file, the spool copy of a 1 MiB spool file, the log lines,
// the request file and the wait. The consumer is a process of its own that
// deletes the request file as soon as the agent has closed it.
//
// The agent's time is its process's wall time from fork to exit; what it
// spends beyond the pauses it asked for (1000 ms after the copy, the 50 ms
// polls, 1000 ms before it exits) is its overhead.
//
//   sorvenna_run_bench <work folder> [rounds]
//   sorvenna_run_bench <work folder> --no-consumer
//     one run whose request nobody takes: the full wait of about 250 s,
//     and the CPU time the agent spends on it, beside a process that only
//     pauses as often at the same time (what the pauses alone cost).

#include <poll.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "bench/bench-support.h"
#include "common/framework/winapp.h"
#include "common/posix/posix-platform.h"
#include "tests/support/fake-spooler.h"

namespace {

// The agent's world: a scripted queue with user1's printing job, the
// agent installed under C:\App, and its pauses reported to the parent
// when it exits.
class RunWorld final : public sorvenna::bench::InstalledAgent {
public:
    RunWorld(Platform& target, int reportTo) : InstalledAgent(target), reportTo_(reportTo) {}

    void Sleep(std::uint32_t milliseconds) override {
        pausedMilliseconds_ += milliseconds;
        polls_ += milliseconds == 50 ? 1 : 0;
        InstalledAgent::Sleep(milliseconds);
    }
    [[noreturn]] void exit(int status) override {
        const std::string report = std::to_string(pausedMilliseconds_) + " " + std::to_string(polls_) + "\n";
        if (write(reportTo_, report.data(), report.size()) < 0) {
            std::perror("report");
        }
        InstalledAgent::exit(status);
    }

private:
    int reportTo_;
    unsigned long long pausedMilliseconds_ = 0;
    int polls_ = 0;
};

// The consumer: waits for the request file to be closed after writing,
// then takes the request by deleting it. Tells through ready when it watches.
pid_t StartConsumer(const std::string& userFolder, const std::string& requestName) {
    std::array<int, 2> ready{};
    if (pipe(ready.data()) != 0) {
        std::perror("pipe");
        std::exit(1);
    }
    const std::string request = userFolder + "/" + requestName;
    const pid_t consumer = fork();
    if (consumer == 0) {
        close(ready[0]);
        const int watch = inotify_init1(IN_CLOEXEC);
        if (watch < 0 || inotify_add_watch(watch, userFolder.c_str(), IN_CLOSE_WRITE) < 0) {
            _exit(1);
        }
        close(ready[1]);
        alignas(inotify_event) std::array<char, 4096> events{};
        for (;;) {
            pollfd waiting{watch, POLLIN, 0};
            if (poll(&waiting, 1, 30000) <= 0) {
                _exit(1);  // no request within 30 s
            }
            const ssize_t got = read(watch, events.data(), events.size());
            for (ssize_t at = 0; at < got;) {
                inotify_event event{};
                std::memcpy(&event, events.data() + at, sizeof event);
                const char* name = events.data() + at + sizeof(inotify_event);
                if (event.len > 0 && requestName == name) {
                    unlink(request.c_str());
                    _exit(0);
                }
                at += static_cast<ssize_t>(sizeof(inotify_event) + event.len);
            }
        }
    }
    close(ready[1]);
    char ignored = 0;
    static_cast<void>(read(ready[0], &ignored, 1));  // returns when the consumer closes its end
    close(ready[0]);
    return consumer;
}

struct Run {
    sorvenna::bench::Measure measure;
    double pausedSeconds = 0;
    int polls = 0;
};

Run RunAgent() {
    std::array<int, 2> report{};
    if (pipe(report.data()) != 0) {
        std::perror("pipe");
        std::exit(1);
    }
    Run run;
    run.measure = sorvenna::bench::InChild([&report] {
        close(report[0]);
        sorvenna::testing::FakeSpooler spooler(sorvenna::NativePosixPlatform());
        spooler.jobs = {{12, "user1", "Invoice 12", 0x10}};
        RunWorld world(spooler, report[1]);
        const sorvenna::ScopedPlatform installed(world);
        return RunApplication();
    });
    close(report[1]);
    std::array<char, 128> text{};
    const ssize_t got = read(report[0], text.data(), text.size() - 1);
    close(report[0]);
    unsigned long long paused = 0;
    if (got <= 0 || std::sscanf(text.data(), "%llu %d", &paused, &run.polls) != 2) {
        std::fprintf(stderr, "run: the agent reported no pauses\n");
        std::exit(1);
    }
    run.pausedSeconds = static_cast<double>(paused) / 1000;
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <work folder> [rounds | --no-consumer]\n", argv[0]);
        return 2;
    }
    const std::string work = argv[1];
    const bool noConsumer = argc > 2 && std::strcmp(argv[2], "--no-consumer") == 0;
    const int rounds = argc > 2 && !noConsumer ? std::max(1, std::atoi(argv[2])) : 5;
    setenv("SORVENNA_PREFIX", work.c_str(), 1);
    setenv("SORVENNA_CUPS_SPOOL", (work + "/cups-spool").c_str(), 1);
    sorvenna::bench::MakeFolders(work + "/cups-spool");
    sorvenna::bench::MakeFolders(work + "/drive_c/App/Xtra");
    const std::string userFolder = work + "/drive_c/Sorvenna/user1";
    sorvenna::bench::MakeFolders(userFolder);
    sorvenna::bench::MakeFile(work + "/cups-spool/d00012-001", 1LL << 20U);
    {
        FILE* settings = std::fopen((work + "/drive_c/App/Settings.ini").c_str(), "w");
        if (settings == nullptr) {
            std::perror("Settings.ini");
            return 1;
        }
        std::fputs("[Settings]\r\nDEBUG=1\r\n", settings);
        std::fclose(settings);
    }

    if (noConsumer) {
        std::printf("run: one run without a consumer beside a loop of as many bare pauses, about 250 s...\n");
        std::fflush(stdout);
        // The floor, at the same time: what 5001 pauses of 50 ms cost a process that does nothing else.
        const pid_t sleeper = fork();
        if (sleeper == 0) {
            for (int pause = 0; pause < 5001; ++pause) {
                timespec fifty{0, 50'000'000L};
                while (nanosleep(&fifty, &fifty) != 0) {
                }
            }
            _exit(0);
        }
        const Run run = RunAgent();
        int status = 0;
        rusage usage{};
        if (wait4(sleeper, &status, 0, &usage) != sleeper) {
            std::perror("wait4");
            return 1;
        }
        const double floor = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                             static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
        std::printf("wait: %.1f s, %d polls, CPU %.3f s | bare pauses: CPU %.3f s\n", run.measure.seconds, run.polls,
                    run.measure.cpuSeconds, floor);
        sorvenna::bench::PrintResult({{"agent", sorvenna::bench::Fixed(run.measure.cpuSeconds, 3)},
                                      {"baseline", sorvenna::bench::Fixed(floor, 3)},
                                      {"wall", sorvenna::bench::Fixed(run.measure.seconds, 1)},
                                      {"polls", std::to_string(run.polls)}});
        return 0;
    }

    std::vector<double> wall;
    std::vector<double> paused;
    std::vector<double> overhead;
    for (int round = 0; round <= rounds; ++round) {
        sorvenna::bench::Settle();
        const pid_t consumer = StartConsumer(userFolder, "user1.txt");
        const Run run = RunAgent();
        int status = 0;
        if (waitpid(consumer, &status, 0) != consumer || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "run: the consumer took no request\n");
            return 1;
        }
        if (round == 0) {
            continue;  // not counted: the caches filled
        }
        const double beyond = run.measure.seconds - run.pausedSeconds;
        std::printf("run round %d: %.4f s, pauses %.3f s (%d polls), overhead %.1f ms\n", round, run.measure.seconds,
                    run.pausedSeconds, run.polls, beyond * 1000);
        wall.push_back(run.measure.seconds);
        paused.push_back(run.pausedSeconds);
        overhead.push_back(beyond);
    }
    sorvenna::bench::PrintResult({{"agent", sorvenna::bench::Fixed(sorvenna::bench::Median(wall), 4)},
                                  {"baseline", sorvenna::bench::Fixed(sorvenna::bench::Median(paused), 3)},
                                  {"overhead", sorvenna::bench::Fixed(sorvenna::bench::Median(overhead) * 1000, 1)}});
    return 0;
}
