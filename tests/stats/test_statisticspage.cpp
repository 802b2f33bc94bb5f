#include "app/Main.h"
#include "base/Images.h"

#include "LogGenerator.h"
#include "support/GuiTestSupport.h"
#include "support/ListReading.h"

#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QStringDecoder>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QtTest>

#include <algorithm>
#include <optional>
#include <sys/stat.h>
#include <tuple>

// The page "Statistic" driven as a person drives it: the connection log named in glym30.ini, a click on the reload
// button, the rows of LStat compared with a reckoning of the log made here, line by line, the plain way.

namespace {

using Rows = QList<QStringList>;

// What the page should show for a log: the rows, and the message of a conversion that stopped the reading.
struct Reckoning {
    Rows rows;
    std::optional<QString> error;
};

QString fromCp1251(const QByteArray& bytes) {
    QStringDecoder decoder("windows-1251");
    return decoder.decode(bytes);
}

QByteArray trimmedField(QByteArray field) {
    auto padding = [](char c) {
        return static_cast<unsigned char>(c) <= 32;
    };
    while (!field.isEmpty() && padding(field.front()))
        field.remove(0, 1);
    while (!field.isEmpty() && padding(field.back()))
        field.chop(1);
    return field;
}

// Counts a log the way the page is meant to: lines end at CR LF, LF or CR; a line of exactly 9 blank-separated
// fields counts; one row per address (letter case ignored, captioned as first seen); cells start as the first
// line's texts and are converted to numbers only when a second line of the address comes, each cell and field in
// turn ("Send, kB", "Last Disconnect", "Count Access", "Count Query"); the first text that is no number stops it.
Reckoning reckon(const QByteArray& log) {
    struct Row {
        QByteArray caption, sent, first, last, count, query;
    };
    QList<Row> rows;
    QHash<QString, qsizetype> index;
    Reckoning result;
    auto add = [&result](QByteArray& cell, const QByteArray& field) {
        bool cellOk = false;
        bool fieldOk = false;
        const qlonglong a = cell.toLongLong(&cellOk);
        const qlonglong b = field.toLongLong(&fieldOk);
        if (!cellOk || !fieldOk) {
            result.error = QStringLiteral("'%1' is not a valid integer value").arg(fromCp1251(cellOk ? field : cell));
            return false;
        }
        cell = QByteArray::number(a + b);
        return true;
    };
    QByteArray text = log;
    text.replace("\r\n", "\n").replace('\r', '\n');
    for (const QByteArray& line : text.split('\n')) {
        QList<QByteArray> fields = line.split(' ');
        if (fields.size() != 9)
            continue;
        for (QByteArray& field : fields)
            field = trimmedField(field);
        const QString key = fromCp1251(fields[2]).toCaseFolded();
        const auto found = index.constFind(key);
        if (found == index.constEnd()) {
            index.insert(key, rows.size());
            rows.append(
                {fields[2], fields[8], fields[3] + ' ' + fields[4], fields[5] + ' ' + fields[6], "1", fields[7]});
            continue;
        }
        Row& row = rows[*found];
        if (!add(row.sent, fields[8]))
            break;
        row.last = fields[5] + ' ' + fields[6];
        if (!add(row.count, "1") || !add(row.query, fields[7]))
            break;
    }
    for (const Row& row : rows)
        result.rows.append({fromCp1251(row.caption), fromCp1251(row.sent), fromCp1251(row.first), fromCp1251(row.last),
                            fromCp1251(row.count), fromCp1251(row.query)});
    return result;
}

QByteArray generated(LogGeneratorOptions options) {
    const std::string log = generateLog(options);
    return QByteArray(log.data(), static_cast<qsizetype>(log.size()));
}

QByteArray lines(std::initializer_list<const char*> list, const char* end = "\n") {
    QByteArray out;
    for (const char* line : list)
        out += QByteArray(line) + end;
    return out;
}

const QString kNotFound = QStringLiteral("File statistic not found! Check fields Logs->Connect Log !");

} // namespace

class TestStatisticsPage : public QObject, WindowTest {
    Q_OBJECT

