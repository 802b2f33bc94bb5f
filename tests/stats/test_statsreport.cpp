// What the statistics page makes of its rows: exported text, totals, units and the ranking of the chart.

#include "logs/StatsReport.h"

#include <QTest>

#include <algorithm>
#include <limits>
#include <random>
#include <string>
#include <vector>

using namespace statsreport;

namespace {

ConnectionStatsRow row(std::string address, std::string sent, std::string count = "1", std::string query = "1") {
    return {std::move(address), std::move(sent), "d1 t1", "d2 t2", std::move(count), std::move(query)};
}

QStringList addressesOf(const std::vector<RankedClient>& ranked) {
    QStringList out;
    for (const RankedClient& client : ranked)
        out << QString::fromStdString(client.address + "=" + std::to_string(client.value));
    return out;
}

} // namespace

class TestStatsReport : public QObject {
    Q_OBJECT

private slots:
    // Quoting only where a spreadsheet needs it, Windows-1251 letters as UTF-8, CR LF after every record.
    void recordsAreQuotedWhereNeeded() {
        const std::vector<std::string_view> cells{"10.0.0.1",   "a,b", "say \"hi\"", "two\r\nlines", "tab\there",
                                                  "\xCF\xCA-1", ""};
        TableText csv(TableFormat::Csv);
        csv.addRecord(cells);
        csv.addRecord(std::vector<std::string_view>{"x"});
        QCOMPARE(QByteArray::fromStdString(csv.bytes()),
                 QByteArray("10.0.0.1,\"a,b\",\"say \"\"hi\"\"\",\"two\r\nlines\",tab\there,\xD0\x9F\xD0\x9A-1,\r\n"
                            "x\r\n"));
        TableText tsv(TableFormat::Tsv);
        tsv.addRecord(cells);
        QCOMPARE(
            QByteArray::fromStdString(tsv.bytes()),
            QByteArray("10.0.0.1\ta,b\t\"say \"\"hi\"\"\"\t\"two\r\nlines\"\t\"tab\there\"\t\xD0\x9F\xD0\x9A-1\t\r\n"));
    }

