// The connection-log statistics against a deliberately plain reckoning of the same log (PlainReckoning.h).

#include "LogGenerator.h"
#include "PlainReckoning.h"
#include "common/Error.h"
#include "common/Numbers.h"
#include "logs/ConnectionStats.h"

#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <limits>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using namespace std::string_literals;

namespace {

using plainreckoning::reckon;

// --- helpers -------------------------------------------------------------------------------------------------

QString shown(const std::string& bytes) {
    QString text;
    for (unsigned char c : bytes)
        text += c >= 32 && c < 127 ? QString(QChar(c)) : QStringLiteral("\\x%1").arg(c, 2, 16, QChar('0'));
    return text;
}

QString shown(const ConnectionStatsRow& row) {
    return QStringLiteral("[%1 | %2 | %3 | %4 | %5 | %6]")
        .arg(shown(row.address), shown(row.sent), shown(row.firstAccess), shown(row.lastDisconnect),
             shown(row.countAccess), shown(row.countQuery));
}

// Empty when both note the same lines, else what differs first.
QString notesDifference(const logstats::LineNotes& actual, const logstats::LineNotes& expected) {
    if (actual.malformed != expected.malformed || actual.noTime != expected.noTime ||
        actual.outside != expected.outside)
        return QStringLiteral("notes: %1 malformed, %2 without time, %3 outside; expected %4, %5, %6")
            .arg(actual.malformed)
            .arg(actual.noTime)
            .arg(actual.outside)
            .arg(expected.malformed)
            .arg(expected.noTime)
            .arg(expected.outside);
    if (actual.listed.size() != expected.listed.size())
        return QStringLiteral("%1 lines listed, expected %2").arg(actual.listed.size()).arg(expected.listed.size());
    for (std::size_t i = 0; i < actual.listed.size(); ++i) {
        const auto& a = actual.listed[i];
        const auto& e = expected.listed[i];
        if (a.line != e.line || a.fault != e.fault || a.text != e.text || a.file != e.file)
            return QStringLiteral("listed line %1: line %2 of file %3, \"%4\"; expected line %5 of file %6, \"%7\"")
                .arg(i)
                .arg(a.line)
                .arg(a.file)
                .arg(shown(a.text))
                .arg(e.line)
                .arg(e.file)
                .arg(shown(e.text));
    }
    return {};
}

// Empty when both give the same page, else what differs first.
QString difference(const ConnectionStats& actual, const ConnectionStats& expected) {
    if (actual.error != expected.error)
        return QStringLiteral("error: %1, expected %2")
            .arg(actual.error ? shown(*actual.error) : "none", expected.error ? shown(*expected.error) : "none");
    if (actual.errorLine != expected.errorLine)
        return QStringLiteral("error line: %1, expected %2").arg(actual.errorLine).arg(expected.errorLine);
    if (actual.linesRead != expected.linesRead)
        return QStringLiteral("lines read: %1, expected %2").arg(actual.linesRead).arg(expected.linesRead);
    if (const QString notes = notesDifference(actual.notes, expected.notes); !notes.isEmpty())
        return notes;
    for (std::size_t i = 0; i < std::min(actual.rows.size(), expected.rows.size()); ++i)
        if (!(actual.rows[i] == expected.rows[i]))
            return QStringLiteral("row %1: %2, expected %3").arg(i).arg(shown(actual.rows[i]), shown(expected.rows[i]));
    if (actual.rows.size() != expected.rows.size())
        return QStringLiteral("%1 rows, expected %2").arg(actual.rows.size()).arg(expected.rows.size());
    return {};
}

#define COMPARE_STATS(actual, expected)                                                                                \
    do {                                                                                                               \
        const QString why = difference(actual, expected);                                                              \
        QVERIFY2(why.isEmpty(), qPrintable(why));                                                                      \
    } while (false)

std::string writeLogFile(const QTemporaryDir& dir, const std::string& bytes) {
    const std::string path = dir.filePath("connect.log").toStdString();
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), std::streamsize(bytes.size()));
    return path;
}

ConnectionStats readFromFile(const std::string& bytes, std::size_t blockSize) {
    QTemporaryDir dir;
    ConnectionStatsOptions options;
    options.blockSize = blockSize;
    return readConnectionStats(writeLogFile(dir, bytes), options);
}

// One pass, and parts read side by side (a part is at least a block, so small blocks make many parts).
constexpr unsigned kThreadCounts[] = {1, 2, 3, 5};

