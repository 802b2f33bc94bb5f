// glym_rules_bench [--access-lines N] [--skip-rules N] [--blocking] [--keep DIR]
// Times the rule lists of the main window with large rule files, offscreen: start-up with the lists filled, a
// save, Delete, Edit and Add of a row in the middle of the networks list (on show, so laying its rows out again
// counts), sorts by a column both ways, the filter a keystroke at a time, undo and redo of a Delete, the
// cache-skip sort (and its undo), Edit, Add and Delete, and prints the figures with the memory the process holds
// after start-up and at its peak.
//
// The rule files are generated into a temporary program directory with a glym30.ini that names them: an access
// rules file of 100,000 lines (networks and hosts over all 65 groups, group names, URL, word and limit rules) and
// a cache-skip file of 50,000 rules. Block lists run to a million rules: --access-lines 1000000.
//
// --blocking spreads the access rules over the blocking kinds instead: URL rules (allowed and denied), blocked
// words, allowed ports and blocked port ranges, with a traffic limit and a speed for every group; the URL list
// then gets the Delete, Edit, Add and sort that the networks list gets.

#include "app/Main.h"
#include "rules/CacheSkipFile.h"
#include "rules/RulesFile.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <functional>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

struct Options {
    int accessLines = 100000;
    int skipRules = 50000;
    bool blocking = false; // the access rules spread over the blocking kinds
    QString keep;          // a directory to generate into and leave behind, instead of a temporary one
};

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    return file.write(bytes) == bytes.size();
}

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

// The access rules file: every group named, then networks and hosts spread over the 65 groups, with a few URL,
// word and limit rules; some lines are written by hand (blanks, a leading zero in the group field).
QByteArray accessRules(int lineCount) {
    Numbers random;
    QByteArray text;
    text.reserve(lineCount * 40);
    int written = 0;
    auto line = [&](const QByteArray& l) {
        text += l;
        text += "\r\n";
        ++written;
    };
    for (int group = 0; group < 65 && written < lineCount; ++group)
        line("GN:" + QByteArray::number(group) + ":Group " + QByteArray::number(group) + ":generated");
    while (written < lineCount) {
        const int group = static_cast<int>(random.next() % 65);
        const QByteArray g = QByteArray::number(group);
        const unsigned n = random.next();
        switch (n % 20) {
        case 0:
            line("PA:" + g + ":www.site" + QByteArray::number(n % 5000) + ".example:");
            break;
        case 1:
            line("BW:" + g + ":word" + QByteArray::number(n % 3000) + ":blocked");
            break;
        case 2:
            line("TL:" + g + ":" + QByteArray::number(n % 100000) + ":");
            break;
        case 3:
        case 4:
        case 5:
        case 6:
        case 7:
        case 8:
        case 9:
            line("CD:" + g + ":HOST-" + QByteArray::number(n % 100000) + ":computer " + QByteArray::number(written));
            break;
        case 10:
            line(" GD : " + g + " : 10.1." + QByteArray::number(n % 256) + ".0 : 255.255.255.0 : by hand ");
            break;
        default:
            line("GD:" + g + ":10." + QByteArray::number((n >> 16) % 256) + "." + QByteArray::number((n >> 8) % 256) +
                 "." + QByteArray::number(n % 256) + ":" + (n % 3 == 0 ? "255.255.255.255" : "255.255.255.0") +
                 ":network " + QByteArray::number(written));
            break;
        }
    }
    return text;
}

