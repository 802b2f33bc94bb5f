// Several logs, compressed logs, periods, followed logs and client groups, against the plain reckoning of the same
// lines as one log (PlainReckoning.h).

#include "LogGenerator.h"
#include "PlainReckoning.h"
#include "common/Error.h"
#include "logs/LogReading.h"
#include "logs/StatsReport.h"
#include "rules/ClientGroups.h"
#include "rules/Ipv4.h"

#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>
#include <zlib.h>
#include <zstd.h>

namespace {

using logtime::civilSeconds;
using plainreckoning::reckon;

enum class Packing { Plain, Gzip, Zstd };

std::string gzipped(const std::string& bytes) {
    z_stream stream{};
    deflateInit2(&stream, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY); // + 16: a gzip header
    std::string out(deflateBound(&stream, static_cast<uLong>(bytes.size())) + 32, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

std::string zstdCompressed(const std::string& bytes) {
    std::string out(ZSTD_compressBound(bytes.size()), '\0');
    out.resize(ZSTD_compress(out.data(), out.size(), bytes.data(), bytes.size(), 3));
    return out;
}

std::string packed(const std::string& bytes, Packing packing) {
    return packing == Packing::Gzip ? gzipped(bytes) : packing == Packing::Zstd ? zstdCompressed(bytes) : bytes;
}

void writeFile(const std::string& path, const std::string& bytes, std::ios::openmode mode = std::ios::trunc) {
    std::ofstream(path, std::ios::binary | mode).write(bytes.data(), std::streamsize(bytes.size()));
}

// The log cut into `count` pieces at line starts.
std::vector<std::string> cutAtLines(const std::string& log, int count) {
    std::vector<std::string> pieces;
    std::size_t begin = 0;
    for (int k = 1; k < count; ++k) {
        const std::size_t end = log.find('\n', std::max(begin, log.size() * k / count)) + 1;
        pieces.push_back(log.substr(begin, end - begin));
        begin = end;
    }
    pieces.push_back(log.substr(begin));
    return pieces;
}

// Rows, the error and the numbers of lines left out must be those of the log read as one; the listed lines must
// be those of the pieces, numbered in their own file.
QString difference(const ConnectionStats& actual, const ConnectionStats& expected) {
    if (actual.rows != expected.rows)
        return QStringLiteral("rows differ: %1 rows, expected %2").arg(actual.rows.size()).arg(expected.rows.size());
    if (actual.error != expected.error)
        return QStringLiteral("error: %1").arg(QString::fromStdString(actual.error.value_or("none")));
    if (actual.linesRead != expected.linesRead)
        return QStringLiteral("lines read: %1, expected %2").arg(actual.linesRead).arg(expected.linesRead);
    if (actual.notes.malformed != expected.notes.malformed || actual.notes.noTime != expected.notes.noTime ||
        actual.notes.outside != expected.notes.outside)
        return QStringLiteral("notes: %1 malformed, %2 without time, %3 outside; expected %4, %5, %6")
            .arg(actual.notes.malformed)
            .arg(actual.notes.noTime)
            .arg(actual.notes.outside)
            .arg(expected.notes.malformed)
            .arg(expected.notes.noTime)
            .arg(expected.notes.outside);
    if (actual.notes.listed.size() != expected.notes.listed.size())
        return QStringLiteral("%1 lines listed").arg(actual.notes.listed.size());
    return {};
}

#define COMPARE_STATS(actual, expected)                                                                                \
    do {                                                                                                               \
        const QString why = difference(actual, expected);                                                              \
        QVERIFY2(why.isEmpty(), qPrintable(why));                                                                      \
    } while (false)

// "a b <client> <date> <time> <date> <time> 1 <kB>" for a start given in seconds.
std::string lineAt(const std::string& client, std::int64_t seconds, int kilobytes) {
    const std::int64_t days = seconds / 86400;
    // Back from days to a date: the log generator's rule, kept small here.
    std::int64_t z = days + 719468;
    const std::int64_t era = z / 146097, doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100), mp = (5 * doy + 2) / 153;
    const std::int64_t day = doy - (153 * mp + 2) / 5 + 1, month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    const std::int64_t inDay = seconds % 86400;
    char text[160];
    std::snprintf(text, sizeof text, "a b %s %02d.%02d.%04d %02d:%02d:%02d e e 1 %d\n", client.c_str(), int(day),
                  int(month), int(year), int(inDay / 3600), int(inDay / 60 % 60), int(inDay % 60), kilobytes);
    return text;
}

} // namespace

Q_DECLARE_METATYPE(Packing)
Q_DECLARE_METATYPE(std::vector<int>)

class TestLogReading : public QObject {
    Q_OBJECT

private slots:
    void severalFilesReadAsTheirConcatenation_data();
    void severalFilesReadAsTheirConcatenation();
    void notesNameTheFileAndLine();
    void damagedOrForeignCompressionIsRefused_data();
    void damagedOrForeignCompressionIsRefused();
    void rotationsInTimeOrder();
    void startTimes_data();
    void startTimes();
    void periodEdges_data();
    void periodEdges();
    void followReadsAppendsTruncationAndRotation();
    void followWaitsForTheLineEnd();
    void groupsByMaskAndHost();
    void groupTotalsCountEveryClientOnce();
};

void TestLogReading::severalFilesReadAsTheirConcatenation_data() {
    QTest::addColumn<int>("files");
    QTest::addColumn<Packing>("packing");
    QTest::addColumn<int>("blockSize");
    QTest::addColumn<int>("badNumbers");
    QTest::newRow("one plain file") << 1 << Packing::Plain << 4096 << 0;
    QTest::newRow("three plain files, in parts") << 3 << Packing::Plain << 1024 << 0;
    QTest::newRow("one gzip file") << 1 << Packing::Gzip << 4096 << 0;
    QTest::newRow("gzip, tiny blocks") << 2 << Packing::Gzip << 7 << 0;
    QTest::newRow("four zstd files") << 4 << Packing::Zstd << 65536 << 0;
    QTest::newRow("zstd, a line stops the reading") << 3 << Packing::Zstd << 512 << 2000;
    QTest::newRow("plain, a line stops the reading") << 3 << Packing::Plain << 512 << 2000;
}

void TestLogReading::severalFilesReadAsTheirConcatenation() {
    QFETCH(int, files);
    QFETCH(Packing, packing);
    QFETCH(int, blockSize);
    QFETCH(int, badNumbers);
    LogGeneratorOptions generated;
    generated.lines = 6000;
    generated.clients = 200;
    generated.malformedPerMille = 50;
    generated.noisePerMille = 50;
    generated.badNumberPerMillion = static_cast<unsigned>(badNumbers);
    const std::string log = generateLog(generated);
    const ConnectionStats expected = reckon(log);
    QCOMPARE(expected.error.has_value(), badNumbers != 0);

    QTemporaryDir dir;
    std::vector<std::string> paths;
    const std::vector<std::string> pieces = cutAtLines(log, files);
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        // The last file is the log itself, plain; the rotations before it are packed.
        const bool last = i + 1 == pieces.size() && files > 1;
        paths.push_back(dir.filePath(QStringLiteral("connect.log.%1").arg(i)).toStdString());
        writeFile(paths.back(), packed(pieces[i], last ? Packing::Plain : packing));
    }
    for (const unsigned threads : {1u, 3u}) {
        LogReadingOptions options;
        options.reading.blockSize = static_cast<std::size_t>(blockSize);
        options.reading.threads = threads;
        COMPARE_STATS(readLogs(paths, options), expected);
    }
}