// Empty when reading the log from a file in blocks of blockSize gives expected at every thread count, else what
// differs first.
QString readingsDifference(const std::string& bytes, std::size_t blockSize, const ConnectionStats& expected) {
    QTemporaryDir dir;
    const std::string path = writeLogFile(dir, bytes);
    for (unsigned threads : kThreadCounts) {
        ConnectionStatsOptions options;
        options.blockSize = blockSize;
        options.threads = threads;
        const QString why = difference(readConnectionStats(path, options), expected);
        if (!why.isEmpty())
            return QStringLiteral("%1 thread(s), %2-byte blocks: %3").arg(threads).arg(blockSize).arg(why);
    }
    return {};
}

#define COMPARE_READINGS(bytes, blockSize, expected)                                                                   \
    do {                                                                                                               \
        const QString why = readingsDifference(bytes, blockSize, expected);                                            \
        QVERIFY2(why.isEmpty(), qPrintable(why));                                                                      \
    } while (false)

// Feeds the log in pieces of pseudo-random sizes from 1 to maxPiece bytes.
ConnectionStats readInPieces(const std::string& bytes, std::size_t maxPiece, std::uint32_t seed) {
    ConnectionStatsCounter counter;
    std::size_t done = 0;
    while (done < bytes.size()) {
        seed = seed * 1664525 + 1013904223;
        const std::size_t piece = std::min<std::size_t>(1 + (seed >> 8) % maxPiece, bytes.size() - done);
        counter.feed(std::string_view(bytes).substr(done, piece));
        done += piece;
    }
    counter.finish();
    return counter.result();
}

ConnectionStatsRow row(std::string address, std::string sent, std::string first, std::string last, std::string count,
                       std::string query) {
    return {std::move(address), std::move(sent), std::move(first), std::move(last), std::move(count), std::move(query)};
}

// The first n lines of a log with LF line ends.
std::string firstLines(const std::string& log, std::uint64_t n) {
    std::size_t end = 0;
    for (std::uint64_t i = 0; i < n; ++i)
        end = log.find('\n', end) + 1;
    return log.substr(0, end);
}

// Lines put into a log at an offset from a place: "<client> <queries> <kB>".
using Placements = std::vector<std::pair<std::size_t, std::string>>;

} // namespace

Q_DECLARE_METATYPE(LogGeneratorOptions)
Q_DECLARE_METATYPE(std::string)
Q_DECLARE_METATYPE(ConnectionStats)
Q_DECLARE_METATYPE(Placements)

class TestConnectionStats : public QObject {
    Q_OBJECT

private slots:
    void matchesPlainReckoning_data();
    void matchesPlainReckoning();
    void documentedCases_data();
    void documentedCases();
    void lineEndsAcrossBlocks_data();
    void lineEndsAcrossBlocks();
    void linesOfEveryLength();
    void longLinesAcrossBlocks();
    void lastDisconnectOfAnySize();
    void junkWithoutLineEnds_data();
    void junkWithoutLineEnds();
    void nothingCountsAfterTheStoppingLine_data();
    void nothingCountsAfterTheStoppingLine();
    void stoppingLineAnywhere_data();
    void stoppingLineAnywhere();
    void sumsPassThe32BitRange();
    void progressAndCancel();
    void progressAndCancelInParts();
    void unreadableFileIsAnError();
};

