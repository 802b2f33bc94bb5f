// glym_stats_bench <log> [--reps N] [--block BYTES]
// Times `wc -l <log>` and the statistics reader on the same file, alternately, after one untimed pass of each
// (so the file is in the page cache), and prints the best time of each, their ratio, the lines and clients
// counted and the peak memory of this process.

#include "common/Error.h"
#include "stats/ConnectionStats.h"

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

int usage() {
    std::fprintf(stderr, "usage: glym_stats_bench <log> [--reps N] [--block BYTES]\n");
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

    try {
        // Untimed passes bring the file into the page cache.
        const auto wcLines = runWc(path);
        if (!wcLines) {
            std::fprintf(stderr, "glym_stats_bench: wc -l failed\n");
            return 1;
        }
        ConnectionStats stats = readConnectionStats(path, options);

        // Wall-clock time is what counts; CPU time is printed too, as it suffers less from other load.
        double bestWc = 1e30, bestReader = 1e30, bestWcCpu = 1e30, bestReaderCpu = 1e30;
        std::printf("%-5s %12s %12s %14s %14s\n", "run", "wc -l [s]", "reader [s]", "wc -l cpu [s]", "reader cpu [s]");
        for (int rep = 1; rep <= reps; ++rep) {
            auto start = Clock::now();
            double cpuStart = cpuSeconds(RUSAGE_CHILDREN);
            runWc(path);
            const double wcSeconds = secondsSince(start);
            const double wcCpu = cpuSeconds(RUSAGE_CHILDREN) - cpuStart;
            start = Clock::now();
            cpuStart = cpuSeconds(RUSAGE_SELF);
            stats = readConnectionStats(path, options);
            const double readerSeconds = secondsSince(start);
            const double readerCpu = cpuSeconds(RUSAGE_SELF) - cpuStart;
            bestWc = std::min(bestWc, wcSeconds);
            bestReader = std::min(bestReader, readerSeconds);
            bestWcCpu = std::min(bestWcCpu, wcCpu);
            bestReaderCpu = std::min(bestReaderCpu, readerCpu);
            std::printf("%-5d %12.3f %12.3f %14.3f %14.3f\n", rep, wcSeconds, readerSeconds, wcCpu, readerCpu);
        }

        rusage usage{};
        ::getrusage(RUSAGE_SELF, &usage);
        std::printf("lines: wc -l %llu, reader %llu\n", *wcLines, static_cast<unsigned long long>(stats.linesRead));
        std::printf("clients: %zu\n", stats.rows.size());
        if (stats.error)
            std::printf("reading stopped at line %llu: %s\n", static_cast<unsigned long long>(stats.errorLine),
                        stats.error->c_str());
        std::printf("best: wc -l %.3f s, reader %.3f s (%.0f MB/s, %.0f ns/line), ratio %.2f\n", bestWc, bestReader,
                    static_cast<double>(info.st_size) / bestReader / 1e6,
                    bestReader * 1e9 / static_cast<double>(std::max<std::uint64_t>(stats.linesRead, 1)),
                    bestReader / bestWc);
        std::printf("best cpu: wc -l %.3f s, reader %.3f s, ratio %.2f\n", bestWcCpu, bestReaderCpu,
                    bestReaderCpu / bestWcCpu);
        std::printf("peak memory: %.1f MiB\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
    } catch (const GlymError& error) {
        std::fprintf(stderr, "glym_stats_bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