void TestLogReading::notesNameTheFileAndLine() {
    QTemporaryDir dir;
    const std::string first = dir.filePath("connect.log.1.gz").toStdString();
    const std::string second = dir.filePath("connect.log").toStdString();
    writeFile(first, gzipped("a b 1.1.1.1 d t d t 1 1\nbroken line\n"));
    std::string many;
    for (int i = 0; i < 1500; ++i)
        many += "junk\n";
    writeFile(second, "a b 1.1.1.1 d t d t 1 1\n" + many);
    const ConnectionStats stats = readLogs({first, second});
    QCOMPARE(stats.notes.malformed, std::uint64_t(1501));
    QCOMPARE(stats.notes.listed.size(), logstats::LineNotes::kListed);
    QCOMPARE(stats.notes.listed[0].file, std::size_t(0));
    QCOMPARE(stats.notes.listed[0].line, std::uint64_t(2));
    QCOMPARE(stats.notes.listed[0].text, std::string("broken line"));
    QCOMPARE(stats.notes.listed[1].file, std::size_t(1));
    QCOMPARE(stats.notes.listed[1].line, std::uint64_t(2));
    QCOMPARE(stats.rows.at(0).countAccess, std::string("2"));
}

void TestLogReading::damagedOrForeignCompressionIsRefused_data() {
    QTest::addColumn<std::string>("bytes");
    QTest::addColumn<QString>("message");
    QTest::newRow("bzip2") << std::string("BZh91AY&SY") << "compressed with bzip2";
    QTest::newRow("xz") << std::string("\xFD"
                                       "7zXZ\0\0",
                                       7)
                        << "compressed with xz";
    const std::string gz = gzipped("a b 1.1.1.1 d t d t 1 1\n");
    QTest::newRow("gzip cut short") << gz.substr(0, gz.size() / 2) << "ends too early";
    std::string damaged = gz;
    damaged[12] = static_cast<char>(damaged[12] ^ 0x55);
    QTest::newRow("gzip damaged") << damaged << "Cannot read file";
    const std::string zst = zstdCompressed(std::string(5000, 'x'));
    QTest::newRow("zstd cut short") << zst.substr(0, zst.size() - 3) << "Cannot read file";
}