void TestConnectionStats::matchesPlainReckoning_data() {
    QTest::addColumn<LogGeneratorOptions>("options");
    QTest::addColumn<int>("blockSize");

    auto options = [](std::uint64_t lines, std::uint32_t clients, std::uint64_t seed) {
        LogGeneratorOptions o;
        o.lines = lines;
        o.clients = clients;
        o.seed = seed;
        o.malformedPerMille = 80;
        o.noisePerMille = 80;
        return o;
    };
    QTest::newRow("LF, 1 MiB blocks") << options(3000, 40, 1) << (1 << 20);
    QTest::newRow("LF, 1-byte blocks") << options(400, 6, 2) << 1;
    LogGeneratorOptions crlf = options(2000, 25, 3);
    crlf.crlf = true;
    QTest::newRow("CR LF, 7-byte blocks") << crlf << 7;
    crlf.finalLineEnd = false;
    QTest::newRow("CR LF, no final line end, 64-byte blocks") << crlf << 64;
    LogGeneratorOptions lfOpen = options(1500, 30, 4);
    lfOpen.finalLineEnd = false;
    QTest::newRow("LF, no final line end, 97-byte blocks") << lfOpen << 97;
    QTest::newRow("many clients, table growth, 4 KiB blocks") << options(20000, 6000, 5) << 4096;
    LogGeneratorOptions rare = options(20000, 300, 10);
    rare.badNumberPerMillion = 300;
    QTest::newRow("a rare non-number, 16 KiB blocks") << rare << 16384;
    QTest::newRow("2.5 MB over 1 MiB blocks") << options(25000, 300, 9) << (1 << 20);
    LogGeneratorOptions bad = options(3000, 10, 6);
    bad.badNumberPerMillion = 3000;
    QTest::newRow("non-numbers stop the reading") << bad << 1000;
    bad.seed = 7;
    bad.crlf = true;
    QTest::newRow("non-numbers, CR LF, 3-byte blocks") << bad << 3;
    LogGeneratorOptions big = options(4000, 4, 8);
    big.bigNumbers = true;
    QTest::newRow("big numbers") << big << 65536;
}

void TestConnectionStats::matchesPlainReckoning() {
    QFETCH(LogGeneratorOptions, options);
    QFETCH(int, blockSize);
    const std::string log = generateLog(options);
    const ConnectionStats expected = reckon(log);
    QVERIFY(!expected.rows.empty());
    if (options.badNumberPerMillion != 0)
        QVERIFY2(expected.error.has_value(), "the log should hold a line that stops the reading");

    COMPARE_READINGS(log, std::size_t(blockSize), expected);
    COMPARE_STATS(readInPieces(log, 300, std::uint32_t(options.seed)), expected);
}

