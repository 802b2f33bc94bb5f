// glym_history_bench [--access-lines N] [--skip-rules N] [--dir DIR]
// Times the history: (1) the diff of two versions of a 100,000-line file that differ in 10 lines, spread over it
// (diffLines and its unified text); (2) what recording a generation adds to a save of 100,000 access lines and
// 50,000 cache-skip rules: saves that change one access line, with no history, with a history being filled, and
// with a full history of 200 generations (each save then prunes one and removes its content); (3) in a build with
// the window (run it offscreen), the history dialog opened on those 200 generations, and the diff of (1) shown in
// the diff view. Prints the best and the median of each. The files go to DIR (a temporary directory by default,
// removed at the end): time it on the disk the configuration lives on.

#include "document/Configuration.h"
#include "history/Diff.h"
#include "history/Store.h"

#ifdef GLYM_BENCH_WINDOW
#include "history/SnapshotDiff.h"
#include "session/ChangesView.h"
#include "session/HistoryDialog.h"
#include "session/HistoryModel.h"

#include <QApplication>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Figures {
    double best = 0;
    double median = 0;
};

Figures timed(int runs, const std::function<void(int)>& run) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        run(i);
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return {ms.front(), ms[ms.size() / 2]};
}

std::string accessLine(std::size_t n) {
    const std::string group = std::to_string(1 + n % 64);
    switch (n % 4) {
    case 0:
        return "GD:" + group + ":10." + std::to_string(n / 65536 % 256) + "." + std::to_string(n / 256 % 256) + "." +
               std::to_string(n % 256) + ":255.255.255.255:host " + std::to_string(n);
    case 1:
        return "PD:" + group + ":www.site" + std::to_string(n) + ".example:";
    case 2:
        return "BW:" + group + ":word" + std::to_string(n) + ":";
    default:
        return "CD:" + group + ":HOST" + std::to_string(n) + ":";
    }
}

std::string accessFile(std::size_t lines) {
    std::string text;
    for (int group = 0; group <= 64; ++group)
        text += "GN:" + std::to_string(group) + ":Group " + std::to_string(group) + ":\r\n";
    for (std::size_t n = 0; n + 65 < lines; ++n)
        text += accessLine(n) + "\r\n";
    return text;
}

std::string skipFile(std::size_t lines) {
    std::string text;
    for (std::size_t n = 0; n < lines; ++n)
        text += (n % 3 == 0 ? "SA:/images" : "SD:/path") + std::to_string(n) + "/:\r\n";
    return text;
}

struct Versions {
    std::string older;
    std::string newer;
};

Versions versions(std::size_t lines) {
    Versions made;
    for (std::size_t n = 0; n < lines; ++n) {
        const std::string line = accessLine(n) + "\r\n";
        made.older += line;
        made.newer += n % (lines / 10) == lines / 20 ? "PD:1:changed" + std::to_string(n) + ".example:\r\n" : line;
    }
    return made;
}

void diffBench(std::size_t lines) {
    const auto [older, newer] = versions(lines);
    std::size_t added = 0;
    std::size_t bytes = 0;
    const Figures figures = timed(7, [&](int) {
        const textdiff::FileDiff diff = textdiff::diffLines(older, newer);
        bytes = textdiff::unifiedDiff(diff, "a", "b").size();
        added = diff.counts.added;
    });
    std::printf("diff of two %zu-line versions, %zu lines changed: best %.1f ms, median %.1f ms (%zu bytes of "
                "unified diff)\n",
                lines, added, figures.best, figures.median, bytes);
    const Figures counts = timed(7, [&](int) { added = textdiff::countChanges(older, newer).added; });
    std::printf("  the counts alone: best %.1f ms, median %.1f ms\n", counts.best, counts.median);
}

// Saves that each change one access rule (the file is written) and the port (glym30.ini is written).
Figures saves(Configuration& configuration, int runs, int& serial) {
    return timed(runs, [&](int) {
        ++serial;
        configuration.groups().find(1)->SetGroupLine("GN:1:Group 1:save " + std::to_string(serial));
        configuration.setSetting(Configuration::settingOfControl("EditProxyPort"),
                                 {std::to_string(1000 + serial % 60000), {}, false});
        const Configuration::SaveResult result = configuration.save();
        if (!result.notes.empty())
            std::printf("  note: %s\n", result.notes.front().c_str());
    });
}