// The access rules file of --blocking: every group named and given a traffic limit and a speed, then URL rules,
// blocked words, allowed ports and blocked port ranges spread over the 65 groups; some lines are written by hand.
QByteArray blockingRules(int lineCount) {
    Numbers random;
    QByteArray text;
    text.reserve(lineCount * 36);
    int written = 0;
    auto line = [&](const QByteArray& l) {
        text += l;
        text += "\r\n";
        ++written;
    };
    for (int group = 0; group < 65 && written < lineCount; ++group) {
        const QByteArray g = QByteArray::number(group);
        line("GN:" + g + ":Group " + g + ":generated");
        line("TL:" + g + ":" + QByteArray::number(100000 + group) + ":daily");
        line("RL:" + g + ":" + QByteArray::number(6000000 + group * 128) + ":");
    }
    while (written < lineCount) {
        const unsigned n = random.next();
        const QByteArray g = QByteArray::number(n % 65);
        const QByteArray site = QByteArray::number((n >> 7) % 20000);
        switch ((n >> 3) % 8) {
        case 0:
        case 1:
            line("PA:" + g + ":www.site" + site + ".example:allowed");
            break;
        case 2:
        case 3:
            line("PD:" + g + ":ads" + site + ".example/banner:");
            break;
        case 4:
            line(" BW : " + g + " : word" + site + " : by hand ");
            break;
        case 5:
            line("BW:" + g + ":word" + site + ":");
            break;
        case 6:
            line("RP:" + g + ":" + QByteArray::number(1 + n % 65535) + ":");
            break;
        default: {
            const unsigned start = 1 + n % 60000;
            line("BP:" + g + ":" + QByteArray::number(start) + ":" + QByteArray::number(start + (n >> 4) % 100) +
                 ":range");
            break;
        }
        }
    }
    return text;
}

QByteArray cacheSkipRules(int ruleCount) {
    static const char* const kTags[] = {"SD", "SA", "BR"};
    Numbers random;
    QByteArray text;
    text.reserve(ruleCount * 40);
    for (int i = 0; i < ruleCount; ++i) {
        const unsigned n = random.next();
        text += kTags[n % 3];
        text += ":www.cached" + QByteArray::number(n % 100000) + ".example/path:rule " + QByteArray::number(i) + "\r\n";
    }
    return text;
}

QByteArray serverIni() {
    return "[Cache Skip]\r\nEnable=1\r\nFile Name=skip.txt\r\n"
           "[Router]\r\nFile Name=router.txt\r\n"
           "[Check]\r\nEnable=1\r\nFile Name=access.txt\r\n";
}

// Brings the page that holds the widget to the front and lets it paint.
void showPageOf(QWidget* widget, QWidget& window) {
    for (QWidget* w = widget; w && w != &window; w = w->parentWidget())
        if (auto* tabs = qobject_cast<QTabWidget*>(w->parentWidget() ? w->parentWidget()->parentWidget() : nullptr))
            tabs->setCurrentWidget(w);
    QApplication::processEvents();
}

// The memory the process holds now.
long residentKilobytes() {
    long pages = 0;
    long resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

long peakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Answers the next modal dialog: waits for it in the dialog's own event loop, then lets fill() act on it.
void answerNextModal(const std::function<void(QWidget*)>& fill) {
    auto* timer = new QTimer;
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, [timer, fill] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        fill(modal);
    });
    timer->start();
}

void clickOk(QWidget* dialog) {
    if (auto* ok = dialog->findChild<QAbstractButton*>(QStringLiteral("Button1")))
        ok->click();
}

int rows(const QAbstractItemView* list) {
    return list->model()->rowCount();
}

QString cell(const QAbstractItemView* list, int row, int column) {
    return list->model()->index(row, column).data().toString();
}

void selectRow(QAbstractItemView* list, int row) {
    list->selectionModel()->setCurrentIndex(list->model()->index(row, 0),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

// User plus system time of this process so far, in milliseconds.
double cpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto ms = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// Prints one figure a line: the wall time since begin() and the CPU time this process used meanwhile (a wall
// time well above the CPU time is waiting: for the disk's fsync, or for other processes).
class Report {
public:
    Report() { std::printf("%-44s %10s     %10s\n", "", "wall", "cpu"); }

    void begin() {
        cpuStart_ = cpuMs();
        wall_.start();
    }
    // The wall time since begin(), in milliseconds.
    double wallMs() const { return static_cast<double>(wall_.nsecsElapsed()) / 1e6; }

    void add(const char* what, const QString& note = QString()) { add(what, wallMs(), note); }
    void add(const char* what, double wallMilliseconds, const QString& note = QString()) {
        std::printf("%-44s %10.1f ms  %10.1f ms  %s\n", what, wallMilliseconds, cpuMs() - cpuStart_, qPrintable(note));
        std::fflush(stdout);
    }

private:
    QElapsedTimer wall_;
    double cpuStart_ = 0;
};

Options parseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--access-lines") == 0 && hasValue)
            options.accessLines = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--skip-rules") == 0 && hasValue)
            options.skipRules = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--blocking") == 0)
            options.blocking = true;
        else if (std::strcmp(argv[i], "--keep") == 0 && hasValue)
            options.keep = QString::fromLocal8Bit(argv[++i]);
        else {
            std::fprintf(stderr,
                         "usage: glym_rules_bench [--access-lines N] [--skip-rules N] [--blocking] [--keep DIR]\n");
            std::exit(2);
        }
    }
    return options;
}

