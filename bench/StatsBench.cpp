// glym_stats_bench <log> [--reps N] [--block BYTES] [--threads N]
// Times `wc -l <log>`, the statistics reader on one core and the reader on all cores (or N threads) on the same
// file, in turn, after one untimed pass of each (so the file is in the page cache), and prints the best time of
// each, their ratios to `wc -l`, the lines and clients counted and the peak memory of this process. The two
// readings must give the same figures.

#include "common/Error.h"
#include "logs/ConnectionStats.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <spawn.h>
#include <string>
#include <string_view>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// User plus system time used so far by this process (RUSAGE_SELF) or its finished children (RUSAGE_CHILDREN).
double cpuSeconds(int who) {
    rusage usage{};
    ::getrusage(who, &usage);
    auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs `wc -l path` and returns the line count it prints, or nothing when it fails.
std::optional<unsigned long long> runWc(const std::string& path) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    posix_spawn_file_actions_addclose(&actions, pipeFds[1]);
    std::string program = "wc", option = "-l", file = path;
    char* argv[] = {program.data(), option.data(), file.data(), nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, "wc", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    std::string output;
    char buffer[256];
    ssize_t got = 0;
    while ((got = ::read(pipeFds[0], buffer, sizeof buffer)) > 0)
        output.append(buffer, static_cast<std::size_t>(got));
    ::close(pipeFds[0]);
    if (spawned != 0)
        return std::nullopt;
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    unsigned long long lines = 0;
    const auto [end, error] = std::from_chars(output.data(), output.data() + output.size(), lines);
    if (error != std::errc())
        return std::nullopt;
    return lines;
}

// The best wall-clock and CPU time of the runs of one contender.
struct Timing {
    struct Run {
        double seconds;
        double cpu;
    };
    double best = 1e30;
    double bestCpu = 1e30;

    template <typename Work> Run time(Work work, int who) {
        const auto start = Clock::now();
        const double cpuStart = cpuSeconds(who);
        work();
        const Run run{secondsSince(start), cpuSeconds(who) - cpuStart};
        best = std::min(best, run.seconds);
        bestCpu = std::min(bestCpu, run.cpu);
        return run;
    }
};

int usage() {
    std::fprintf(stderr, "usage: glym_stats_bench <log> [--reps N] [--block BYTES] [--threads N]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return usage();
    const std::string path = argv[1];
    int reps = 5;
    ConnectionStatsOptions options;
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string_view arg(argv[i]), value(argv[i + 1]);
        bool ok = false;
        if (arg == "--reps")
            ok = std::from_chars(value.data(), value.data() + value.size(), reps).ec == std::errc() && reps > 0;
        else if (arg == "--threads")
            ok = std::from_chars(value.data(), value.data() + value.size(), options.threads).ec == std::errc() &&
                 options.threads > 0;
        else if (arg == "--block")
            ok = std::from_chars(value.data(), value.data() + value.size(), options.blockSize).ec == std::errc() &&
                 options.blockSize > 0;
        if (!ok)
            return usage();
    }
    if (argc % 2 != 0)
        return usage();

    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        std::fprintf(stderr, "glym_stats_bench: %s: %s\n", path.c_str(), std::strerror(errno));
        return 1;
    }
    std::printf("log: %s, %lld bytes\n", path.c_str(), static_cast<long long>(info.st_size));

    ConnectionStatsOptions oneCore = options;
    oneCore.threads = 1;
    try {
        // Untimed passes bring the file into the page cache.
        const auto wcLines = runWc(path);
        if (!wcLines) {
            std::fprintf(stderr, "glym_stats_bench: wc -l failed\n");
            return 1;
        }
        ConnectionStats single = readConnectionStats(path, oneCore);
        ConnectionStats parallel = readConnectionStats(path, options);

        // Wall-clock time is what counts; CPU time is printed too (the parallel reading spends more of it).
        Timing wc, one, all;
        std::printf("%-5s %10s %10s %10s %12s %12s %12s\n", "run", "wc -l [s]", "1 core [s]", "all [s]", "wc cpu [s]",
                    "1 core cpu", "all cpu");
        for (int rep = 1; rep <= reps; ++rep) {
            const Timing::Run wcRun = wc.time([&] { runWc(path); }, RUSAGE_CHILDREN);
            const Timing::Run oneRun = one.time([&] { single = readConnectionStats(path, oneCore); }, RUSAGE_SELF);
            const Timing::Run allRun = all.time([&] { parallel = readConnectionStats(path, options); }, RUSAGE_SELF);
            std::printf("%-5d %10.3f %10.3f %10.3f %12.3f %12.3f %12.3f\n", rep, wcRun.seconds, oneRun.seconds,
                        allRun.seconds, wcRun.cpu, oneRun.cpu, allRun.cpu);
        }

        rusage usage{};
        ::getrusage(RUSAGE_SELF, &usage);
        const bool same = single.rows == parallel.rows && single.error == parallel.error &&
                          single.errorLine == parallel.errorLine && single.linesRead == parallel.linesRead;
        std::printf("threads: %u (0: one per core, %u cores)\n", options.threads, std::thread::hardware_concurrency());
        std::printf("lines: wc -l %llu, reader %llu\n", *wcLines, static_cast<unsigned long long>(single.linesRead));
        std::printf("clients: %zu\n", single.rows.size());
        if (single.error)
            std::printf("reading stopped at line %llu: %s\n", static_cast<unsigned long long>(single.errorLine),
                        single.error->c_str());
        std::printf("one core and all cores give the same figures: %s\n", same ? "yes" : "NO");
        const double bytes = static_cast<double>(info.st_size);
        const double lines = static_cast<double>(std::max<std::uint64_t>(single.linesRead, 1));
        std::printf("best: wc -l %.3f s\n", wc.best);
        std::printf("      1 core %.3f s (%.0f MB/s, %.0f ns/line), ratio %.2f\n", one.best, bytes / one.best / 1e6,
                    one.best * 1e9 / lines, one.best / wc.best);
        std::printf("      all    %.3f s (%.0f MB/s, %.0f ns/line), ratio %.2f\n", all.best, bytes / all.best / 1e6,
                    all.best * 1e9 / lines, all.best / wc.best);
        std::printf("best cpu: wc -l %.3f s, 1 core %.3f s, all %.3f s\n", wc.bestCpu, one.bestCpu, all.bestCpu);
        std::printf("peak memory: %.1f MiB\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
        if (!same)
            return 1;
    } catch (const GlymError& error) {
        std::fprintf(stderr, "glym_stats_bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
