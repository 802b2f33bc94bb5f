// glym_statspage_bench [--clients N] [--export-clients N]
// Times the page "Statistic" of the main window, offscreen, on logs of one line per client: a reload with N
// distinct clients (the reading alone, then the reading with the rows shown, the totals and the chart drawn and
// the window repainted), a sort by "Send, kB" and one by "IP Address", the filter, and the export of a list of M
// clients through the save dialog; then the reload again with the Group column matched against 50,000 networks
// and 10,000 hosts, and Follow steps after 1 MB appended to the log (sorted by "Send, kB"). Best of 5 each.

#include "app/Main.h"
#include "logs/ConnectionStats.h"
#include "rules/Ipv4.h"
#include "stats/StatisticsPage.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>

namespace {

// One connection line per client, each with an address of its own.
bool writeLog(const QString& path, int clients) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray text;
    text.reserve(clients * 80);
    for (int i = 0; i < clients; ++i) {
        char line[160];
        const int length = std::snprintf(
            line, sizeof line, "%d thr 10.%d.%d.%d 15.01.2024 08:%02d:00 15.01.2024 09:%02d:00 %d %d\n", i,
            (i >> 16) & 255, (i >> 8) & 255, i & 255, i % 60, (i * 7) % 60, (i * 13) % 1000, (i * 7919) % 100000);
        text.append(line, length);
    }
    return file.write(text) == text.size();
}

// 64 groups with 50,000 networks of masks /8 to /30 and 10,000 hosts, some of which hold the clients of writeLog.
bool writeAccessRules(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray text;
    std::uint64_t state = 7;
    auto next = [&state] {
        state = state * 6364136223846793005 + 1442695040888963407;
        return static_cast<std::uint32_t>(state >> 33);
    };
    for (int g = 1; g <= 64; ++g)
        text += "GN:" + QByteArray::number(g) + ":group " + QByteArray::number(g) + ":\r\n";
    for (int i = 0; i < 50000; ++i) {
        const unsigned prefix = 8 + next() % 23;
        const std::uint32_t mask = ~std::uint32_t{0} << (32 - prefix);
        const std::uint32_t address = i % 2 ? (10u << 24 | (next() & 0xFFFFFF)) : next();
        text += "GD:" + QByteArray::number(1 + i % 64) + ":" + QByteArray::fromStdString(formatIpv4(address & mask)) +
                ":" + QByteArray::fromStdString(formatIpv4(mask)) + ":\r\n";
    }
    for (int i = 0; i < 10000; ++i)
        text += "CD:" + QByteArray::number(1 + i % 64) + ":PC-" + QByteArray::number(i) + ".lan:\r\n";
    return file.write(text) == text.size();
}

double bestOf5(const std::function<void()>& run) {
    double best = std::numeric_limits<double>::max();
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer clock;
        clock.start();
        run();
        best = std::min(best, static_cast<double>(clock.nsecsElapsed()) / 1e9);
    }
    return best;
}