#ifdef GLYM_BENCH_WINDOW
// The history dialog opened, its list shown; then with the diff of the newest generation against the one before it
// shown too (read from the store and compared once the list is up). The diff view showing a diff of two
// 100,000-line versions, from the versions' bytes to the rows drawn.
void windowBench(const Configuration& configuration, std::size_t lines) {
    const HistoryDialog::Sources sources{.storeDirectory = configuration.historyDirectory(),
                                         .configurationDirectory = fs::current_path().string(),
                                         .filesNow = [&configuration] { return configuration.filesOnDisk(); },
                                         .restore =
                                             [](unsigned) {
                                                 return false;
                                             }};
    int listed = 0;
    const Figures opened = timed(7, [&](int) {
        HistoryDialog dialog(sources);
        dialog.show();
        QCoreApplication::processEvents(); // shown; the diff waits for the next turn
        listed = dialog.model().rowCount();
    });
    std::printf("history dialog opened with %d generations, list shown: best %.1f ms, median %.1f ms\n", listed,
                opened.best, opened.median);
    const Figures diffed = timed(7, [&](int) {
        HistoryDialog dialog(sources);
        dialog.show();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents(); // the newest generation's diff computed and shown
    });
    std::printf("  and the newest generation's diff shown: best %.1f ms, median %.1f ms\n", diffed.best, diffed.median);

    const auto [older, newer] = versions(lines);
    ChangesView view;
    view.resize(900, 600);
    view.show();
    const Figures shown = timed(7, [&](int) {
        view.setChanges(history::compareSnapshots({{history::FileRole::AccessRules, "access.txt", older}},
                                                  {{history::FileRole::AccessRules, "access.txt", newer}}),
                        {});
        view.repaint();
    });
    std::printf("diff view of two %zu-line versions, %d rows: best %.1f ms, median %.1f ms\n", lines,
                view.lines().rowCount(), shown.best, shown.median);
}
#endif

void saveBench(const fs::path& directory, std::size_t accessLines, std::size_t skipRules) {
    std::ofstream(directory / "glym30.ini", std::ios::binary)
        << "[Server]\r\nPort=3128\r\n[Cache Skip]\r\nEnable=1\r\nFile Name=skip.txt\r\n[Check]\r\nEnable=1\r\n"
           "File Name=access.txt\r\n";
    std::ofstream(directory / "access.txt", std::ios::binary) << accessFile(accessLines);
    std::ofstream(directory / "skip.txt", std::ios::binary) << skipFile(skipRules);
    fs::current_path(directory);
    Configuration configuration;
    configuration.load({});
    int serial = 0;
    const Figures plain = saves(configuration, 15, serial);
    std::printf("save of %zu access lines and %zu cache-skip rules, one rule changed:\n", accessLines, skipRules);
    std::printf("  no history:                   best %6.1f ms, median %6.1f ms\n", plain.best, plain.median);

    configuration.setHistory({.userRoot = (directory / "state").string(), .besideFiles = false, .keep = 200});
    const Figures filling = saves(configuration, 15, serial);
    std::printf("  recorded, history filling:    best %6.1f ms, median %6.1f ms (+%.1f ms)\n", filling.best,
                filling.median, filling.median - plain.median);
    saves(configuration, 200 - 15, serial); // the history is full: from now on every save prunes one
    const Figures full = saves(configuration, 15, serial);
    std::printf("  recorded, 200 generations:    best %6.1f ms, median %6.1f ms (+%.1f ms)\n", full.best, full.median,
                full.median - plain.median);
    const history::Store store(configuration.historyDirectory());
    std::size_t contents = 0;
    for (const auto& entry : fs::directory_iterator(store.directory() + "/blobs")) {
        (void)entry;
        ++contents;
    }
    std::printf("  %zu generations kept, %zu contents stored\n", store.list().generations.size(), contents);
#ifdef GLYM_BENCH_WINDOW
    windowBench(configuration, 100000);
#endif
}

} // namespace

int main(int argc, char* argv[]) {
#ifdef GLYM_BENCH_WINDOW
    QApplication application(argc, argv);
#endif
    std::size_t accessLines = 100000;
    std::size_t skipRules = 50000;
    std::string keep;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--access-lines")
            accessLines = std::strtoul(argv[i + 1], nullptr, 10);
        else if (option == "--skip-rules")
            skipRules = std::strtoul(argv[i + 1], nullptr, 10);
        else if (option == "--dir")
            keep = argv[i + 1];
    }
    diffBench(100000);
    const fs::path directory = keep.empty() ? fs::temp_directory_path() / "glym_history_bench" : fs::path(keep);
    fs::remove_all(directory);
    fs::create_directories(directory);
    saveBench(directory, accessLines, skipRules);
    fs::current_path("/");
    if (keep.empty())
        fs::remove_all(directory);
    return 0;
}
