// glym_cli_bench [--access-lines N] [--export-rules N] [--runs N] [--keep DIR]
// Times the program itself, as a process started the way a script starts it (its start, the load, the change, the
// save with its backups and its generation of the history, the exit):
//   glymconf --dir A rules add LINE   on an access rules file of N lines (1,000,000 by default), a new line each run;
//   glymconf --dir A get Server Port  on the same directory;
//   glymconf --dir B export --json    on a directory of M rules (100,000 by default: 70 % access rules, 20 %
//                                     cache-skip rules, 10 % manual services), its output written to /dev/null.
// Prints the best and the median of the runs (7 by default) and the median of the processor time (user and
// system), which other programs running on the machine do not lengthen. The history goes to a temporary state
// directory.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

void writeLines(const fs::path& path, std::size_t count, const auto& line) {
    std::ofstream out(path, std::ios::binary);
    for (std::size_t i = 0; i < count; ++i)
        out << line(i) << "\r\n";
}

void writeSettings(const fs::path& directory) {
    std::ofstream out(directory / "glym30.ini", std::ios::binary);
    out << "[Server]\r\nPort=3128\r\n[Cache Skip]\r\nFile Name=skip.txt\r\n[Router]\r\nFile Name=router.txt\r\n"
           "[Check]\r\nEnable=1\r\nFile Name=access.txt\r\n";
}

// A block list: group names, then N denied URLs spread over 10 groups.
void makeBlockList(const fs::path& directory, std::size_t lines) {
    fs::create_directories(directory);
    writeSettings(directory);
    writeLines(directory / "access.txt", lines, [](std::size_t i) {
        return i < 10 ? "GN:" + std::to_string(i) + ":Group " + std::to_string(i) + ":"
                      : "PD:" + std::to_string(i % 10) + ":www.blocked" + std::to_string(i) + ".example:";
    });
}

void makeMixed(const fs::path& directory, std::size_t rules) {
    fs::create_directories(directory);
    writeSettings(directory);
    writeLines(directory / "access.txt", rules * 7 / 10, [](std::size_t i) {
        const std::string group = std::to_string(i % 65);
        switch (i < 65 ? 9 : i % 4) {
        case 0:
            return "PD:" + group + ":www.site" + std::to_string(i) + ".example:blocked";
        case 1:
            return "GD:" + group + ":10." + std::to_string(i % 250) + "." + std::to_string(i / 250 % 250) +
                   ".0:255.255.255.0:";
        case 2:
            return "BW:" + group + ":word" + std::to_string(i) + ":";
        case 3:
            return "WT:" + group + ":" + std::to_string(i % 8) + ":9:18:";
        default:
            return "GN:" + group + ":Group " + group + ":";
        }
    });
    writeLines(directory / "skip.txt", rules * 2 / 10,
               [](std::size_t i) { return "SD:/path" + std::to_string(i) + "/:dynamic"; });
    writeLines(directory / "router.txt", rules / 10, [](std::size_t i) {
        return "CR:" + std::to_string(10000 + i) + ":80:host" + std::to_string(i) + ":web:15:15:60:100:100:";
    });
}

// The seconds a run took: on the clock, and on a processor (user and system time), which other work on the machine
// does not lengthen.
struct Seconds {
    double wall = 0;
    double processor = 0;
};

// Runs the program with its output to /dev/null.
Seconds timed(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        std::freopen("/dev/null", "w", stdout);
        ::execv(argv[0], argv.data());
        std::_Exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    auto inSeconds = [](const timeval& time) {
        return double(time.tv_sec) + double(time.tv_usec) / 1e6;
    };
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed (status %d)\n", arguments[3].c_str(), status);
        std::exit(1);
    }
    return {seconds, inSeconds(usage.ru_utime) + inSeconds(usage.ru_stime)};
}

void report(const char* what, const std::vector<Seconds>& runs, double limit) {
    std::vector<double> wall, processor;
    for (const Seconds& run : runs) {
        wall.push_back(run.wall * 1000);
        processor.push_back(run.processor * 1000);
    }
    std::sort(wall.begin(), wall.end());
    std::sort(processor.begin(), processor.end());
    std::printf("%-44s best %7.1f ms  median %7.1f ms  processor %7.1f ms  (at most %.0f ms)\n", what, wall.front(),
                wall[wall.size() / 2], processor[processor.size() / 2], limit * 1000);
}

} // namespace

int main(int argc, char* argv[]) {
    std::size_t accessLines = 1000000;
    std::size_t exportRules = 100000;
    int runs = 7;
    std::string keep;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--access-lines")
            accessLines = std::stoul(argv[i + 1]);
        else if (option == "--export-rules")
            exportRules = std::stoul(argv[i + 1]);
        else if (option == "--runs")
            runs = std::stoi(argv[i + 1]);
        else if (option == "--keep")
            keep = argv[i + 1];
    }
    const fs::path root =
        keep.empty() ? fs::temp_directory_path() / ("glym_cli_bench." + std::to_string(::getpid())) : fs::path(keep);
    ::setenv("XDG_STATE_HOME", (root / "state").c_str(), 1);
    makeBlockList(root / "blocklist", accessLines);
    makeMixed(root / "mixed", exportRules);
    const std::string program = GLYM_EXECUTABLE;

    std::vector<Seconds> adds, gets, exports;
    for (int run = 0; run < runs; ++run) {
        adds.push_back(timed({program, "--dir", (root / "blocklist").string(), "rules", "add",
                              "PD:3:new" + std::to_string(run) + ".example:"}));
        gets.push_back(timed({program, "--dir", (root / "blocklist").string(), "get", "Server", "Port"}));
        exports.push_back(timed({program, "--dir", (root / "mixed").string(), "export", "--json"}));
    }
    const std::string lines = std::to_string(accessLines);
    report(("rules add, access file of " + lines + " lines").c_str(), adds, 1.5);
    report("get, the same directory", gets, 0.05);
    report(("export --json of " + std::to_string(exportRules) + " rules").c_str(), exports, 0.3);
    if (keep.empty())
        fs::remove_all(root);
    return 0;
}