void TestConnectionStats::documentedCases_data() {
    QTest::addColumn<std::string>("log");
    QTest::addColumn<ConnectionStats>("expected");

    auto stats = [](std::vector<ConnectionStatsRow> rows, std::uint64_t lines, std::optional<std::string> error = {},
                    std::uint64_t errorLine = 0) {
        ConnectionStats s;
        s.rows = std::move(rows);
        s.linesRead = lines;
        s.error = std::move(error);
        s.errorLine = errorLine;
        return s;
    };
    const std::string a = "01.02 T1 10.0.0.1 01.02 08:00 01.02 08:05 ";
    const std::string b = "01.02 T2 10.0.0.2 01.02 09:00 01.02 09:30 ";

    QTest::newRow("two lines of one address")
        << std::string("d t 10.0.0.1 01.02.2024 08:00:00 01.02.2024 08:05:00 10 100\n"
                       "d t 10.0.0.1 01.02.2024 09:00:00 01.02.2024 09:10:00 5 250\n")
        << stats({row("10.0.0.1", "350", "01.02.2024 08:00:00", "01.02.2024 09:10:00", "2", "15")}, 2);
    QTest::newRow("letter case ignored, caption as first seen")
        << std::string("d t PC-Acct s1 s2 e1 e2 1 1\n"
                       "d t pc-acct s3 s4 e3 e4 1 1\n"
                       "d t \xCF\xCA-\xC1\xF3\xF5 s5 s6 e5 e6 1 1\n" // Cyrillic, then its lower case
                       "d t \xEF\xEA-\xE1\xF3\xF5 s7 s8 e7 e8 2 2\r\n")
        << stats({row("PC-Acct", "2", "s1 s2", "e3 e4", "2", "2"),
                  row("\xCF\xCA-\xC1\xF3\xF5", "3", "s5 s6", "e7 e8", "2", "3")},
                 4);
    QTest::newRow("rows in order of first appearance")
        << a + "1 1\n" + b + "2 2\n" + a + "3 3\n"
        << stats({row("10.0.0.1", "4", "01.02 08:00", "01.02 08:05", "2", "4"),
                  row("10.0.0.2", "2", "01.02 09:00", "01.02 09:30", "1", "2")},
                 3);
    QTest::newRow("malformed lines are skipped")
        << std::string("d t 10.0.0.9 s1 s2 e1 e2 1\n"     // 8 fields
                       "d t 10.0.0.9 s1 s2 e1 e2 1 1 x\n" // 10 fields
                       "d t  10.0.0.9 s1 s2 e1 e2 1 1\n"  // double blank
                       " d t 10.0.0.9 s1 s2 e1 e2 1 1\n"  // leading blank
                       "d t 10.0.0.9 s1 s2 e1 e2 1 1 \n"  // trailing blank
                       "\n"
                       "d\tt\t10.0.0.9\ts1\ts2\te1\te2\t1\t1\n") // tabs do not separate fields
        << stats({}, 7);
    QTest::newRow("eight blanks make nine fields, empty ones too")
        << std::string("d  10.0.0.9 s1 s2 e1 e2 1 1\n"  // field 1 empty, 8 blanks
                       " t 10.0.0.9 s1 s2 e1 e2 2 2\n") // field 0 empty
        << stats({row("10.0.0.9", "3", "s1 s2", "e1 e2", "2", "3")}, 2);
    QTest::newRow("fields trimmed of bytes 0 to 32, not of 128 and above")
        << std::string("d t \t10.0.0.1\x01 s1\x1f s2 e1 e2\x0b 7\t 8\x0c\n"
                       "d t 10.0.0.1 s3 s4 \x00"
                       "e3 e4 \x00"
                       "1 2\n"
                       "d t \xA0x s s e e 1 1\n"s)
        << stats({row("10.0.0.1", "10", "s1 s2", "e3 e4", "2", "8"), row("\xA0x", "1", "s s", "e e", "1", "1")}, 3);
    QTest::newRow("a first line's cells stay text until a second line")
        << a + "+7 $1F\n" + b + "007 abc\n" + a + "1 0x10\n"
        << stats({row("10.0.0.1", "47", "01.02 08:00", "01.02 08:05", "2", "8"),
                  row("10.0.0.2", "abc", "01.02 09:00", "01.02 09:30", "1", "007")},
                 3);
    QTest::newRow("a cell that is no number stops the reading")
        << b + "1 abc\n" + a + "1 1\n" + b + "1 1\n" + "d t 10.0.0.3 s s e e 1 1\n"
        << stats({row("10.0.0.2", "abc", "01.02 09:00", "01.02 09:30", "1", "1"),
                  row("10.0.0.1", "1", "01.02 08:00", "01.02 08:05", "1", "1")},
                 3, "'abc' is not a valid integer value", 3);
    QTest::newRow("field 8 no number: nothing of the line is taken")
        << a + "1 $10\n" + "d t 10.0.0.1 s s e9 e9 1 12k\n"
        << stats({row("10.0.0.1", "$10", "01.02 08:00", "01.02 08:05", "1", "1")}, 2,
                 "'12k' is not a valid integer value", 2);
    QTest::newRow("field 7 no number: the updates before it stay")
        << a + "1 10\n" + "d t 10.0.0.1 s s e9 e9 1.5 20\n"
        << stats({row("10.0.0.1", "30", "01.02 08:00", "e9 e9", "2", "1")}, 2, "'1.5' is not a valid integer value", 2);
    QTest::newRow("an empty field 8 is no number")
        << a + "1 5\n" + a + "1 \n" // 8 blanks: field 8 is empty
        << stats({row("10.0.0.1", "5", "01.02 08:00", "01.02 08:05", "1", "1")}, 2, "'' is not a valid integer value",
                 2);
    QTest::newRow("sum past the 64-bit range")
        << a + "1 9223372036854775000\n" + a + "1 807\n" + a + "1 1\n"
        << stats({row("10.0.0.1", "9223372036854775807", "01.02 08:00", "01.02 08:05", "2", "2")}, 3,
                 "Integer overflow", 3);
    QTest::newRow("negative sums are fine") << a + "-9223372036854775807 -5\n" + a + "-1 -3\n"
                                            << stats({row("10.0.0.1", "-8", "01.02 08:00", "01.02 08:05", "2",
                                                          std::to_string(std::numeric_limits<std::int64_t>::min()))},
                                                     2);
    QTest::newRow("CR, LF, CR LF and LF CR end lines")
        << a + "1 1\r" + a + "1 1\n" + a + "1 1\r\n" + a + "1 1\n\r" + a + "1 1"
        << stats({row("10.0.0.1", "5", "01.02 08:00", "01.02 08:05", "5", "5")}, 6);
    QTest::newRow("NUL bytes are ordinary bytes")
        << ("d t 10.0.0.1\x00x s s e e 1 1\n"
            "d t 10.0.0.1 s s e e 1 1\n"
            "d t 10.0.0.1\x00X s s e2 e2 2 2\n"s)
        << stats({row("10.0.0.1\x00x"s, "3", "s s", "e2 e2", "2", "3"), row("10.0.0.1", "1", "s s", "e e", "1", "1")},
                 3);
    QTest::newRow("empty log") << std::string() << stats({}, 0);
    QTest::newRow("only line ends") << std::string("\r\n\n\r\r") << stats({}, 4);
}