void TestLogReading::damagedOrForeignCompressionIsRefused() {
    QFETCH(std::string, bytes);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const std::string path = dir.filePath("connect.log.2").toStdString();
    writeFile(path, bytes);
    try {
        readLogs({path});
        QFAIL("the file was read");
    } catch (const GlymError& error) {
        QVERIFY2(QString::fromStdString(error.what()).contains(message), error.what());
    }
}

void TestLogReading::rotationsInTimeOrder() {
    QTemporaryDir dir;
    auto path = [&dir](const char* name) {
        return dir.filePath(name).toStdString();
    };
    for (const char* name : {"connect.log", "connect.log.1", "connect.log.2.gz", "connect.log.10.zst"})
        writeFile(path(name), "");
    const std::vector<std::string> ordered =
        inTimeOrder({path("connect.log.1"), path("connect.log"), path("connect.log.10.zst"), path("connect.log.2.gz")});
    const std::vector<std::string> expected = {path("connect.log.10.zst"), path("connect.log.2.gz"),
                                               path("connect.log.1"), path("connect.log")};
    QCOMPARE(ordered, expected);
}

void TestLogReading::startTimes_data() {
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    QTest::addColumn<qint64>("seconds"); // -1: none
    QTest::newRow("day first") << "15.01.2024"
                               << "08:30:12" << qint64(civilSeconds(2024, 1, 15, 8, 30, 12));
    QTest::newRow("year first, fraction") << "2024-01-15"
                                          << "08:30:12.345" << qint64(civilSeconds(2024, 1, 15, 8, 30, 12));
    QTest::newRow("minutes only") << "29.02.2024"
                                  << "23:59" << qint64(civilSeconds(2024, 2, 29, 23, 59));
    QTest::newRow("epoch") << "01.01.1970"
                           << "00:00:00" << qint64(0);
    QTest::newRow("no leap day") << "29.02.2023"
                                 << "00:00:00" << qint64(-1);
    QTest::newRow("month 13") << "01.13.2024"
                              << "00:00:00" << qint64(-1);
    QTest::newRow("hour 24") << "01.01.2024"
                             << "24:00:00" << qint64(-1);
    QTest::newRow("letters") << "d"
                             << "t" << qint64(-1);
    QTest::newRow("empty fraction") << "01.01.2024"
                                    << "10:00:00." << qint64(-1);
}

void TestLogReading::startTimes() {
    QFETCH(QString, date);
    QFETCH(QString, time);
    QFETCH(qint64, seconds);
    const auto start = logtime::startSeconds(date.toStdString(), time.toStdString());
    QCOMPARE(start.has_value() ? qint64(*start) : qint64(-1), seconds);
}