    void formatFollowsTheExtension_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("csv"); // with TSV as the fallback
        QTest::newRow("csv") << "/tmp/a.csv" << true;
        QTest::newRow("upper case") << "/tmp/A.CSV" << true;
        QTest::newRow("tsv") << "/tmp/a.tsv" << false;
        QTest::newRow("txt") << "/tmp/a.Txt" << false;
        QTest::newRow("other extension") << "/tmp/a.xls" << false;
        QTest::newRow("a dot in the directory only") << "/tmp/x.csv/report" << false;
        QTest::newRow("hidden file named csv") << "/tmp/.csv" << false;
    }

    void formatFollowsTheExtension() {
        QFETCH(QString, name);
        QFETCH(bool, csv);
        QCOMPARE(formatForFile(name.toStdString(), TableFormat::Tsv) == TableFormat::Csv, csv);
    }

    void humanUnits_data() {
        QTest::addColumn<qint64>("kilobytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("nothing") << qint64(0) << "0 KiB";
        QTest::newRow("below a megabyte") << qint64(1023) << "1023 KiB";
        QTest::newRow("one megabyte") << qint64(1024) << "1.0 MiB";
        QTest::newRow("one and a half") << qint64(1536) << "1.5 MiB";
        QTest::newRow("rounds up to the next unit") << qint64(1024 * 1024 - 1) << "1.0 GiB";
        QTest::newRow("stays below it") << qint64(1024 * 1024 - 60) << "1023.9 MiB";
        QTest::newRow("gigabytes") << qint64(20) * 1024 * 1024 << "20.0 GiB";
        QTest::newRow("terabytes") << qint64(3) * 1024 * 1024 * 1024 << "3.0 TiB";
        QTest::newRow("negative") << qint64(-2048) << "-2.0 MiB";
        QTest::newRow("largest") << std::numeric_limits<qint64>::max() << "8388608.0 PiB";
    }

    void humanUnits() {
        QFETCH(qint64, kilobytes);
        QFETCH(QString, text);
        QCOMPARE(QString::fromStdString(humanKilobytes(kilobytes)), text);
    }

    // Cells a reading left as text are not summed but counted; sums past the 64-bit range stay at its end.
    void totalsSumTheNumbers() {
        const std::vector<ConnectionStatsRow> rows{row("a", "100", "2", "15"), row("b", "abc", "1", "7"),
                                                   row("c", "1948", "3", "x")};
        const Totals totals = totalsOf(rows);
        QCOMPARE(totals.clients, std::size_t(3));
        QCOMPARE(totals.connections, std::int64_t(6));
        QCOMPARE(totals.queries, std::int64_t(22));
        QCOMPARE(totals.kilobytes, std::int64_t(2048));
        QCOMPARE(totals.unreadableCells, std::size_t(2));
        QCOMPARE(QString::fromStdString(totalsText(totals, 0.4213)),
                 "3 clients, 6 connections, 22 queries, 2.0 MiB sent; read in 0.42 s (2 cells are not numbers and are "
                 "not counted)");

        const std::string max = std::to_string(std::numeric_limits<std::int64_t>::max());
        const std::vector<ConnectionStatsRow> huge{row("a", max), row("b", max), row("c", "-5")};
        QCOMPARE(totalsOf(huge).kilobytes, std::numeric_limits<std::int64_t>::max() - 5);
        QCOMPARE(QString::fromStdString(totalsText(totalsOf({}), 0)),
                 "0 clients, 0 connections, 0 queries, 0 KiB sent; read in 0.00 s");
    }

    // The note of cells that are no number reads as English for one cell and for many.
    void unreadableCellsNote_data() {
        QTest::addColumn<int>("cells");
        QTest::addColumn<QString>("note");
        QTest::newRow("none") << 0 << "";
        QTest::newRow("one") << 1 << " (1 cell is not a number and is not counted)";
        QTest::newRow("three") << 3 << " (3 cells are not numbers and are not counted)";
    }
    void unreadableCellsNote() {
        QFETCH(int, cells);
        QFETCH(QString, note);
        Totals totals;
        totals.clients = 1;
        totals.unreadableCells = static_cast<std::size_t>(cells);
        QCOMPARE(QString::fromStdString(totalsText(totals, 0)),
                 "1 client, 0 connections, 0 queries, 0 KiB sent; read in 0.00 s" + note);
    }

    void topClientsRankByTheMeasure_data() {
        QTest::addColumn<QStringList>("sent"); // one client per cell, named c0, c1, ... in log order
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("fewer clients than bars")
            << QStringList{"5", "30", "7"} << 20 << QStringList{"c1=30", "c2=7", "c0=5"};
        QTest::newRow("ties keep the log order")
            << QStringList{"5", "9", "5", "9", "1"} << 3 << QStringList{"c1=9", "c3=9", "c0=5"};
        QTest::newRow("text cells are not ranked")
            << QStringList{"abc", "-3", "", "2"} << 20 << QStringList{"c3=2", "c1=-3"};
        QTest::newRow("no clients") << QStringList{} << 20 << QStringList{};
    }

    void topClientsRankByTheMeasure() {
        QFETCH(QStringList, sent);
        QFETCH(int, count);
        QFETCH(QStringList, expected);
        std::vector<ConnectionStatsRow> rows;
        for (qsizetype i = 0; i < sent.size(); ++i)
            rows.push_back(row("c" + std::to_string(i), sent[i].toStdString(), "1"));
        QCOMPARE(addressesOf(topClients(rows, Measure::Traffic, static_cast<std::size_t>(count))), expected);
        // The other measure reads "Count Access", all 1 here: the first clients of the log, in order.
        const auto byConnections = topClients(rows, Measure::Connections, 2);
        QCOMPARE(byConnections.size(), std::min<std::size_t>(2, rows.size()));
        for (std::size_t i = 0; i < byConnections.size(); ++i)
            QCOMPARE(byConnections[i], (RankedClient{"c" + std::to_string(i), 1}));
    }

    // Many clients with few distinct values: the top 20 are the first 20 of a stable sort by value.
    void topTwentyOfManyClients() {
        std::mt19937 random(7);
        std::vector<ConnectionStatsRow> rows;
        for (int i = 0; i < 5000; ++i)
            rows.push_back(row("c" + std::to_string(i), "1", std::to_string(random() % 50)));
        std::vector<RankedClient> all;
        for (const auto& r : rows)
            all.push_back({r.address, std::stoll(r.countAccess)});
        std::stable_sort(all.begin(), all.end(), [](const auto& a, const auto& b) { return a.value > b.value; });
        all.resize(20);
        QCOMPARE(addressesOf(topClients(rows, Measure::Connections)), addressesOf(all));
    }
};

QTEST_APPLESS_MAIN(TestStatsReport)
#include "test_statsreport.moc"