void TestConnectionStats::documentedCases() {
    QFETCH(std::string, log);
    QFETCH(ConnectionStats, expected);
    expected.notes = reckon(log).notes;   // the lines left out, as the plain reckoning notes them
    COMPARE_STATS(reckon(log), expected); // the plain reckoning agrees with the hand-made figures
    COMPARE_READINGS(log, 1 << 20, expected);
    COMPARE_READINGS(log, 5, expected);
}

void TestConnectionStats::lineEndsAcrossBlocks_data() {
    QTest::addColumn<int>("blockSize");
    for (int size : {1, 2, 3, 5, 8, 15, 16, 17, 31, 255, 256, 257, 1000})
        QTest::addRow("%d-byte blocks", size) << size;
}

void TestConnectionStats::lineEndsAcrossBlocks() {
    QFETCH(int, blockSize);
    // Every kind of line end at every offset of a block, and lines of every length around a scan chunk.
    std::string log;
    const char* ends[] = {"\n", "\r\n", "\r", "\n\r", "\r\r\n"};
    for (int i = 0; i < 120; ++i) {
        log += "d t H" + std::to_string(i % 9) + " s " + std::string(std::size_t(i % 37), 's') + " e e " +
               std::to_string(i) + " " + std::to_string(i * 3);
        log += ends[i % 5];
    }
    log += "d t h1 s s e-last e-last 1 1"; // no final line end
    const ConnectionStats expected = reckon(log);
    QCOMPARE(expected.rows.size(), std::size_t(9));
    COMPARE_READINGS(log, std::size_t(blockSize), expected);
}

void TestConnectionStats::linesOfEveryLength() {
    // Counted lines of 20 to 300 bytes, around every scan chunk edge and the 256 bytes scanned chunk-wise, some
    // with a tab; each followed by one with a blank too many.
    std::string log;
    for (std::size_t size = 20; size <= 300; ++size) {
        std::string line = "d t a" + std::to_string(size % 5) + " s ";
        const std::string tail = " e e 1 " + std::to_string(size);
        line += std::string(size - line.size() - tail.size(), size % 3 == 0 ? '\t' : 'x') + tail;
        QCOMPARE(line.size(), size);
        log += line + (size % 2 == 0 ? "\r\n" : "\n");
        log += line + " 1\n";
    }
    const ConnectionStats expected = reckon(log);
    QCOMPARE(expected.rows.size(), std::size_t(5));
    QCOMPARE(expected.rows[0].countAccess, std::string("57"));
    for (std::size_t block : {std::size_t(1) << 20, std::size_t(300), std::size_t(7)})
        COMPARE_READINGS(log, block, expected);
}

void TestConnectionStats::longLinesAcrossBlocks() {
    // Lines far longer than a scan chunk and than a block: long addresses (letter case ignored), long times,
    // long junk with more than eight blanks, a long final line without line end.
    const std::string longName(300, 'N');
    const std::string longLower(300, 'n');
    const std::string longTime(5000, '7');
    std::string log;
    log += "d t " + longName + " s s e e 1 1\n";
    log += "d t " + longLower + " s s " + longTime + " e 2 2\r\n";
    log += std::string(70000, 'x') + " " + std::string(9, ' ') + "\n";
    log += "d t " + std::string(40, 'K') + " s s e e 1 1\r";
    log += "d t " + std::string(40, 'k') + " s s e e 1 1\n";
    log += "d t " + longName + " s s e e 4 4 " + std::string(100000, 'z'); // 10 fields
    log += "\nd t " + longName + " s s e" + longTime + " e" + longTime + " 1 1";
    const ConnectionStats expected = reckon(log);
    QCOMPARE(expected.rows.size(), std::size_t(2));
    QCOMPARE(expected.rows[0].countAccess, std::string("3"));
    QCOMPARE(expected.rows[0].lastDisconnect, "e" + longTime + " e" + longTime);
    for (std::size_t block : {std::size_t(1) << 20, std::size_t(4096), std::size_t(100), std::size_t(7)})
        COMPARE_READINGS(log, block, expected);
    COMPARE_STATS(readInPieces(log, 70000, 11), expected);
}

