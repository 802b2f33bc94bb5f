// The page "Statistic" on logs of the administrator's choice: Open Log, --log and a dropped file, the period, the
// Group column and the Groups view, the lines not read and Follow, driven through the window.

#include "app/Main.h"

#include "PlainReckoning.h"
#include "app/CommandLine.h"
#include "stats/StatisticsPage.h"
#include "support/GuiTestSupport.h"
#include "support/ListReading.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <QtTest>

#include <zlib.h>

namespace {

QByteArray gzipped(const QByteArray& bytes) {
    z_stream stream{};
    deflateInit2(&stream, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(static_cast<qsizetype>(deflateBound(&stream, static_cast<uLong>(bytes.size())) + 32), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(static_cast<qsizetype>(stream.total_out));
    deflateEnd(&stream);
    return out;
}

// A line of a client whose connection started on the given day (dd.MM.yyyy) and time.
QByteArray line(const char* client, const QDate& day, const char* time, int kilobytes) {
    const QByteArray date = day.toString(QStringLiteral("dd.MM.yyyy")).toLatin1();
    return QByteArray("a b ") + client + ' ' + date + ' ' + time + ' ' + date + " 23:59:59 1 " +
           QByteArray::number(kilobytes) + '\n';
}

const QByteArray kAccessRules = "GN:1:Office:\r\nGD:1:10.0.0.0:255.255.255.0:lan\r\n"
                                "GN:2:Guests:\r\nGD:2:10.0.0.128:255.255.255.128:\r\nCD:2:KIOSK:\r\n";

} // namespace

class TestStatisticsLogs : public QObject, WindowTest {
    Q_OBJECT

    QTableView* list_ = nullptr;
    QLabel* totals_ = nullptr;
    QStringList problems_;

    void start() {
        dir->write(QStringLiteral("access.txt"), kAccessRules);
        WindowTest::start("[Connect Log]\r\nFile Name=conn.log\r\n[Check]\r\nEnable=1\r\nFile Name=access.txt\r\n");
        list_ = child<QTableView>("LStat");
        totals_ = child<QLabel>("StatisticTotals");
        QVERIFY(list_ && totals_);
        child<QTabWidget>("PageControl")->setCurrentWidget(child<QWidget>("Statistic"));
        QVERIFY(showWindow());
    }

    StatisticsPage* page() const { return window->findChild<StatisticsPage*>(); }

    QStringList column(const QTableView* view, int index) const {
        QStringList cells;
        for (int row = 0; row < listview::rowCount(view); ++row)
            cells << listview::cell(view, row, index);
        return cells;
    }

    // The rows as a plain reckoning of the same lines gives them: address and "Send, kB".
    static QStringList reckoned(const QByteArray& log) {
        QStringList cells;
        for (const ConnectionStatsRow& row : plainreckoning::reckon(log.toStdString()).rows)
            cells << QString::fromStdString(row.address + " " + row.sent);
        return cells;
    }
    QStringList shown() const {
        QStringList cells;
        for (int row = 0; row < listview::rowCount(list_); ++row)
            cells << listview::cell(list_, row, 0) + ' ' + listview::cell(list_, row, 1).remove(u',');
        return cells;
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void init() {
        begin();
        problems_.clear();
    }
    void cleanup() {
        problems_ << finish();
        verifyNoProblems(problems_);
    }

    // Statistics > Open Log... reads the chosen files, a gzip rotation and the log, as one log in time order,
    // without touching the settings.
    void openLogReadsRotationsAsOne() {
        start();
        const QDate day(2024, 1, 15);
        const QByteArray older = line("10.0.0.1", day, "08:00:00", 100) + line("10.0.0.2", day, "08:01:00", 7);
        const QByteArray newer = line("10.0.0.1", day, "09:00:00", 1000) + line("KIOSK", day, "09:01:00", 5);
        dir->write(QStringLiteral("connect.log.1.gz"), gzipped(older));
        dir->write(QStringLiteral("connect.log"), newer);
        answers->pushDialog<QFileDialog>([this](QFileDialog* dialog) {
            if (dialog->objectName() != QLatin1String("OpenLogDialog"))
                problems_ << QStringLiteral("not the open dialog: %1").arg(dialog->objectName());
            dialog->setDirectory(dir->path(QString()));
            // Given newest first: the page puts them in time order.
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
                ->setText(QStringLiteral("\"connect.log\" \"connect.log.1.gz\""));
            dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open)->click();
        });
        auto* action = window->findChild<QAction*>(QStringLiteral("OpenLogAction"));
        QVERIFY(action);
        action->trigger();
        QCOMPARE(shown(), reckoned(older + newer));
        QCOMPARE(listview::cell(list_, 0, 1), QStringLiteral("1,100"));
        QCOMPARE(column(list_, 6), QStringList({"1 - Office", "1 - Office", "2 - Guests"}));
        QVERIFY(child<QLabel>("StatLogFiles")->text().contains(QStringLiteral("connect.log.1.gz, connect.log")));
        QVERIFY(totals_->text().startsWith(QStringLiteral("3 clients, 4 connections, 4 queries, 1.1 MiB sent")));
        QCOMPARE(valueOf(QStringLiteral("ConnectLogFile")), QStringLiteral("conn.log"));
        QVERIFY(!window->ConfigChanged);
        // The reload button reads the opened logs again; Read the Connect Log goes back to the settings' log.
        dir->write(QStringLiteral("conn.log"), line("10.9.9.9", day, "10:00:00", 1));
        QTest::mouseClick(child<QToolButton>("BReloadStatistic"), Qt::LeftButton);
        QCOMPARE(listview::rowCount(list_), 3);
        window->findChild<QAction*>(QStringLiteral("ConnectLogAction"))->trigger();
        QCOMPARE(shown(), QStringList({"10.9.9.9 1"}));
    }

    // --log FILE, given twice, opens the window on both logs; a dropped file is read the same way.
    void commandLineAndDrop() {
        const CommandLine command = parseCommandLine({"glymconf", "--log", "a.log", "--log", "b.log.2.zst"}, true);
        QCOMPARE(command.action, CommandLine::Action::Window);
        QCOMPARE(command.logFiles, QStringList({"a.log", "b.log.2.zst"}));
        QCOMPARE(parseCommandLine({"glymconf", "--check", "--log", "a.log"}, true).action, CommandLine::Action::Error);

        start();
        const QDate day(2024, 1, 15);
        dir->write(QStringLiteral("other.log"), line("10.0.0.7", day, "08:00:00", 70) + "not a line\n");
        window->openLogs({dir->path(QStringLiteral("other.log"))});
        QCOMPARE(shown(), QStringList({"10.0.0.7 70"}));
        auto* notRead = child<QToolButton>("StatNotRead");
        QVERIFY(notRead->isVisible());
        QCOMPARE(notRead->text(), QStringLiteral("1 line not read"));

        dir->write(QStringLiteral("dropped.log"), line("10.0.0.8", day, "08:00:00", 80));
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(dir->path(QStringLiteral("dropped.log")))});
        QWidget* pageWidget = child<QWidget>("Statistic");
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(pageWidget, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(pageWidget, &drop);
        QVERIFY(drop.isAccepted());
        QTRY_COMPARE(shown(), QStringList({"10.0.0.8 80"}));
        QVERIFY(!notRead->isVisible());
    }

    // A preset period keeps the connections that started in it; the totals and the Groups view follow.
    void periodAndGroups() {
        start();
        const QDate today = QDate::currentDate();
        dir->write(QStringLiteral("conn.log"),
                   line("10.0.0.1", today.addDays(-1), "23:59:59", 1) + line("10.0.0.1", today, "00:00:00", 20) +
                       line("10.0.0.200", today, "12:00:00", 300) + line("KIOSK", today, "23:59:59", 4000) +
                       line("10.0.9.9", today.addDays(1), "00:00:00", 50000) + line("10.0.0.2", today, "noon", 1));
        QTest::mouseClick(child<QToolButton>("BReloadStatistic"), Qt::LeftButton);
        QCOMPARE(listview::rowCount(list_), 5);
        auto* period = child<QComboBox>("StatPeriod");
        period->setCurrentIndex(1); // Today
        Q_EMIT period->activated(1);
        QCOMPARE(shown(), QStringList({"10.0.0.1 20", "10.0.0.200 300", "KIOSK 4000"}));
        QCOMPARE(listview::cell(list_, 2, 1), QStringLiteral("4,000")); // grouped as the locale groups numbers
        QCOMPARE(child<QDateTimeEdit>("StatFrom")->dateTime(), QDateTime(today, QTime(0, 0)));
        QCOMPARE(child<QToolButton>("StatNotRead")->text(), QStringLiteral("1 line not read")); // "noon"
        // 10.0.0.200 lies in both groups' networks: it shows both, and counts once, in "Several groups".
        QCOMPARE(column(list_, 6), QStringList({"1 - Office", "1 - Office, 2 - Guests", "2 - Guests"}));
        child<QComboBox>("StatView")->setCurrentIndex(1);
        auto* groups = child<QTableView>("LStatGroups");
        QVERIFY(groups->isVisible());
        QVERIFY(!list_->isVisible());
        QCOMPARE(column(groups, 0), QStringList({"1 - Office", "2 - Guests", "Several groups"}));
        QCOMPARE(column(groups, 2), QStringList({"20", "4,000", "300"}));
    }

    // Follow reads what is appended; the sort, the filter and the selection stay as the user left them.
    void followKeepsSortFilterAndSelection() {
        start();
        const QDate day(2024, 1, 15);
        QByteArray log = line("10.0.0.1", day, "08:00:00", 5) + line("10.0.0.2", day, "08:00:00", 50) +
                         line("10.0.0.3", day, "08:00:00", 500);
        dir->write(QStringLiteral("conn.log"), log);
        child<QCheckBox>("StatFollow")->setChecked(true); // nothing read yet: Follow waits for a reading
        QTest::mouseClick(child<QToolButton>("BReloadStatistic"), Qt::LeftButton);
        QVERIFY(totals_->text().startsWith(QStringLiteral("Following")));
        window->LNetworkColumnClick(list_, 1);
        window->LNetworkColumnClick(list_, 1); // by traffic, largest first
        child<QLineEdit>("LStatFilter")->setText(QStringLiteral("10.0.0"));
        list_->selectRow(1); // 10.0.0.2
        QCOMPARE(listview::cell(list_, 1, 0), QStringLiteral("10.0.0.2"));

        const QByteArray appended = line("10.0.0.1", day, "09:00:00", 1000) + line("10.7.7.7", day, "09:00:00", 1);
        QFile file(dir->path(QStringLiteral("conn.log")));
        QVERIFY(file.open(QIODevice::Append));
        file.write(appended);
        file.close();
        log += appended;
        page()->followStep();
        QCOMPARE(column(list_, 0), QStringList({"10.0.0.1", "10.0.0.3", "10.0.0.2"}));
        QCOMPARE(column(list_, 1), QStringList({"1,005", "500", "50"}));
        QCOMPARE(list_->selectionModel()->selectedRows().size(), 1);
        QCOMPARE(list_->selectionModel()->selectedRows().first().row(), 2);
        child<QLineEdit>("LStatFilter")->clear();
        QCOMPARE(listview::rowCount(list_), 4);

        // A rotation: the log renamed, a new one started.
        QVERIFY(QFile::rename(dir->path(QStringLiteral("conn.log")), dir->path(QStringLiteral("conn.log.1"))));
        dir->write(QStringLiteral("conn.log"), line("10.0.0.3", day, "10:00:00", 7));
        page()->followStep();
        QCOMPARE(listview::cell(list_, 1, 1), QStringLiteral("507"));
    }
};

QTEST_MAIN(TestStatisticsLogs)
#include "test_statisticslogs.moc"
