// The page "Statistic" beyond its rows: the export a spreadsheet reads, the totals in the status bar, the chart of
// the top clients and the stop button, driven through the window as a person drives them.

#include "app/Main.h"

#include "LogGenerator.h"
#include "support/GuiTestSupport.h"
#include "support/ListReading.h"

#include <QBarCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <QtTest>

#include <sys/stat.h>

namespace {

using Rows = QList<QStringList>;

QByteArray lines(std::initializer_list<const char*> list) {
    QByteArray out;
    for (const char* line : list)
        out += QByteArray(line) + "\r\n";
    return out;
}

// A log whose addresses a spreadsheet must be careful with: separators, quotes, Cyrillic letters, a tab.
const QByteArray kAwkwardLog = lines({
    "a b 10.0.0.1 15.01.2024 08:00:00 15.01.2024 08:10:00 10 100",
    "a b host,one 15.01.2024 08:01:00 15.01.2024 08:02:00 7 2048",
    "a b \"quoted\" 15.01.2024 08:03:00 15.01.2024 08:04:00 1 5",
    "a b \xCF\xCA-\xC1\xF3\xF5 15.01.2024 08:05:00 15.01.2024 08:06:00 3 1000",
    "a b tab\there 15.01.2024 08:07:00 15.01.2024 08:08:00 2 30",
    "a b 10.0.0.1 15.01.2024 09:00:00 15.01.2024 09:30:00 5 250",
});

// The records of a delimited file as Python's csv module reads it, or an empty list and a failure.
Rows readWithPython(const QString& file, const QString& delimiter) {
    QProcess python;
    python.start(QStringLiteral("python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import csv, json, sys\n"
                                 "with open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
                                 "    print(json.dumps(list(csv.reader(f, delimiter=sys.argv[2]))))\n"),
                  file, delimiter});
    if (!python.waitForFinished(30000) || python.exitCode() != 0) {
        qWarning() << "python3 failed:" << python.readAllStandardError();
        return {};
    }
    Rows rows;
    for (const QJsonValue& record : QJsonDocument::fromJson(python.readAllStandardOutput()).array()) {
        QStringList cells;
        for (const QJsonValue& cell : record.toArray())
            cells << cell.toString();
        rows << cells;
    }
    return rows;
}

} // namespace

class TestStatisticsTools : public QObject, WindowTest {
    Q_OBJECT

    QTableView* list_ = nullptr;
    QLabel* totals_ = nullptr;
    QToolButton* reloadButton_ = nullptr;
    QToolButton* stopButton_ = nullptr;
    QStringList problems_;

    void start(const QByteArray& ini = "[Connect Log]\r\nFile Name=conn.log\r\n") {
        WindowTest::start(ini);
        list_ = child<QTableView>("LStat");
        totals_ = child<QLabel>("StatisticTotals");
        reloadButton_ = child<QToolButton>("BReloadStatistic");
        stopButton_ = child<QToolButton>("BStopStatistic");
        QVERIFY(list_ && totals_ && reloadButton_ && stopButton_);
        child<QTabWidget>("PageControl")->setCurrentWidget(child<QWidget>("Statistic"));
        QVERIFY(showWindow());
    }

    void readLog(const QByteArray& log) {
        dir->write(QStringLiteral("conn.log"), log);
        QTest::mouseClick(reloadButton_, Qt::LeftButton);
    }

    Rows shownRows() const {
        Rows rows;
        for (int row = 0; row < listview::rowCount(list_); ++row) {
            QStringList cells;
            for (int column = 0; column < listview::columnCount(list_); ++column)
                cells << listview::cell(list_, row, column);
            rows << cells;
        }
        return rows;
    }