void TestConnectionStats::lastDisconnectOfAnySize() {
    // Two clients taking turns, one of them with "Last Disconnect" texts of every size from 1 to 200 bytes.
    std::string log;
    for (std::size_t n = 3; n <= 200; ++n) {
        log += "d t A s s " + std::string(n / 2, 'e') + " " + std::string(n - n / 2 - 1, 'f') + " 1 1\n";
        log += "d t B s s e" + std::to_string(n) + " e 1 1\n";
    }
    const ConnectionStats expected = reckon(log);
    QCOMPARE(expected.rows.size(), std::size_t(2));
    QCOMPARE(expected.rows[0].lastDisconnect.size(), std::size_t(200));
    COMPARE_READINGS(log, 1 << 20, expected);
}

void TestConnectionStats::junkWithoutLineEnds_data() {
    QTest::addColumn<int>("blockSize");
    for (int size : {1 << 20, 65536, 4096, 300, 257, 7})
        QTest::addRow("%d-byte blocks", size) << size;
}

void TestConnectionStats::junkWithoutLineEnds() {
    QFETCH(int, blockSize);
    // Long stretches without a line end, with more than eight blanks (dropped as they come in) or fewer (kept,
    // as they may still be counted lines), ending in every kind of line end, or in none at the end of the log.
    std::string junk;
    for (int i = 0; i < 20000; ++i)
        junk += i % 1000 == 999 ? "\t\x01 " : "junk ";
    const std::string fewBlanks = "d t " + std::string(90000, 'Q') + " s s e e 5 5";
    std::string log = "d t q s s e e 1 1\n";
    log += junk + "\r\n" + fewBlanks + "\r" + junk + "\n\r" + junk + "\r";
    log += "d t Q s s e e 2 2\n" + junk + "\n" + fewBlanks + "\n" + junk;
    const ConnectionStats expected = reckon(log);
    QCOMPARE(expected.rows.size(), std::size_t(2));
    QCOMPARE(expected.rows[1].countAccess, std::string("2"));
    COMPARE_READINGS(log, std::size_t(blockSize), expected);
}

void TestConnectionStats::nothingCountsAfterTheStoppingLine_data() {
    QTest::addColumn<std::string>("after");
    const std::string tab = "a b 2.2.2.2 d t d t 1 1\t\n";
    const std::string longLine = "a b 2.2.2.2 d t d t " + std::string(300, '7') + " 1\n";
    QTest::newRow("a new client with a tab") << tab;
    QTest::newRow("a new client on a long line") << longLine;
    QTest::newRow("the same client with a tab") << std::string("a b 1.1.1.1 d t e2 t2 1 1\t\n");
    QTest::newRow("a failing line with a tab") << std::string("a b 1.1.1.1 d t d t 1 y\t\n");
    QTest::newRow("a failing long line") << "a b 1.1.1.1 d t d t 1 " + std::string(300, 'z') + "\n";
    QTest::newRow("a tab line, then short lines") << tab + "a b 3.3.3.3 d t d t 1 1\n" + tab;
    QTest::newRow("a last line without line end") << std::string("a b 2.2.2.2 d t d t 1 1\t");
    QTest::newRow("malformed lines, noted for nothing") << "not a log line\n\n" + tab + "x " + std::string(300, ' ');
}

void TestConnectionStats::nothingCountsAfterTheStoppingLine() {
    QFETCH(std::string, after);
    // Line 2 stops the reading; whatever follows it, in the same block or not, counts for nothing.
    const std::string log = "a b 1.1.1.1 d t d t 1 1\na b 1.1.1.1 d t d t 1 x\n" + after;
    ConnectionStats expected;
    expected.rows = {row("1.1.1.1", "1", "d t", "d t", "1", "1")};
    expected.error = "'x' is not a valid integer value";
    expected.errorLine = expected.linesRead = 2;
    COMPARE_STATS(reckon(log), expected);
    for (std::size_t block = 1; block <= log.size() + 1; ++block)
        COMPARE_READINGS(log, block, expected);
    for (std::uint32_t seed = 1; seed <= 20; ++seed)
        COMPARE_STATS(readInPieces(log, 64, seed), expected);
}

