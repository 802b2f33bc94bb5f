// glym_stats_bench <log> [--reps N] [--block BYTES] [--threads N] [--gz FILE] [--follow-mb N] [--groups]
// Times `wc -l <log>`, the statistics reader on one core and the reader on all cores (or N threads) on the same
// file, in turn, after one untimed pass of each (so the file is in the page cache), and prints the best time of
// each, their ratios to `wc -l`, the lines and clients counted and the peak memory of this process. The two
// readings must give the same figures.
//   --gz FILE      also `zcat FILE > /dev/null` against the reader on FILE (gzip or zstd), which must give the
//                  figures of <log> when it holds the same lines
//   --follow-mb N  also a Follow step: <log> is read to follow it, N MB of lines are appended to it and read by
//                  one step (five times); the log is cut back to its size afterwards
//   --groups       also the groups of 100,000 clients against 50,000 networks and 10,000 hosts

#include "LogGenerator.h"
#include "common/Error.h"
#include "logs/ConnectionStats.h"
#include "logs/LogReading.h"
#include "rules/ClientGroups.h"
#include "rules/Ipv4.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
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

// Runs `program option path` and returns what it prints (or nothing with its output sent to /dev/null), or nothing
// when it fails.
std::optional<std::string> runTool(std::string program, std::string option, std::string path, bool toDevNull = false) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (toDevNull)
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    else
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    posix_spawn_file_actions_addclose(&actions, pipeFds[1]);
    char* argv[] = {program.data(), option.data(), path.data(), nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    std::string output;
    char buffer[1 << 16];
    ssize_t got = 0;
    while ((got = ::read(pipeFds[0], buffer, sizeof buffer)) > 0)
        if (output.size() < 256)
            output.append(buffer, static_cast<std::size_t>(std::min<ssize_t>(got, 256)));
    ::close(pipeFds[0]);
    if (spawned != 0)
        return std::nullopt;
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return output;
}

// Runs `wc -l path` and returns the line count it prints, or nothing when it fails.
std::optional<unsigned long long> runWc(const std::string& path) {
    const auto output = runTool("wc", "-l", path);
    if (!output)
        return std::nullopt;
    unsigned long long lines = 0;
    const auto [end, error] = std::from_chars(output->data(), output->data() + output->size(), lines);
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
    std::fprintf(stderr, "usage: glym_stats_bench <log> [--reps N] [--block BYTES] [--threads N] [--gz FILE]\n"
                         "                        [--follow-mb N] [--groups]\n");
    return 2;
}

bool sameFigures(const ConnectionStats& a, const ConnectionStats& b) {
    return a.rows == b.rows && a.error == b.error && a.errorLine == b.errorLine && a.linesRead == b.linesRead;
}

// A compressed log against the tool that decompresses it and throws the bytes away.
bool benchCompressed(const std::string& path, const ConnectionStats& plain, int reps) {
    const bool zstd = path.size() > 4 && path.substr(path.size() - 4) == ".zst";
    const std::string tool = zstd ? "zstdcat" : "zcat";
    ConnectionStats stats = readLogs({path});
    if (!runTool(tool, "--", path, true))
        return std::fprintf(stderr, "glym_stats_bench: %s failed\n", tool.c_str()), false;
    Timing cat, reader;
    for (int rep = 0; rep < reps; ++rep) {
        cat.time([&] { runTool(tool, "--", path, true); }, RUSAGE_CHILDREN);
        reader.time([&] { stats = readLogs({path}); }, RUSAGE_SELF);
    }
    std::printf("compressed: %s > /dev/null %.3f s, reader %.3f s, ratio %.2f; same figures as the plain log: %s\n",
                tool.c_str(), cat.best, reader.best, reader.best / cat.best, sameFigures(stats, plain) ? "yes" : "no");
    return true;
}