// What the editing steps of a list need: its handlers, by name, and what the Add types.
struct ListSteps {
    const char* noun;     // "URL", "network"
    const char* keyDown;  // the list's key handler, for the Delete key
    const char* edit;     // the Edit handler
    const char* add;      // the Add handler
    const char* addField; // the dialog field the Add fills in
    const char* addText;  // and what it types there
    int commentColumn;    // where the Edit's comment shows
};

QString stepName(const char* step, const ListSteps& list, const char* after) {
    return QStringLiteral("%1 a %2 row (%3)").arg(QLatin1String(step), QLatin1String(list.noun), QLatin1String(after));
}

// Delete (the Delete key's handler), Edit and Add of a row in the middle of a list, on show, each with the repaint
// after it; the dialogs are answered as soon as they show (the Add takes the group of the selected row).
void benchEditing(TMainWnd& window, QTableView* list, const ListSteps& steps, Report& report) {
    showPageOf(list, window);
    const int middle = rows(list) / 2;
    selectRow(list, middle);
    QApplication::processEvents();
    const int rowsBefore = rows(list);
    report.begin();
    QMetaObject::invokeMethod(&window, steps.keyDown, Q_ARG(int, Qt::Key_Delete));
    const double deleteHandler = report.wallMs();
    QApplication::processEvents();
    report.add(qPrintable(stepName("Delete", steps, "handler")), deleteHandler,
               rows(list) == rowsBefore - 1 ? QString() : QStringLiteral("NOT DELETED"));
    report.add(qPrintable(stepName("Delete", steps, "handler + repaint")));

    selectRow(list, middle);
    QApplication::processEvents();
    const QString edited = QStringLiteral("edited by the benchmark");
    answerNextModal([&edited](QWidget* dialog) {
        if (auto* comment = dialog->findChild<QLineEdit*>(QStringLiteral("comment")))
            comment->setText(edited);
        clickOk(dialog);
    });
    report.begin();
    QMetaObject::invokeMethod(&window, steps.edit);
    QApplication::processEvents();
    report.add(qPrintable(stepName("Edit", steps, "dialog answered")),
               cell(list, middle, steps.commentColumn) == edited ? QString() : QStringLiteral("NOT EDITED"));

    answerNextModal([&steps](QWidget* dialog) {
        if (auto* field = dialog->findChild<QLineEdit*>(QLatin1String(steps.addField)))
            field->setText(QLatin1String(steps.addText));
        clickOk(dialog);
    });
    const int rowsBeforeAdd = rows(list);
    report.begin();
    QMetaObject::invokeMethod(&window, steps.add);
    QApplication::processEvents();
    report.add(qPrintable(stepName("Add", steps, "dialog answered")),
               rows(list) == rowsBeforeAdd + 1 ? QString() : QStringLiteral("NOT ADDED"));
}

// Header clicks, each with the repaint after it.
void benchSorts(TMainWnd& window, QTableView* list, std::initializer_list<std::pair<int, const char*>> sorts,
                Report& report) {
    for (const auto& [column, what] : sorts) {
        report.begin();
        window.LNetworkColumnClick(list, column);
        QApplication::processEvents();
        report.add(what);
    }
}

} // namespace