    QTableView* list_ = nullptr;
    QToolButton* reloadButton_ = nullptr;
    QLabel* panel_ = nullptr;
    QProgressBar* progress_ = nullptr;

    // The window in its program directory, its connection log named "conn.log", the page "Statistic" shown.
    void start(const QByteArray& ini = "[Connect Log]\r\nFile Name=conn.log\r\n") {
        WindowTest::start(ini);
        list_ = child<QTableView>("LStat");
        reloadButton_ = child<QToolButton>("BReloadStatistic");
        panel_ = child<QLabel>("StatusPanel1");
        progress_ = child<QProgressBar>("StatisticProgress");
        auto* pages = child<QTabWidget>("PageControl");
        QVERIFY(list_ && reloadButton_ && panel_ && progress_ && pages);
        pages->setCurrentWidget(child<QWidget>("Statistic"));
        QVERIFY(showWindow());
        QVERIFY(!window->ConfigChanged);
    }

    void writeLog(const QByteArray& log) const { dir->write(QStringLiteral("conn.log"), log); }

    void clickReload() const { QTest::mouseClick(reloadButton_, Qt::LeftButton); }

    Rows shownRows() const {
        Rows rows;
        for (int i = 0; i < listview::rowCount(list_); ++i) {
            QStringList cells;
            for (int column = 0; column < 6; ++column)
                cells << listview::cell(list_, i, column);
            rows << cells;
        }
        return rows;
    }

    // After every reading, however it ended: nothing of the reading is left on screen, the settings untouched.
    void verifyReadingOver() const {
        QCOMPARE(panel_->text(), QString());
        QVERIFY(progress_->isHidden());
        QVERIFY(reloadButton_->isEnabled());
        QVERIFY(!window->ConfigChanged);
        QCOMPARE(answers->unexpected(), QStringList());
        QVERIFY(answers->allAnswered());
    }