// Follow steps of `megabytes` appended each; the log is cut back to its size afterwards.
void benchFollow(const std::string& path, std::uint64_t size, int megabytes) {
    LogReadingOptions options;
    options.follow = true;
    LogReading reading({path}, options);
    const auto start = Clock::now();
    reading.read();
    const double initial = secondsSince(start);
    LogGeneratorOptions generated;
    generated.lines = static_cast<std::uint64_t>(megabytes) * 1000000 / 80;
    generated.clients = 2000;
    generated.seed = 99;
    const std::string appended = generateLog(generated);
    double best = 1e30;
    for (int rep = 0; rep < 5; ++rep) {
        std::ofstream(path, std::ios::binary | std::ios::app).write(appended.data(), std::streamsize(appended.size()));
        const auto stepStart = Clock::now();
        reading.follow();
        const ConnectionStats stats = reading.stats(); // what the page then shows
        best = std::min(best, secondsSince(stepStart));
        if (rep == 4)
            std::printf("follow: %zu clients after the steps\n", stats.rows.size());
    }
    if (::truncate(path.c_str(), static_cast<off_t>(size)) != 0)
        std::fprintf(stderr, "glym_stats_bench: cannot cut %s back: %s\n", path.c_str(), std::strerror(errno));
    std::printf("follow: reading to follow %.3f s; a step after %.1f MB appended: %.1f ms (best of 5)\n", initial,
                static_cast<double>(appended.size()) / 1e6, best * 1e3);
}

// The groups of 100,000 clients (90,000 addresses, 10,000 names) against 50,000 networks of masks /8 to /30 and
// 10,000 hosts in 64 groups.
void benchGroups() {
    GroupTable table;
    std::uint64_t state = 7;
    auto next = [&state] {
        state = state * 6364136223846793005 + 1442695040888963407;
        return static_cast<std::uint32_t>(state >> 33);
    };
    for (int g = 1; g < GroupTable::kSlotCount; ++g)
        table.create(g).SetGroupLine("GN:" + std::to_string(g) + ":group " + std::to_string(g) + ":");
    for (int i = 0; i < 50000; ++i) {
        const unsigned prefix = 8 + next() % 23;
        const std::uint32_t mask = ~std::uint32_t{0} << (32 - prefix);
        const int group = 1 + static_cast<int>(next() % 64);
        table.find(group)->NetworkRules.append("GD:" + std::to_string(group) + ":" + formatIpv4(next() & mask) + ":" +
                                               formatIpv4(mask) + ":");
    }
    for (int i = 0; i < 10000; ++i) {
        const int group = 1 + i % 64;
        table.find(group)->HostRules.append("CD:" + std::to_string(group) + ":PC-" + std::to_string(i) + ".lan:");
    }
    std::vector<std::string> clients;
    for (int i = 0; i < 90000; ++i)
        clients.push_back(formatIpv4(next()));
    for (int i = 0; i < 10000; ++i)
        clients.push_back("pc-" + std::to_string(i * 2) + ".LAN");
    const auto start = Clock::now();
    const ClientGroups groups(table);
    const double built = secondsSince(start);
    std::size_t matched = 0;
    for (const std::string& client : clients)
        matched += groups.groupsOf(client).any() ? 1 : 0;
    std::printf("groups: 100,000 clients against 50,000 networks and 10,000 hosts: %.1f ms (index %.1f ms), %zu "
                "clients in a group\n",
                secondsSince(start) * 1e3, built * 1e3, matched);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return usage();
    const std::string path = argv[1];
    int reps = 5;
    ConnectionStatsOptions options;
    std::string compressed;
    int followMegabytes = 0;
    bool groups = false;
    for (int i = 2; i < argc; i += 2) {
        if (std::string_view(argv[i]) == "--groups") {
            groups = true;
            --i;
            continue;
        }
        if (i + 1 >= argc)
            return usage();
        const std::string_view arg(argv[i]), value(argv[i + 1]);
        bool ok = false;
        if (arg == "--gz")
            ok = !(compressed = value).empty();
        else if (arg == "--follow-mb")
            ok = std::from_chars(value.data(), value.data() + value.size(), followMegabytes).ec == std::errc() &&
                 followMegabytes > 0;
        else if (arg == "--reps")
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
        if (!compressed.empty() && !benchCompressed(compressed, single, reps))
            return 1;
        if (followMegabytes > 0)
            benchFollow(path, static_cast<std::uint64_t>(info.st_size), followMegabytes);
        if (groups)
            benchGroups();
    } catch (const GlymError& error) {
        std::fprintf(stderr, "glym_stats_bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
