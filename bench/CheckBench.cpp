// glym_check_bench [--lines N] [--keep DIR]
// Times the configuration check (glymconf --check) on a directory with N rule lines in all (100,000 by default):
// an access rules file of 70 %, a cache-skip file of 20 % and a port-mapping file of 10 % of them, every rule kind,
// and about one line in six that the check reports. Prints the best and the median of seven runs of reading,
// checking and printing, and the number of findings. With --keep DIR the files are generated into DIR and left
// there, for timing the program itself: hyperfine 'glymconf --check --dir DIR'.

#include "check/ConfigCheck.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A deterministic generator, so every run measures the same files.
class Numbers {
public:
    unsigned next() {
        state_ = state_ * 1103515245u + 12345u;
        return (state_ >> 8) & 0xFFFFFFu;
    }

private:
    unsigned state_ = 20240601u;
};

void writeLines(const fs::path& path, const std::vector<std::string>& lines) {
    std::ofstream out(path, std::ios::binary);
    for (const std::string& line : lines)
        out << line << "\r\n";
}

std::vector<std::string> accessRules(std::size_t count, Numbers& random) {
    std::vector<std::string> lines;
    for (int group = 0; group < 65 && lines.size() < count; ++group)
        lines.push_back("GN:" + std::to_string(group) + ":Group " + std::to_string(group) + ":");
    while (lines.size() < count) {
        const unsigned n = random.next();
        const std::string g = std::to_string(n % 70); // 65..69 are groups that cannot exist
        const std::string k = std::to_string(n % 5000);
        switch (n % 10) {
        case 0:
            lines.push_back("PD:" + g + ":www.site" + k + ".example:");
            break;
        case 1:
            lines.push_back("BW:" + g + ":word" + k + ":");
            break;
        case 2:
            lines.push_back("WT:" + g + ":" + std::to_string(n % 9) + ":9:18:"); // day 8 is out of range
            break;
        case 3:
            lines.push_back("RP:" + g + ":" + std::to_string(1 + n % 65535) + ":");
            break;
        case 4:
            lines.push_back("CD:" + g + ":HOST" + k + ":");
            break;
        default:
            lines.push_back("GD:" + g + ":10." + std::to_string(n % 256) + "." + std::to_string(n / 256 % 256) +
                            ".0:255.255.255.0:net " + k);
            break;
        }
    }
    return lines;
}

std::vector<std::string> cacheSkipRules(std::size_t count, Numbers& random) {
    static const char* const kTags[] = {"SD", "SA", "BR", "sa"};
    std::vector<std::string> lines;
    while (lines.size() < count) {
        const unsigned n = random.next();
        lines.push_back(std::string(kTags[n % 40 == 0 ? 3 : n % 3]) + ":/path" + std::to_string(n % 10000) + "/:");
    }
    return lines;
}

std::vector<std::string> portMappingRules(std::size_t count, Numbers& random) {
    std::vector<std::string> lines{"CS:mail.example:", "CP:mail.example:", "CN:news.example:"};
    while (lines.size() < count) {
        const unsigned n = random.next();
        const std::string port = std::to_string(1000 + n % 60000);
        lines.push_back("CR:" + port + ":" + port + ":server" + std::to_string(n % 100) +
                        ":svc:15:15:60:100:100:" + (n % 25 == 0 ? "" : ":")); // one in 25 has 12 fields
    }
    return lines;
}

void generate(const fs::path& directory, std::size_t lines) {
    Numbers random;
    fs::create_directories(directory);
    std::ofstream(directory / "glym30.ini", std::ios::binary)
        << "[Cache Skip]\r\nEnable=1\r\nFile Name=skip.txt\r\n[Router]\r\nEnable=1\r\nFile Name=router.txt\r\n"
           "[Check]\r\nEnable=1\r\nFile Name=access.txt\r\n";
    writeLines(directory / "access.txt", accessRules(lines * 7 / 10, random));
    writeLines(directory / "skip.txt", cacheSkipRules(lines * 2 / 10, random));
    writeLines(directory / "router.txt", portMappingRules(lines - lines * 7 / 10 - lines * 2 / 10, random));
}

} // namespace

int main(int argc, char* argv[]) {
    std::size_t lines = 100000;
    std::string keep;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--lines")
            lines = std::strtoul(argv[i + 1], nullptr, 10);
        else if (option == "--keep")
            keep = argv[i + 1];
    }
    const fs::path directory = keep.empty() ? fs::temp_directory_path() / "glym_check_bench" : fs::path(keep);
    generate(directory, lines);

    std::vector<double> seconds;
    std::size_t findings = 0;
    for (int run = 0; run < 7; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const CheckReport report = checkConfiguration(directory.string());
        std::ostringstream out;
        std::ostringstream errors;
        printCheckReport(report, out, errors);
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        findings = report.findings.size();
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("check of %zu rule lines: best %.3f s, median %.3f s, %zu findings\n", lines, seconds.front(),
                seconds[seconds.size() / 2], findings);
    if (keep.empty())
        fs::remove_all(directory);
    return 0;
}