void TestLogReading::periodEdges_data() {
    QTest::addColumn<std::vector<int>>("counted"); // seconds after the period's start of the lines that count
    QTest::newRow("the edges count, the seconds beside them do not") << std::vector<int>{0, 1, 3599, 3600};
}

void TestLogReading::periodEdges() {
    QFETCH(std::vector<int>, counted);
    const std::int64_t from = civilSeconds(2024, 3, 31, 23, 0, 0);
    const logtime::Period period{from, from + 3600};
    std::string log;
    for (const int offset : {-86400, -1, 0, 1, 3599, 3600, 3601, 86400})
        log += lineAt("10.0.0.1", from + offset, offset + 100000);
    log += "a b 10.0.0.1 31.03.2024 noon e e 1 1\n";   // a start that cannot be read
    log += "a b 10.0.0.2 31.03.2024 23:30:00 e e 1 5"; // the last line, without line end
    const ConnectionStats expected = reckon(log, &period);
    QCOMPARE(expected.notes.outside, std::uint64_t(4));
    QCOMPARE(expected.notes.noTime, std::uint64_t(1));
    std::int64_t sum = 0;
    for (const int offset : counted)
        sum += offset + 100000;
    QCOMPARE(expected.rows.at(0).sent, std::to_string(sum));

    QTemporaryDir dir;
    const std::string path = dir.filePath("connect.log").toStdString();
    for (const Packing packing : {Packing::Plain, Packing::Zstd}) {
        writeFile(path, packed(log, packing));
        for (const std::size_t block : {std::size_t(16), std::size_t(1) << 20}) {
            LogReadingOptions options;
            options.period = period;
            options.reading.blockSize = block;
            options.reading.threads = 2;
            const ConnectionStats stats = readLogs({path}, options);
            COMPARE_STATS(stats, expected);
            QCOMPARE(stats.notes.listed.at(0).fault, logstats::LineFault::NoTime);
        }
    }
}

void TestLogReading::followReadsAppendsTruncationAndRotation() {
    LogGeneratorOptions generated;
    generated.lines = 4000;
    generated.clients = 60;
    generated.malformedPerMille = 30;
    const std::vector<std::string> pieces = cutAtLines(generateLog(generated), 5);
    QTemporaryDir dir;
    const std::string path = dir.filePath("connect.log").toStdString();
    const std::string rotated = dir.filePath("connect.log.1").toStdString();
    writeFile(path, pieces[0]);

    LogReadingOptions options;
    options.follow = true;
    options.reading.threads = 2;
    options.reading.blockSize = 1024;
    LogReading reading({path}, options);
    reading.read();
    QVERIFY(reading.followable());
    std::string seen = pieces[0]; // every line the reading has been shown, as one log
    COMPARE_STATS(reading.stats(), reckon(seen));
    QCOMPARE(reading.follow(), LogReading::FollowStep::Unchanged);

    writeFile(path, pieces[1], std::ios::app);
    seen += pieces[1];
    QCOMPARE(reading.follow(), LogReading::FollowStep::Appended);
    COMPARE_STATS(reading.stats(), reckon(seen));

    // Emptied and written again: the rows stay, the new lines add to them.
    writeFile(path, pieces[2]);
    seen += pieces[2];
    QCOMPARE(reading.follow(), LogReading::FollowStep::Truncated);
    COMPARE_STATS(reading.stats(), reckon(seen));

    // Rotated: what was appended to the old file before the rename counts, then the new file.
    writeFile(path, pieces[3], std::ios::app);
    QVERIFY(std::rename(path.c_str(), rotated.c_str()) == 0);
    writeFile(path, pieces[4]);
    seen += pieces[3] + pieces[4];
    QCOMPARE(reading.follow(), LogReading::FollowStep::Replaced);
    COMPARE_STATS(reading.stats(), reckon(seen));
    QCOMPARE(reading.files().size(), std::size_t(3));
}