    void verifyErrorBox(qsizetype index, const QString& text) const {
        QVERIFY(answers->seen().size() > static_cast<std::size_t>(index));
        const SeenBox& box = answers->seen()[static_cast<std::size_t>(index)];
        QCOMPARE(box.caption, QStringLiteral("Error"));
        QCOMPARE(box.icon, QMessageBox::Critical);
        QCOMPARE(box.text, text);
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); } // numbers shown as the log writes them
    void init() { begin(); }
    void cleanup() {
        QLocale::setDefault(QLocale::c());
        verifyNoProblems(finish());
    }

    void rowsMatchTheReckoning_data() {
        QTest::addColumn<QByteArray>("log");
        QTest::addColumn<bool>("stops");

        LogGeneratorOptions options;
        options.lines = 3000;
        options.clients = 60;
        options.malformedPerMille = 60;
        options.seed = 11;
        QTest::newRow("LF, case variants, malformed lines") << generated(options) << false;
        options.crlf = true;
        options.finalLineEnd = false;
        options.seed = 12;
        QTest::newRow("CR LF, no final line end") << generated(options) << false;
        options.crlf = false;
        options.seed = 13;
        QTest::newRow("LF, no final line end") << generated(options) << false;
        options.crlf = true;
        options.finalLineEnd = true;
        options.bigNumbers = true;
        options.seed = 14;
        QTest::newRow("CR LF, sums beyond 32 bits") << generated(options) << false;
        options.crlf = false;
        options.bigNumbers = false;
        options.clients = 1;
        options.seed = 15;
        QTest::newRow("one client") << generated(options) << false;
        options.clients = 60;
        options.badNumberPerMillion = 3000;
        options.seed = 16;
        QTest::newRow("a bad number stops the reading") << generated(options) << true;

        QTest::newRow("empty log") << QByteArray() << false;
        QTest::newRow("only line ends") << QByteArray("\r\n\n\r\r\n") << false;
        QTest::newRow("bare CR line ends")
            << QByteArray("a b h d1 t1 d2 t2 1 10\ra b H d3 t3 d4 t4 2 20\ra b g d5 t5 d6 t6 3 30") << false;
        QTest::newRow("8 and 10 fields, double, leading and trailing blanks")
            << lines({"a b h d1 t1 d2 t2 1 10", "a b h d3 t3 d4 t4 2", "a b h d3 t3 d4 t4 2 20 x",
                      "a b h  d3 t3 d4 t4 2 20", " a b h d3 t3 d4 t4 2 20", "a b h d3 t3 d4 t4 2 20 ",
                      "a b h d5 t5 d6 t6 3 30"})
            << false;
        QTest::newRow("first line's text kept while alone")
            << lines({"a b one d1 t1 d2 t2 007 +5", "a b two d1 t1 d2 t2 x y"}) << false;
        QTest::newRow("bad kB of a first line stops at the second")
            << lines({"a b 10.0.0.1 d1 t1 d2 t2 10 abc", "a b 10.0.0.2 d1 t1 d2 t2 1 1", "a b 10.0.0.1 d3 t3 d4 t4 5 2",
                      "a b 10.0.0.3 d5 t5 d6 t6 1 1"})
            << true;
        QTest::newRow("bad query count of a later line: the updates before it stay")
            << lines({"a b pc-1 d1 t1 d2 t2 10 100", "a b PC-1 d3 t3 d4 t4 12k 250", "a b pc-1 d5 t5 d6 t6 1 1"},
                     "\r\n")
            << true;
    }

    // The rows after a reload are those of the reckoning, whatever the log's line ends and junk; a second reload of
    // the same log shows the same rows again, not doubled ones.
    void rowsMatchTheReckoning() {
        QFETCH(QByteArray, log);
        QFETCH(bool, stops);
        const Reckoning expected = reckon(log);
        QCOMPARE(expected.error.has_value(), stops); // the case is what its name says

        start();
        writeLog(log);
        for (int reading = 0; reading < 2; ++reading) {
            if (stops)
                answers->pushBox(QMessageBox::Ok);
            clickReload();
            QCOMPARE(shownRows(), expected.rows);
            verifyReadingOver();
            QCOMPARE(answers->seen().size(), std::size_t(stops ? reading + 1 : 0));
            if (stops)
                verifyErrorBox(reading, *expected.error);
        }

        const qint64 imageKey = listImage(ImageList::ImageList1, 1).cacheKey();
        for (int i = 0; i < listview::rowCount(list_); ++i) {
            QCOMPARE(listview::imageKey(list_, i), imageKey);
            for (int column : {1, 4, 5})
                QVERIFY2(listview::alignment(list_, i, column) & Qt::AlignRight, qPrintable(QString::number(column)));
            for (int column : {0, 2, 3})
                QVERIFY2(!(listview::alignment(list_, i, column) & Qt::AlignRight),
                         qPrintable(QString::number(column)));
        }
    }

    // The example of two lines of one address, and what a conversion error leaves: the rows built up to the line
    // that failed (the later lines are not read), the standard message, an empty status panel.
    void conversionErrorShowsTheRowsSoFar() {
        start();
        writeLog(lines({"t1 thr 10.0.0.1 15.01.2024 08:00:00 15.01.2024 08:10:00 10 100",
                        "t2 thr 10.0.0.2 15.01.2024 08:01:00 15.01.2024 08:02:00 7 abc",
                        "t3 thr 10.0.0.1 15.01.2024 09:00:00 15.01.2024 09:30:00 5 250",
                        "t4 thr 10.0.0.2 15.01.2024 09:01:00 15.01.2024 09:02:00 1 1",
                        "t5 thr 10.0.0.3 15.01.2024 09:05:00 15.01.2024 09:06:00 1 1"}));
        answers->pushBox(QMessageBox::Ok);
        clickReload();
        const Rows expected{
            {"10.0.0.1", "350", "15.01.2024 08:00:00", "15.01.2024 09:30:00", "2", "15"},
            {"10.0.0.2", "abc", "15.01.2024 08:01:00", "15.01.2024 08:02:00", "1", "7"},
        };
        QCOMPARE(shownRows(), expected);
        verifyErrorBox(0, QStringLiteral("'abc' is not a valid integer value"));
        verifyReadingOver();
    }

    void unusableLogLeavesTheRows_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message"); // the start of the message
        QTest::newRow("missing") << "missing" << kNotFound;
        QTest::newRow("a directory in its place") << "directory" << kNotFound;
        QTest::newRow("a named pipe in its place") << "pipe" << QStringLiteral("Cannot read file \"conn.log\".");
    }

    // A log that is missing or cannot be read is reported and leaves the rows shown before.
    void unusableLogLeavesTheRows() {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        start();
        writeLog(lines({"a b 10.0.0.1 d1 t1 d2 t2 1 10", "a b 10.0.0.2 d1 t1 d2 t2 2 20"}));
        clickReload();
        const Rows before = shownRows();
        QCOMPARE(before.size(), 2);

        QVERIFY(QFile::remove(dir->path(QStringLiteral("conn.log"))));
        const QByteArray path = QFile::encodeName(dir->path(QStringLiteral("conn.log")));
        if (kind == QLatin1String("directory"))
            QVERIFY(QDir().mkdir(dir->path(QStringLiteral("conn.log"))));
        else if (kind == QLatin1String("pipe"))
            QCOMPARE(::mkfifo(path.constData(), 0600), 0);
        answers->pushBox(QMessageBox::Ok);
        clickReload();
        QCOMPARE(shownRows(), before);
        QCOMPARE(answers->seen().size(), std::size_t(1));
        const SeenBox& box = answers->seen().front();
        QCOMPARE(box.caption, QStringLiteral("Error"));
        QVERIFY2(box.text.startsWith(message), qPrintable(box.text));
        verifyReadingOver();
    }

    void emptyLogNameIsMissing() {
        start("[Connect Log]\r\nFile Name=\r\n");
        writeLog(lines({"a b 10.0.0.1 d1 t1 d2 t2 1 10"}));
        answers->pushBox(QMessageBox::Ok);
        clickReload();
        QCOMPARE(listview::rowCount(list_), 0);
        verifyErrorBox(0, kNotFound);
        verifyReadingOver();
    }

    // While the log is counted the window keeps handling events: the status bar shows the note and the progress
    // bar, and the reload button is off.
    void showsProgressWhileReading() {
        start();
        LogGeneratorOptions options;
        options.lines = 20000;
        writeLog(generated(options));
        bool probed = false;
        QString panelText;
        bool progressShown = false;
        bool buttonEnabled = true;
        QString panelAfterSecondClick;
        // Posted before the click, so that it runs in the first round of events the reading lets through.
        QMetaObject::invokeMethod(
            window.get(),
            [&] {
                probed = true;
                panelText = panel_->text();
                progressShown = progress_->isVisible();
                buttonEnabled = reloadButton_->isEnabled();
                window->BReloadStatisticClick(); // not taken while the reading runs
                panelAfterSecondClick = panel_->text();
            },
            Qt::QueuedConnection);
        clickReload();
        QVERIFY(probed);
        QCOMPARE(panelText, QStringLiteral("Reading Statistic ....."));
        QVERIFY(progressShown);
        QVERIFY(!buttonEnabled);
        QCOMPARE(panelAfterSecondClick, QStringLiteral("Reading Statistic ....."));
        QCOMPARE(shownRows(), reckon(dir->read(QStringLiteral("conn.log"))).rows);
        QCOMPARE(progress_->value(), progress_->maximum());
        verifyReadingOver();
    }

    void headerClickSortsByColumnText_data() {
        QTest::addColumn<int>("column");
        for (int column = 0; column < 6; ++column)
            QTest::addRow("column %d", column) << column;
    }

    // A header click sorts the rows once by the column: addresses and numbers by value, text regardless of case;
    // the next reading shows the rows in the order of the log again.
    void headerClickSortsByColumnText() {
        QFETCH(int, column);
        start();
        LogGeneratorOptions options;
        options.lines = 400;
        options.clients = 40;
        options.seed = 21;
        QByteArray log = generated(options);
        log += lines({"a b Zed d1 t1 d2 t2 5 1000", "a b zebra d1 t1 d2 t2 5 200", "a b ZEBU d1 t1 d2 t2 5 30"});
        writeLog(log);
        clickReload();
        const Rows logOrder = shownRows();
        QCOMPARE(logOrder, reckon(log).rows);

        QHeaderView* header = list_->horizontalHeader();
        const QPoint middle(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                            header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, middle);

        const Rows sorted = shownRows();
        QStringList texts;
        for (const QStringList& row : sorted)
            texts << row[column];
        QStringList expectedTexts;
        for (const QStringList& row : logOrder)
            expectedTexts << row[column];
        // Addresses and counts by value (a cell holding none after them), times as text, case ignored.
        auto key = [column](const QString& text) {
            bool isValue = false;
            qint64 value = 0;
            if (column == 0) {
                const QStringList parts = text.split(u'.');
                isValue = parts.size() == 4;
                for (const QString& part : parts) {
                    bool isNumber = false;
                    const int number = part.toInt(&isNumber);
                    isValue = isValue && isNumber && number >= 0 && number <= 255;
                    value = value * 256 + number;
                }
            } else if (column == 1 || column >= 4) {
                value = text.toLongLong(&isValue);
            }
            return std::make_tuple(!isValue, value, text.toCaseFolded());
        };
        std::stable_sort(expectedTexts.begin(), expectedTexts.end(),
                         [&key](const QString& a, const QString& b) { return key(a) < key(b); });
        QCOMPARE(texts, expectedTexts);
        Rows sameRows = sorted; // whole rows moved, none lost or changed
        Rows logRows = logOrder;
        std::sort(sameRows.begin(), sameRows.end());
        std::sort(logRows.begin(), logRows.end());
        QCOMPARE(sameRows, logRows);
        QVERIFY(!window->ConfigChanged);

        clickReload();
        QCOMPARE(shownRows(), logOrder);
        verifyReadingOver();
    }

    // Cyrillic letters are letters too: "пк-бух-0003" sorts before "ПК-Бух-0099", as "pc-0003" before "PC-0099".
    void cyrillicNamesSortRegardlessOfCase() {
        start();
        writeLog(lines({"a b \xCF\xCA-\xC1\xF3\xF5-0099 d1 t1 d2 t2 1 1", "a b PC-0099 d1 t1 d2 t2 1 1",
                        "a b \xEF\xEA-\xE1\xF3\xF5-0003 d1 t1 d2 t2 1 1", "a b pc-0003 d1 t1 d2 t2 1 1"}));
        clickReload();
        window->LNetworkColumnClick(list_, 0);
        QCOMPARE(listview::columnTexts(list_, 0),
                 QStringList({"pc-0003", "PC-0099", fromCp1251("\xEF\xEA-\xE1\xF3\xF5-0003"),
                              fromCp1251("\xCF\xCA-\xC1\xF3\xF5-0099")}));
    }

    // Sums sort by value, and a second click reverses; they are shown grouped as the user's locale writes numbers.
    void sendSortsByValueBothWays_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QStringList>("ascending");
        QTest::newRow("C") << QLocale::c() << QStringList{"30", "1000", "1234567"};
        QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedStates)
                                 << QStringList{"30", "1,000", "1,234,567"};
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany)
                                << QStringList{"30", "1.000", "1.234.567"};
    }
    void sendSortsByValueBothWays() {
        QFETCH(QLocale, locale);
        QFETCH(QStringList, ascending);
        QLocale::setDefault(locale);
        start();
        writeLog(lines({"a b x d1 t1 d2 t2 1 1234567", "a b y d1 t1 d2 t2 1 1000", "a b z d1 t1 d2 t2 1 30"}));
        clickReload();
        window->LNetworkColumnClick(list_, 1);
        QCOMPARE(listview::columnTexts(list_, 1), ascending);
        window->LNetworkColumnClick(list_, 1);
        QStringList descending = ascending;
        std::reverse(descending.begin(), descending.end());
        QCOMPARE(listview::columnTexts(list_, 1), descending);
    }
};

QTEST_MAIN(TestStatisticsPage)
#include "test_statisticspage.moc"