// Answers the next save dialog with a file name, as a person types it.
void answerSaveDialog(const QString& name) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, name] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        poll->deleteLater();
        poll->stop();
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(name);
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Save)->click();
    });
    poll->start(1);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int clients = 100000;
    int exportClients = 1000000;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--clients") == 0)
            clients = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--export-clients") == 0)
            exportClients = std::atoi(argv[i + 1]);
    }

    QTemporaryDir dir;
    const QString small = dir.filePath(QStringLiteral("conn.log"));
    const QString large = dir.filePath(QStringLiteral("big.log"));
    if (!writeLog(small, clients) || !writeLog(large, exportClients)) {
        std::fprintf(stderr, "cannot write the logs\n");
        return 1;
    }
    QFile ini(dir.filePath(QStringLiteral("glym30.ini")));
    if (!ini.open(QIODevice::WriteOnly) || ini.write("[Connect Log]\r\nFile Name=conn.log\r\n") < 0)
        return 1;
    ini.close();

    TMainWnd window(dir.filePath(QStringLiteral("glymconf")));
    window.findChild<QTabWidget*>(QStringLiteral("PageControl"))
        ->setCurrentWidget(window.findChild<QWidget*>(QStringLiteral("Statistic")));
    window.resize(1200, 800);
    window.show();
    app.processEvents();
    auto* list = window.findChild<QTableView*>(QStringLiteral("LStat"));
    auto* logField = window.findChild<QLineEdit*>(QStringLiteral("ConnectLogFile"));

    const double reading = bestOf5([&] { readConnectionStats(small.toStdString()); });
    const double reload = bestOf5([&] {
        window.BReloadStatisticClick();
        app.processEvents(); // the repaint
    });
    std::printf("%d clients: reading %.3f s, reload with rows, totals and chart shown %.3f s (showing %.3f s)\n",
                list->model()->rowCount(), reading, reload, reload - reading);
    const double sortSent = bestOf5([&] {
        window.LNetworkColumnClick(list, 1);
        app.processEvents();
    });
    const double sortAddress = bestOf5([&] {
        window.LNetworkColumnClick(list, 0);
        app.processEvents();
    });
    std::printf("sort by \"Send, kB\" %.3f s, by \"IP Address\" %.3f s\n", sortSent, sortAddress);
    // The filter as typed: a keystroke that narrows to a tenth of the rows, then the field cleared at once.
    auto* filter = window.findChild<QLineEdit*>(QStringLiteral("LStatFilter"));
    int narrowed = 0;
    const double filterKey = bestOf5([&] {
        filter->setText(QStringLiteral("10.1"));
        app.processEvents();
        narrowed = list->model()->rowCount();
        filter->clear();
        app.processEvents();
    });
    std::printf("filter \"10.1\" (%d rows shown) and cleared again: %.3f s\n", narrowed, filterKey);

    logField->setText(QStringLiteral("big.log"));
    window.BReloadStatisticClick();
    window.LNetworkColumnClick(list, 1);
    const QString exported = dir.filePath(QStringLiteral("export.csv"));
    const double exporting = bestOf5([&] {
        QFile::remove(exported); // so that the dialog does not ask to replace it
        answerSaveDialog(exported);
        window.BSaveStatisticClick();
    });
    std::printf("export of %d rows (sorted) through the save dialog: %.3f s, %lld bytes\n", list->model()->rowCount(),
                exporting, static_cast<long long>(QFile(exported).size()));

    // The Group column: the same reload with the groups of a large access rules file.
    if (!writeAccessRules(dir.filePath(QStringLiteral("access.txt"))) ||
        !ini.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        ini.write("[Connect Log]\r\nFile Name=conn.log\r\n[Check]\r\nEnable=1\r\nFile Name=access.txt\r\n") < 0)
        return 1;
    ini.close();
    TMainWnd second(dir.filePath(QStringLiteral("glymconf")));
    second.findChild<QTabWidget*>(QStringLiteral("PageControl"))
        ->setCurrentWidget(second.findChild<QWidget*>(QStringLiteral("Statistic")));
    second.resize(1200, 800);
    second.show();
    window.hide();
    app.processEvents();
    list = second.findChild<QTableView*>(QStringLiteral("LStat"));
    const double grouped = bestOf5([&] {
        second.BReloadStatisticClick();
        app.processEvents();
    });
    std::printf("%d clients with the Group column (50,000 networks, 10,000 hosts): reload %.3f s, %.3f s more than "
                "without\n",
                list->model()->rowCount(), grouped, grouped - reload);

    // Follow: 1 MB appended (lines of the clients there are and of new ones), one step, the rows sorted by traffic.
    second.findChild<QCheckBox*>(QStringLiteral("StatFollow"))->setChecked(true);
    second.BReloadStatisticClick();
    second.LNetworkColumnClick(list, 1);
    auto* page = second.findChild<StatisticsPage*>();
    int step = 0;
    double following = std::numeric_limits<double>::max();
    for (int rep = 0; rep < 5; ++rep) {
        QByteArray appended;
        while (appended.size() < 1000000) {
            char line[160];
            const int i = (step++ * 7919) % (clients + clients / 10);
            appended.append(line, std::snprintf(line, sizeof line,
                                                "%d thr 10.%d.%d.%d 15.01.2024 10:00:00 15.01.2024 10:01:00 3 %d\n", i,
                                                (i >> 16) & 255, (i >> 8) & 255, i & 255, i % 1000));
        }
        QFile log(small);
        if (!log.open(QIODevice::Append) || log.write(appended) != appended.size())
            std::fprintf(stderr, "cannot append to the log\n");
        log.close();
        QElapsedTimer clock;
        clock.start();
        page->followStep();
        app.processEvents();
        following = std::min(following, static_cast<double>(clock.nsecsElapsed()) / 1e9);
    }
    std::printf("follow step after 1 MB appended, %d clients shown sorted: %.3f s\n", list->model()->rowCount(),
                following);
    return 0;
}