void TestLogReading::followWaitsForTheLineEnd() {
    QTemporaryDir dir;
    const std::string path = dir.filePath("connect.log").toStdString();
    writeFile(path, "a b 1.1.1.1 d t d t 1 10\na b 1.1.1.1 d t d t 1 2");
    LogReadingOptions options;
    options.follow = true;
    LogReading reading({path}, options);
    reading.read();
    QCOMPARE(reading.stats().rows.at(0).sent, std::string("10")); // "2" may still become "25"
    writeFile(path, "5\r", std::ios::app);
    reading.follow();
    QCOMPARE(reading.stats().rows.at(0).sent, std::string("35")); // the CR ends it; an LF after it joins that end
    writeFile(path, "\na b 1.1.1.1 d t d t 1 1\n", std::ios::app);
    reading.follow();
    const ConnectionStats stats = reading.stats();
    QCOMPARE(stats.rows.at(0).sent, std::string("36"));
    QCOMPARE(stats.linesRead, std::uint64_t(3));
    QCOMPARE(stats.notes.malformed, std::uint64_t(0));
}

void TestLogReading::groupsByMaskAndHost() {
    GroupTable table;
    table.create(1).SetGroupLine("GN:1:Office:");
    table.find(1)->NetworkRules.append("GD:1:192.168.1.0:255.255.255.0:lan");
    table.find(1)->NetworkRules.append("GD:1:10.0.0.0/8::cidr");
    table.create(2).SetGroupLine("GN:2:Guests:");
    table.find(2)->NetworkRules.append("GD:2:192.168.1.128:255.255.255.128:upper half");
    table.find(2)->HostRules.append("CD:2:Kiosk-1.lan:");
    table.create(3).NetworkRules.append("GD:3:not an address:255.0.0.0:");
    table.find(3)->NetworkRules.append("GD:3:0.0.0.0:0.0.0.0:everything");
    const ClientGroups groups(table);
    auto of = [&groups](const char* client) {
        const ClientGroups::GroupSet set = groups.groupsOf(client);
        QString text;
        for (int g = 0; g < GroupTable::kSlotCount; ++g)
            if (set.test(static_cast<std::size_t>(g)))
                text += QString::number(g);
        return text;
    };
    QCOMPARE(of("192.168.1.5"), QStringLiteral("13"));
    QCOMPARE(of("192.168.1.200"), QStringLiteral("123"));
    QCOMPARE(of("10.200.3.4"), QStringLiteral("13"));
    QCOMPARE(of("172.16.0.1"), QStringLiteral("3"));
    QCOMPARE(of("KIOSK-1.LAN"), QStringLiteral("2"));
    QCOMPARE(of("kiosk-2.lan"), QString());
    QCOMPARE(groups.name(2), std::string("Guests"));

    // Many networks: each client costs a look-up per mask, not per network.
    ClientGroups many;
    for (std::uint32_t i = 0; i < 50000; ++i)
        many.addNetwork(int(i % 60), (i << 8), i % 2 ? 0xFFFFFF00u : 0xFFFFFFF0u);
    QCOMPARE(many.groupsOf("0.1.0.7").count(), std::size_t(1));
    QVERIFY(many.groupsOf(formatIpv4((7u << 8) | 5)).test(7));
    QVERIFY(!many.groupsOf(formatIpv4((8u << 8) | 20)).any()); // 0xFFFFFFF0 of network 8 ends at .15
}

void TestLogReading::groupTotalsCountEveryClientOnce() {
    const std::vector<ConnectionStatsRow> rows = {{"a", "10", "", "", "1", "2"},
                                                  {"b", "20", "", "", "2", "3"},
                                                  {"c", "40", "", "", "4", "5"},
                                                  {"d", "80", "", "", "8", "9"}};
    const std::vector<int> groupOf = {3, statsreport::kSeveralGroups, 3, statsreport::kNoGroup};
    const auto totals = statsreport::groupTotals(rows, groupOf);
    QCOMPARE(totals.size(), std::size_t(3));
    QCOMPARE(totals[0].group, 3);
    QCOMPARE(totals[0].totals.kilobytes, std::int64_t(50));
    QCOMPARE(totals[0].totals.clients, std::size_t(2));
    QCOMPARE(totals[1].group, statsreport::kSeveralGroups);
    QCOMPARE(totals[1].totals.connections, std::int64_t(2));
    QCOMPARE(totals[2].group, statsreport::kNoGroup);
    QCOMPARE(totals[2].totals.queries, std::int64_t(9));
}

QTEST_APPLESS_MAIN(TestLogReading)
#include "test_logreading.moc"