void TestConnectionStats::stoppingLineAnywhere_data() {
    QTest::addColumn<Placements>("placed");
    QTest::addColumn<bool>("stops");
    QTest::newRow("field 8 no number") << Placements{{0, "A 1 x"}} << true;
    QTest::newRow("field 7 no number, the updates before it stay") << Placements{{0, "B 1.5 7"}} << true;
    QTest::newRow("a first line's text, converted later") << Placements{{0, "Z 1 abc"}, {5, "z 1 1"}} << true;
    QTest::newRow("sum out of range") << Placements{{0, "A 1 9223372036854775800"}, {7, "a 1 8"}} << true;
    QTest::newRow("query count out of range") << Placements{{0, "C 9223372036854775807 0"}} << true;
    QTest::newRow("a running sum out of range and back")
        << Placements{{0, "B 1 9223372036854775700"}, {6, "B 1 200"}, {7, "b 1 -300"}} << true;
    QTest::newRow("sums out of range only without the lines before")
        << Placements{{0, "B 1 -9000000000000000000"}, {6, "B 1 5000000000000000000"}, {7, "B 1 5000000000000000000"}}
        << false;
    QTest::newRow("negative numbers") << Placements{{0, "A -5 -7"}, {4, "a 3 -2"}, {9, "Y -1 1"}} << false;
}

void TestConnectionStats::stoppingLineAnywhere() {
    QFETCH(Placements, placed);
    QFETCH(bool, stops);
    // Lines of one length, so that the parts start at the same lines wherever the placed lines stand (with 2 or 3
    // parts exactly at a line start): clients A, B and C in turn, adding nothing to "Send, kB".
    constexpr std::size_t kLines = 48, kLineSize = 64;
    auto line = [](std::size_t n, const std::string& fields) {
        const std::size_t blank = fields.find(' ');
        const std::string rest = " t " + fields.substr(0, blank) + " s" + std::to_string(n) + " s e" +
                                 std::to_string(n) + " e" + fields.substr(blank) + "\n";
        return std::string(kLineSize - rest.size(), 'd') + rest;
    };
    for (std::size_t at = 0; at < kLines; ++at) {
        std::vector<std::string> lines;
        for (std::size_t n = 0; n < kLines; ++n)
            lines.push_back(line(n, std::string(1, "ABC"[n % 3]) + " 1 0"));
        for (const auto& [offset, fields] : placed)
            if (at + offset < kLines)
                lines[at + offset] = line(at + offset, fields);
        std::string log;
        for (const std::string& text : lines)
            log += text;
        QCOMPARE(log.size(), kLines * kLineSize);
        const ConnectionStats expected = reckon(log);
        if (at + 12 < kLines)
            QCOMPARE(expected.error.has_value(), stops);
        COMPARE_READINGS(log, 48, expected);
    }
}

void TestConnectionStats::sumsPassThe32BitRange() {
    LogGeneratorOptions options;
    options.lines = 2000;
    options.clients = 2;
    options.bigNumbers = true;
    options.malformedPerMille = 0;
    const std::string log = generateLog(options);
    const ConnectionStats stats = readFromFile(log, 1 << 20);
    QVERIFY(!stats.error);
    QCOMPARE(stats.rows.size(), std::size_t(2));
    // Each line sends at least 1e8 kB: a busy client passes 2^31 after a few dozen lines, and 2^32 as well.
    for (const ConnectionStatsRow& r : stats.rows)
        QVERIFY2(*parseInt64(r.sent) > (std::int64_t(1) << 32), r.sent.c_str());
    COMPARE_STATS(stats, reckon(log));

    const std::string edge = "d t a s s e e 1 2147483647\nd t a s s e e 1 1\n";
    QCOMPARE(readFromFile(edge, 1 << 20).rows.at(0).sent, std::string("2147483648"));
}