int main(int argc, char** argv) {
    const Options options = parseOptions(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QTemporaryDir temporary;
    const QString dir = options.keep.isEmpty() ? temporary.path() : QDir(options.keep).absolutePath();
    QDir().mkpath(dir);
    Report report;

    report.begin();
    // The generated text is not held beyond its file: the memory figures are the configurator's.
    if (!writeFile(dir + QStringLiteral("/access.txt"),
                   options.blocking ? blockingRules(options.accessLines) : accessRules(options.accessLines)) ||
        !writeFile(dir + QStringLiteral("/skip.txt"), cacheSkipRules(options.skipRules)) ||
        !writeFile(dir + QStringLiteral("/glym30.ini"), serverIni())) {
        std::fprintf(stderr, "cannot write the rule files into %s\n", qPrintable(dir));
        return 1;
    }
    report.add("generate files",
               QStringLiteral("%1 access lines, %2 cache-skip rules").arg(options.accessLines).arg(options.skipRules));

    // The part of start-up that is file reading alone (the core loaders), for comparison.
    report.begin();
    {
        GroupTable table;
        LoadAccessRules((dir + QStringLiteral("/access.txt")).toStdString(), table);
        const auto lines = loadCacheSkipLines((dir + QStringLiteral("/skip.txt")).toStdString());
        report.add("core loaders alone (access + cache-skip)", QStringLiteral("%1 cache-skip lines").arg(lines.size()));
    }
    report.begin();
    {
        LoadFindings findings;
        GroupTable table;
        LoadAccessRules((dir + QStringLiteral("/access.txt")).toStdString(), table, &findings);
        loadCacheSkipLines((dir + QStringLiteral("/skip.txt")).toStdString(), &findings);
        report.add("core loaders, lines left out collected",
                   QStringLiteral("%1 left out").arg(findings.findings().size()));
    }

    // What the loaders alone freed goes back to the system, so that the window starts as a program does, with no
    // memory of theirs to reuse, and the memory figures are the window's.
#ifdef __GLIBC__
    malloc_trim(0);
#endif

    report.begin();
    TMainWnd window(dir + QStringLiteral("/glymconf"));
    const double construct = report.wallMs();
    auto* networks = window.findChild<QTableView*>(QStringLiteral("LNetwork"));
    auto* hosts = window.findChild<QTableView*>(QStringLiteral("LHost"));
    auto* groups = window.findChild<QTableView*>(QStringLiteral("GroupName"));
    auto* skip = window.findChild<QTableView*>(QStringLiteral("CacheSkipRules"));
    auto* urls = window.findChild<QTableView*>(QStringLiteral("LUrl"));
    auto* words = window.findChild<QTableView*>(QStringLiteral("LWord"));
    auto* limits = window.findChild<QTableView*>(QStringLiteral("LLimit"));
    auto* speeds = window.findChild<QTableView*>(QStringLiteral("LSpeed"));
    auto* portAccess = window.findChild<QTableView*>(QStringLiteral("LPortA"));
    auto* portBlocks = window.findChild<QTableView*>(QStringLiteral("LPortB"));
    report.add("start-up (TMainWnd constructed)", construct,
               QStringLiteral("rows: %1 groups, %2 networks, %3 hosts, %4 cache-skip")
                   .arg(rows(groups))
                   .arg(rows(networks))
                   .arg(rows(hosts))
                   .arg(rows(skip)));
    std::printf("%-44s %s\n", "",
                qPrintable(QStringLiteral("rows: %1 URL, %2 words, %3 limits, %4 speeds, %5 ports, %6 port ranges")
                               .arg(rows(urls))
                               .arg(rows(words))
                               .arg(rows(limits))
                               .arg(rows(speeds))
                               .arg(rows(portAccess))
                               .arg(rows(portBlocks))));

    report.begin();
    window.show();
    QApplication::processEvents();
    report.add("first show (layout and paint)");

    // The lists sit on pages that are not shown at first; show each once, as a user opening the page would. The
    // networks stay on show for the steps that follow, so their figures include laying the rows out again.
    report.begin();
    showPageOf(skip, window);
    report.add("open the cache-skip page");
    report.begin();
    showPageOf(networks, window);
    report.add("open the networks page");
    std::printf("%-44s %10.1f MB\n", "memory in use after start-up (RSS)",
                static_cast<double>(residentKilobytes()) / 1024.0);

    if (options.blocking) {
        report.begin();
        showPageOf(urls, window);
        report.add("open the cache blocking page");
        report.begin();
        showPageOf(portBlocks, window);
        report.add("open the ports page");
    }

    report.begin();
    const bool saved = window.SaveServerConfig();
    report.add("SaveServerConfig", saved ? QString() : QStringLiteral("FAILED"));

    if (options.blocking) {
        benchEditing(window, urls,
                     {"URL", "LUrlKeyDown", "EditUrlActionExecute", "AddUrlActionExecute", "url", "added.example", 3},
                     report);
        benchSorts(window, urls, {{2, "sort URL rules by \"URL Blocked\""}, {1, "sort URL rules by \"Status\""}},
                   report);
    }

    // The networks list (empty with --blocking).
    if (!options.blocking) {
        benchEditing(
            window, networks,
            {"network", "LNetworkKeyDown", "EditNetActionExecute", "AddNetActionExecute", "ip", "192.168.200.0/24", 3},
            report);
        benchSorts(window, networks,
                   {{1, "sort networks by \"IP Address\""},
                    {1, "sort networks by \"IP Address\", reversed"},
                    {0, "sort networks by \"Group ID\""}},
                   report);

        // The filter, a keystroke at a time as typed (each narrows what is shown), then erased at once (every
        // row again, in the sorted order).
        if (auto* filter = window.findChild<QLineEdit*>(QStringLiteral("LNetworkFilter"))) {
            for (const char* typed : {"1", "19", "192", "192.1", "no such text"}) {
                report.begin();
                filter->setText(QString::fromLatin1(typed));
                QApplication::processEvents();
                const QString shown = QStringLiteral("%1 rows shown").arg(rows(networks));
                report.add(qPrintable(QStringLiteral("filter networks: \"%1\"").arg(QLatin1String(typed))), shown);
            }
            report.begin();
            filter->clear();
            QApplication::processEvents();
            report.add("filter networks: cleared");
        }

        report.begin();
        window.LNetworkColumnClick(hosts, 1);
        QApplication::processEvents();
        report.add("sort hosts by \"Computer Name\"");

        // Delete after the sort: the row still reaches its own line.
        selectRow(networks, rows(networks) / 3);
        report.begin();
        window.LNetworkKeyDown(Qt::Key_Delete);
        QApplication::processEvents();
        report.add("Delete a network row after the sort");

        // Undo of that Delete (the line goes back under its id, the row to the end of the sorted view), and redo.
        const int rowsAfterDelete = rows(networks);
        report.begin();
        window.UndoActionExecute();
        QApplication::processEvents();
        report.add("Undo the Delete", rows(networks) == rowsAfterDelete + 1 ? QString() : QStringLiteral("NOT UNDONE"));
        report.begin();
        window.RedoActionExecute();
        QApplication::processEvents();
        report.add("Redo the Delete", rows(networks) == rowsAfterDelete ? QString() : QStringLiteral("NOT REDONE"));
    }

    showPageOf(skip, window);
    report.begin();
    window.CacheSkipRulesColumnClick(1);
    QApplication::processEvents();
    report.add("cache-skip sort (lines and rows)");
    report.begin();
    window.UndoActionExecute();
    QApplication::processEvents();
    report.add("Undo the cache-skip sort");
    report.begin();
    window.RedoActionExecute();
    QApplication::processEvents();
    report.add("Redo the cache-skip sort");

    selectRow(skip, rows(skip) / 2);
    QApplication::processEvents();
    answerNextModal([](QWidget* dialog) {
        if (auto* url = dialog->findChild<QLineEdit*>(QStringLiteral("url")))
            url->setText(QStringLiteral("edited.example"));
        clickOk(dialog);
    });
    report.begin();
    window.EditSkipActionExecute();
    QApplication::processEvents();
    report.add("cache-skip Edit (dialog answered)");

    answerNextModal([](QWidget* dialog) {
        if (auto* url = dialog->findChild<QLineEdit*>(QStringLiteral("url")))
            url->setText(QStringLiteral("added.example"));
        clickOk(dialog);
    });
    report.begin();
    window.AddSkipActionExecute();
    QApplication::processEvents();
    report.add("cache-skip Add (dialog answered)");

    selectRow(skip, rows(skip) / 2);
    report.begin();
    window.CacheSkipRulesKeyDown(Qt::Key_Delete);
    QApplication::processEvents();
    report.add("cache-skip Delete");

    report.begin();
    const bool savedAgain = window.SaveServerConfig();
    report.add("SaveServerConfig after the changes", savedAgain ? QString() : QStringLiteral("FAILED"));

    // File > Reload with nothing unsaved: every list emptied, every file read again, every list refilled.
    report.begin();
    window.Reload1Click();
    report.add("Reload (every file read again)", QStringLiteral("rows: %1 networks").arg(rows(networks)));

    std::printf("%-44s %10.1f MB\n", "peak memory (getrusage ru_maxrss)",
                static_cast<double>(peakKilobytes()) / 1024.0);

    window.ConfigChanged = false; // nothing to ask on close
    window.close();
    return 0;
}