    // Answers the save dialog with a name typed in it, after choosing a filter, and presses Save.
    void answerSaveDialog(const QString& name, const QString& filter) {
        answers->pushDialog<QFileDialog>([this, name, filter](QFileDialog* dialog) {
            if (dialog->objectName() != QLatin1String("SaveStatisticDialog") ||
                dialog->acceptMode() != QFileDialog::AcceptSave)
                problems_ << QStringLiteral("not the save dialog: %1").arg(dialog->objectName());
            if (dialog->nameFilters() !=
                QStringList({QStringLiteral("CSV (*.csv)"), QStringLiteral("Tab-separated text (*.tsv *.txt)")}))
                problems_ << QStringLiteral("filters: %1").arg(dialog->nameFilters().join(';'));
            dialog->selectNameFilter(filter);
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(name);
            QPushButton* save = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Save);
            QTimer::singleShot(0, dialog, [save] { save->click(); }); // from the dialog's loop: it may ask again
        });
    }

    QStringList chartLabels() const {
        const auto axes = child<QChartView>("StatisticChart")->chart()->axes(Qt::Vertical);
        auto* categories = axes.isEmpty() ? nullptr : qobject_cast<QBarCategoryAxis*>(axes.front());
        return categories ? categories->categories() : QStringList();
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); } // numbers shown as the log writes them
    void init() {
        begin();
        problems_.clear();
    }
    void cleanup() {
        QLocale::setDefault(QLocale::c());
        problems_ << finish();
        verifyNoProblems(problems_);
    }

    void exportReadsBackAsShown_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("written"); // the file's name, as the dialog completes it
        QTest::addColumn<QString>("delimiter");
        const QString csv = QStringLiteral("CSV (*.csv)");
        const QString tsv = QStringLiteral("Tab-separated text (*.tsv *.txt)");
        QTest::newRow("csv") << "stats.csv" << csv << "stats.csv"
                             << ",";
        QTest::newRow("tsv") << "stats.tsv" << tsv << "stats.tsv"
                             << "\t";
        QTest::newRow("txt, whatever the filter") << "stats.txt" << csv << "stats.txt"
                                                  << "\t";
        QTest::newRow("no extension, csv filter") << "stats" << csv << "stats.csv"
                                                  << ",";
        QTest::newRow("no extension, tsv filter") << "stats" << tsv << "stats.tsv"
                                                  << "\t";
    }

    // The file holds the header and the rows in the order the list shows them (here sorted by traffic), every cell
    // as shown but the numbers, which keep the log's plain digits where the list groups them by the locale;
    // Python's csv module reads back exactly that.
    void exportReadsBackAsShown() {
        QFETCH(QString, name);
        QFETCH(QString, filter);
        QFETCH(QString, written);
        QFETCH(QString, delimiter);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        start();
        readLog(kAwkwardLog);
        window->LNetworkColumnClick(list_, 1);
        Rows expected{
            {"IP Address", "Send, kB", "First Access", "Last Disconnect", "Count Access", "Count Query", "Group"}};
        expected += shownRows();
        QCOMPARE(expected.size(), 6);
        QCOMPARE(expected[1][1], QStringLiteral("5")); // 5 < 30 < 350 < 1000 < 2048: sorted by value
        QCOMPARE(expected[5][1], QStringLiteral("2,048"));
        for (qsizetype row = 1; row < expected.size(); ++row)
            for (int column : {1, 4, 5})
                expected[row][column].remove(u',');

        answerSaveDialog(name, filter);
        QVERIFY(QMetaObject::invokeMethod(window.get(), "BSaveStatisticClick"));
        QVERIFY(dir->exists(written));
        const QByteArray bytes = dir->read(written);
        QCOMPARE(bytes.count("\r\n"), expected.size());
        QCOMPARE(bytes.count('\n'), expected.size()); // no bare line ends
        QVERIFY(!bytes.startsWith("\xEF\xBB\xBF"));
        QCOMPARE(readWithPython(dir->path(written), delimiter), expected);
        QVERIFY(!window->ConfigChanged);
    }

    // The statistics have their filter like every list: the export writes the rows it leaves shown.
    void exportKeepsToTheFilter() {
        start();
        readLog(kAwkwardLog);
        auto* filter = child<QLineEdit>("LStatFilter");
        QTest::keyClicks(filter, QStringLiteral("10.0"));
        QCOMPARE(shownRows().size(), 1);
        QCOMPARE(child<QLabel>("LStatFilterCount")->text(), QStringLiteral("1 of 5"));

        answerSaveDialog(QStringLiteral("some.csv"), QStringLiteral("CSV (*.csv)"));
        QVERIFY(QMetaObject::invokeMethod(window.get(), "BSaveStatisticClick"));
        const Rows written = readWithPython(dir->path(QStringLiteral("some.csv")), QStringLiteral(","));
        QCOMPARE(written.size(), 2);
        QCOMPARE(written[1], shownRows()[0]);
    }

    // A file that cannot be replaced (a named pipe in its place) is reported with its name and the reason, and no
    // file is left behind, half-written or not.
    void failedExportLeavesNothing() {
        start();
        readLog(kAwkwardLog);
        const QString pipe = dir->path(QStringLiteral("stats.csv"));
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        const QStringList before = QDir(dir->path(QString())).entryList(QDir::AllEntries | QDir::System);

        answerSaveDialog(QStringLiteral("stats.csv"), QStringLiteral("CSV (*.csv)"));
        answers->pushBox(QMessageBox::Yes); // replace it?
        answers->pushBox(QMessageBox::Ok);  // the error
        window->BSaveStatisticClick();
        QCOMPARE(answers->seen().size(), std::size_t(2));
        const SeenBox& error = answers->seen().back();
        QCOMPARE(error.caption, QStringLiteral("Error"));
        QVERIFY2(error.text.contains(pipe) && error.text.contains(QStringLiteral("regular")), qPrintable(error.text));
        QCOMPARE(QDir(dir->path(QString())).entryList(QDir::AllEntries | QDir::System), before);
        QVERIFY(QFileInfo(pipe).exists() && !QFileInfo(pipe).isFile());
    }

    void exportRefusesTheConfigurationsFiles_data() {
        QTest::addColumn<QString>("typed"); // in the save dialog, from the program directory; "<preferences>"
        QTest::addColumn<QString>("clash"); // as the message names it
        QTest::newRow("connection log") << "conn.log"
                                        << "the connection log \"conn.log\"";
        QTest::newRow("server settings") << "glym30.ini"
                                         << "the server settings \"glym30.ini\"";
        QTest::newRow("preferences") << "<preferences>"
                                     << "the preferences file";
        QTest::newRow("access rules through a link") << "link.csv"
                                                     << "the access rules file \"rules/access.txt\"";
        QTest::newRow("cache-skip rules, named from the program directory")
            << "rules/skip.txt"
            << "the cache-skip rules file \"rules/skip.txt\"";
        QTest::newRow("port-mapping rules, named absolutely") << "router.txt"
                                                              << "the port-mapping rules file";
    }

    // The connection log, glym30.ini, the preferences and the three rule files are refused, however the name leads
    // to them (a link, a relative name counting from the program directory while another one is current): a
    // message names the clash, the export stops, and every file stays as it was.
    void exportRefusesTheConfigurationsFiles() {
        QFETCH(QString, typed);
        QFETCH(QString, clash);
        QVERIFY(QDir().mkpath(dir->path(QStringLiteral("rules"))));
        const QByteArray access = "GN:1:Office:\r\n";
        dir->write(QStringLiteral("rules/access.txt"), access);
        dir->write(QStringLiteral("rules/skip.txt"), "SA:x:y\r\n");
        dir->write(QStringLiteral("router.txt"), "CS:smtp:\r\n");
        QVERIFY(QFile::link(dir->path(QStringLiteral("rules/access.txt")), dir->path(QStringLiteral("link.csv"))));
        start("[Connect Log]\r\nFile Name=conn.log\r\n[Check]\r\nFile Name=rules/access.txt\r\n[Cache Skip]\r\n"
              "File Name=rules/skip.txt\r\n[Router]\r\nFile Name=" +
              QFile::encodeName(dir->path(QStringLiteral("router.txt"))) + "\r\n");
        readLog(kAwkwardLog);
        const QString file = typed == QLatin1String("<preferences>") ? window->preferencesFile : dir->path(typed);
        const QByteArray before = QFile::exists(file) ? dir->read(file) : QByteArray("<none>");
        const QStringList entriesBefore = QDir(dir->path(QString())).entryList(QDir::AllEntries | QDir::System);
        QDir::setCurrent(QDir::tempPath());

        answerSaveDialog(file, QStringLiteral("CSV (*.csv)"));
        answers->pushBox(QMessageBox::Ok);
        window->BSaveStatisticClick();
        QCOMPARE(answers->seen().size(), std::size_t(1));
        const SeenBox& box = answers->seen().front();
        QCOMPARE(box.caption, QStringLiteral("Error"));
        QVERIFY2(box.text.contains(QStringLiteral("it is ") + clash) && box.text.contains(QFileInfo(file).fileName()),
                 qPrintable(box.text));
        QCOMPARE(QFile::exists(file) ? dir->read(file) : QByteArray("<none>"), before);
        QCOMPARE(dir->read(QStringLiteral("rules/access.txt")), access);
        QCOMPARE(QDir(dir->path(QString())).entryList(QDir::AllEntries | QDir::System), entriesBefore);
        QCOMPARE(child<QLabel>("StatusPanel1")->text(), QString());
    }

    void exportAsksBeforeReplacingAFile_data() {
        QTest::addColumn<bool>("replace");
        QTest::newRow("No keeps the file") << false;
        QTest::newRow("Yes replaces it") << true;
    }

    // Any other existing file is replaced only after a question naming it (ours, not the dialog's: it comes once);
    // the status bar then says where the rows went and how many.
    void exportAsksBeforeReplacingAFile() {
        QFETCH(bool, replace);
        start();
        readLog(kAwkwardLog);
        dir->write(QStringLiteral("old.csv"), "keep me");
        answerSaveDialog(QStringLiteral("old.csv"), QStringLiteral("CSV (*.csv)"));
        answers->pushBox(replace ? QMessageBox::Yes : QMessageBox::No);
        window->BSaveStatisticClick();
        QCOMPARE(answers->seen().size(), std::size_t(1));
        QVERIFY2(answers->seen().front().text.contains(dir->path(QStringLiteral("old.csv"))),
                 qPrintable(answers->seen().front().text));
        const QString panel = child<QLabel>("StatusPanel1")->text();
        if (!replace) {
            QCOMPARE(dir->read(QStringLiteral("old.csv")), QByteArray("keep me"));
            QCOMPARE(panel, QString());
            return;
        }
        QCOMPARE(readWithPython(dir->path(QStringLiteral("old.csv")), QStringLiteral(",")).size(), 6);
        QCOMPARE(panel, QStringLiteral("Statistic exported to %1: 5 rows").arg(dir->path(QStringLiteral("old.csv"))));
    }

    // After a reading the status bar sums it up; the chart ranks the clients of the reading and stays when the
    // list is sorted, switches measure, and is drawn anew by the next reading.
    void totalsAndChartFollowTheReading() {
        start();
        readLog(kAwkwardLog);
        QVERIFY2(
            totals_->text().startsWith(QStringLiteral("5 clients, 6 connections, 28 queries, 3.4 MiB sent; read in ")),
            qPrintable(totals_->text()));
        const QStringList byTraffic{"host,one  2.0 MiB", QString::fromUtf8("ПК-Бух  1000 KiB"), "10.0.0.1  350 KiB",
                                    "tab\there  30 KiB", "\"quoted\"  5 KiB"};
        QStringList bottomUp = byTraffic;
        std::reverse(bottomUp.begin(), bottomUp.end());
        QCOMPARE(chartLabels(), bottomUp);

        window->LNetworkColumnClick(list_, 0);
        QCOMPARE(chartLabels(), bottomUp);
        child<QComboBox>("ChartMeasure")->setCurrentIndex(1);
        QCOMPARE(chartLabels().last(), QStringLiteral("10.0.0.1  2"));
        QCOMPARE(chartLabels().first(), QStringLiteral("tab\there  1")); // ties in the order of the log

        LogGeneratorOptions options;
        options.lines = 2000;
        options.clients = 300;
        const std::string log = generateLog(options);
        readLog(QByteArray(log.data(), static_cast<qsizetype>(log.size())));
        QCOMPARE(chartLabels().size(), 20);
        QVERIFY(totals_->text().startsWith(QStringLiteral("%1 clients, ").arg(listview::rowCount(list_))));

        QToolButton* chartButton = child<QToolButton>("BChartStatistic");
        chartButton->click();
        QVERIFY(!child<QWidget>("StatChartPanel")->isVisible());
        chartButton->click();
        QVERIFY(child<QWidget>("StatChartPanel")->isVisible());
    }

    void stopKeepsTheRowsShownBefore_data() {
        QTest::addColumn<bool>("escape");
        QTest::newRow("stop button") << false;
        QTest::newRow("Escape") << true;
    }

    // While a reading runs the stop button stands in place of the reload button; stopping keeps the rows and the
    // chart of the reading before and says so. Other input waits: a click on the save button does nothing.
    void stopKeepsTheRowsShownBefore() {
        QFETCH(bool, escape);
        start();
        readLog(kAwkwardLog);
        const Rows before = shownRows();
        const QStringList chartBefore = chartLabels();

        LogGeneratorOptions options;
        options.lines = 200000;
        options.clients = 5000;
        const std::string big = generateLog(options);
        bool stopShown = false;
        bool reloadHidden = false;
        QMetaObject::invokeMethod(
            window.get(),
            [&] {
                stopShown = stopButton_->isVisible() && stopButton_->isEnabled();
                reloadHidden = !reloadButton_->isVisible();
                QTest::mouseClick(child<QToolButton>("BSaveStatistic"), Qt::LeftButton); // no dialog comes
                if (escape)
                    QTest::keyClick(window.get(), Qt::Key_Escape);
                else
                    QTest::mouseClick(stopButton_, Qt::LeftButton);
            },
            Qt::QueuedConnection);
        readLog(QByteArray(big.data(), static_cast<qsizetype>(big.size())));
        QVERIFY(stopShown);
        QVERIFY(reloadHidden);
        QCOMPARE(shownRows(), before);
        QCOMPARE(chartLabels(), chartBefore);
        QCOMPARE(totals_->text(), QStringLiteral("Reading stopped: the rows of the reading before are kept."));
        QVERIFY(reloadButton_->isVisible() && reloadButton_->isEnabled() && !stopButton_->isVisible());
        QCOMPARE(child<QLabel>("StatusPanel1")->text(), QString());

        QTest::mouseClick(reloadButton_, Qt::LeftButton); // the next reading runs to its end
        QVERIFY(listview::rowCount(list_) > 4000);
        QVERIFY(totals_->text().startsWith(QStringLiteral("%1 clients, ").arg(listview::rowCount(list_))));
    }
};

QTEST_MAIN(TestStatisticsTools)
#include "test_statisticstools.moc"