void TestConnectionStats::progressAndCancel() {
    LogGeneratorOptions options;
    options.lines = 5000;
    options.clients = 50;
    const std::string log = generateLog(options);
    QTemporaryDir dir;
    const std::string path = writeLogFile(dir, log);

    // Progress after every block, rising to the file's size.
    std::vector<std::pair<std::uint64_t, std::uint64_t>> calls;
    ConnectionStatsOptions watched;
    watched.blockSize = 4096;
    watched.threads = 1;
    watched.progress = [&calls](std::uint64_t done, std::uint64_t total) {
        calls.emplace_back(done, total);
    };
    const ConnectionStats full = readConnectionStats(path, watched);
    QVERIFY(!full.cancelled);
    QCOMPARE(calls.size(), (log.size() + 4095) / 4096);
    for (std::size_t i = 0; i < calls.size(); ++i) {
        QCOMPARE(calls[i].first, std::min<std::uint64_t>((i + 1) * 4096, log.size()));
        QCOMPARE(calls[i].second, std::uint64_t(log.size()));
    }

    // A cancel flag raised before the start reads nothing; raised during the reading, it stops at the next block.
    std::atomic<bool> cancel{true};
    ConnectionStatsOptions cancelled;
    cancelled.cancel = &cancel;
    cancelled.threads = 1;
    const ConnectionStats none = readConnectionStats(path, cancelled);
    QVERIFY(none.cancelled);
    QCOMPARE(none.linesRead, std::uint64_t(0));
    QVERIFY(none.rows.empty());

    cancel = false;
    cancelled.blockSize = 4096;
    cancelled.progress = [&cancel](std::uint64_t done, std::uint64_t) {
        if (done >= 3 * 4096)
            cancel = true;
    };
    const ConnectionStats part = readConnectionStats(path, cancelled);
    QVERIFY(part.cancelled);
    QVERIFY(part.linesRead > 0);
    QVERIFY(part.linesRead < full.linesRead);
    // What was read is what the first three blocks' complete lines give.
    const std::string head = log.substr(0, log.rfind('\n', 3 * 4096 - 1) + 1);
    COMPARE_STATS(part, reckon(head));
}

void TestConnectionStats::progressAndCancelInParts() {
    LogGeneratorOptions generated;
    generated.lines = 5000;
    generated.clients = 50;
    const std::string log = generateLog(generated);
    QTemporaryDir dir;
    const std::string path = writeLogFile(dir, log);
    const std::uint64_t size = log.size();

    // Progress from every part, one call at a time, rising to the file's size.
    std::atomic<int> inside{0};
    bool overlapped = false;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> calls;
    ConnectionStatsOptions options;
    options.blockSize = 4096;
    options.threads = 3;
    options.progress = [&](std::uint64_t done, std::uint64_t total) {
        overlapped = overlapped || inside.fetch_add(1) != 0;
        calls.emplace_back(done, total);
        std::this_thread::sleep_for(std::chrono::microseconds(200)); // room for another part to come in
        inside.fetch_sub(1);
    };
    COMPARE_STATS(readConnectionStats(path, options), reckon(log));
    QVERIFY(!overlapped);
    QVERIFY(calls.size() >= (size + 4095) / 4096 && calls.size() <= (size + 4095) / 4096 + 2); // a call a block
    for (std::size_t i = 0; i < calls.size(); ++i) {
        QVERIFY(i == 0 || calls[i].first > calls[i - 1].first);
        QCOMPARE(calls[i].second, size);
    }
    QCOMPARE(calls.back().first, size);

    // Cancelled at any point, the rows are those of the first lines read, never those of a later part without
    // the lines before it.
    std::atomic<bool> cancel{false};
    options.cancel = &cancel;
    for (std::uint64_t after : {std::uint64_t(1), size / 4, size / 2, size * 9 / 10}) {
        cancel = false;
        options.progress = [&cancel, after](std::uint64_t done, std::uint64_t) {
            if (done >= after)
                cancel = true;
        };
        const ConnectionStats part = readConnectionStats(path, options);
        QVERIFY(part.cancelled);
        QVERIFY(part.linesRead < generated.lines);
        COMPARE_STATS(part, reckon(firstLines(log, part.linesRead)));
    }
}

void TestConnectionStats::unreadableFileIsAnError() {
    QTemporaryDir dir;
    const std::string missing = dir.filePath("missing.log").toStdString();
    try {
        readConnectionStats(missing);
        QFAIL("a missing file must be reported");
    } catch (const GlymError& error) {
        QCOMPARE(std::string(error.what()), "Cannot open file \"" + missing + "\". No such file or directory");
    }
    // A directory or a named pipe is refused at once (a pipe would otherwise wait for a writer).
    QVERIFY_THROWS_EXCEPTION(GlymError, readConnectionStats(dir.path().toStdString()));
    const std::string fifo = dir.filePath("fifo.log").toStdString();
    QCOMPARE(::mkfifo(fifo.c_str(), 0600), 0);
    QVERIFY_THROWS_EXCEPTION(GlymError, readConnectionStats(fifo));
}

QTEST_APPLESS_MAIN(TestConnectionStats)
#include "test_connectionstats.moc"
