#include "common/Error.h"
#include "rules/CacheSkipFile.h"
#include "rules/PortMapFile.h"
#include "rules/RulesFile.h"

#include "common/CoreTestSupport.h"

#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <sys/stat.h>

using namespace coretest;

Q_DECLARE_METATYPE(QByteArrayList)

// Reading the cache-skip rules and the port-mapping rules from their files.
class TestPortMapCacheSkip : public QObject {
    Q_OBJECT

private slots:
    void init();

    void cacheSkipLoadKeepsOnlyItsOwnLines_data();
    void cacheSkipLoadKeepsOnlyItsOwnLines();
    void cacheSkipOfMissingFile();

    void aStandardPortIsItsNumber_data();
    void aStandardPortIsItsNumber();
    void portMappingLoadSplitsStandardAndManual_data();
    void portMappingLoadSplitsStandardAndManual();
    void portMappingOfMissingFile();

    void namedPipeStopsNoLoader();

private:
    QString path(const QString& name) const { return dir_->filePath(name); }

    std::unique_ptr<QTemporaryDir> dir_;
};

void TestPortMapCacheSkip::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

void TestPortMapCacheSkip::cacheSkipLoadKeepsOnlyItsOwnLines_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArrayList>("lines");

    QTest::newRow("three kinds") << QByteArray("SD:/cgi-bin/:dynamic pages\r\nSA:www.example.com:\r\nBR:403:code\r\n")
                                 << QByteArrayList{"SD:/cgi-bin/:dynamic pages", "SA:www.example.com:", "BR:403:code"};
    QTest::newRow("tag compared after trimming, line kept as read")
        << QByteArray(" SA :x:y\r\n\tSD\t: a : b \r\n") << QByteArrayList{" SA :x:y", "\tSD\t: a : b "};
    QTest::newRow("lower-case tag dropped") << QByteArray("sa:x:y\r\nSa:x:y\r\nsD:x:y\r\n") << QByteArrayList{};
    QTest::newRow("fewer and more fields kept")
        << QByteArray("SA:x\nSA:x:y:z\nSA\n") << QByteArrayList{"SA:x", "SA:x:y:z", "SA"};
    QTest::newRow("other tags and empty lines dropped")
        << QByteArray("GN:1:Office:\r\n\r\nCS:smtp:\r\nCR:25:25:a:b:1:1:1:1:1:\r\nS A:x:y\r\nSAX:y\r\n  \r\nBR::\r\n")
        << QByteArrayList{"BR::"};
    QTest::newRow("any line ends, no final one")
        << QByteArray("SA:a:\rSD:b:\nBR:c:\r\nSA:d:") << QByteArrayList{"SA:a:", "SD:b:", "BR:c:", "SA:d:"};
    QTest::newRow("bytes kept") << QByteArray("SD:\xCF\xF0\xEE\xEA\xF1\xE8:\0x\r\n", 14)
                                << QByteArrayList{QByteArray("SD:\xCF\xF0\xEE\xEA\xF1\xE8:\0x", 12)};
    QTest::newRow("empty file") << QByteArray() << QByteArrayList{};
}

void TestPortMapCacheSkip::cacheSkipLoadKeepsOnlyItsOwnLines() {
    QFETCH(QByteArray, content);
    QFETCH(QByteArrayList, lines);
    QVERIFY(writeBytes(path("skip.txt"), content));
    const std::vector<std::string> loaded = loadCacheSkipLines(path("skip.txt").toStdString());
    QCOMPARE(joined(loaded), joined(coretest::lines(lines)));
    QCOMPARE(loaded.size(), std::size_t(lines.size()));
}

void TestPortMapCacheSkip::cacheSkipOfMissingFile() {
    QVERIFY(loadCacheSkipLines(path("missing.txt").toStdString()).empty());
    QVERIFY(loadCacheSkipLines("").empty());
}

void TestPortMapCacheSkip::aStandardPortIsItsNumber_data() {
    QTest::addColumn<QByteArray>("port");
    QTest::addColumn<int>("slot"); // -1: none
    QTest::newRow("SMTP") << QByteArray("25") << 0;
    QTest::newRow("POP3") << QByteArray("110") << 1;
    QTest::newRow("NNTP") << QByteArray("119") << 2;
    QTest::newRow("leading zero") << QByteArray("025") << 0;
    QTest::newRow("plus sign") << QByteArray("+110") << 1;
    QTest::newRow("hex") << QByteArray("0x77") << 2;
    QTest::newRow("blank") << QByteArray(" 25") << 0;
    QTest::newRow("no number") << QByteArray("25a") << -1;
    QTest::newRow("other port") << QByteArray("8080") << -1;
    QTest::newRow("empty") << QByteArray() << -1;
}

void TestPortMapCacheSkip::aStandardPortIsItsNumber() {
    QFETCH(QByteArray, port);
    QFETCH(int, slot);
    QCOMPARE(standardSlotOfPort(stdbytes(port)).value_or(-1), slot);
}

void TestPortMapCacheSkip::portMappingLoadSplitsStandardAndManual_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArrayList>("standard");
    QTest::addColumn<QByteArrayList>("manual");
    QTest::addColumn<QList<bool>>("taken");

    const QList<bool> none{false, false, false};
    QTest::newRow("standard services trimmed")
        << QByteArray("CS: smtp.example :\r\nCP:pop.example:\r\n CN :news: \r\n")
        << QByteArrayList{"CS:smtp.example:", "CP:pop.example:", "CN:news:"} << QByteArrayList{} << none;
    QTest::newRow("later standard line wins") << QByteArray("CN:news1:\r\nCS:a:\r\nCN:news2:\r\n")
                                              << QByteArrayList{"CS:a:", "", "CN:news2:"} << QByteArrayList{} << none;
    QTest::newRow("manual service on 25 takes the SMTP slot")
        << QByteArray("CS:smtpgate:\r\nCR:25:25:relay:smtp:15:15:60:100:100:\r\n") << QByteArrayList{"", "", ""}
        << QByteArrayList{"CR:25:25:relay:smtp:15:15:60:100:100:"} << QList<bool>{true, false, false};
    QTest::newRow("manual service on 110 before the POP3 line")
        << QByteArray("CR:110:110:pop:pop3:15:15:60:100:100:\r\nCP:pop.example:\r\nCS:smtp:\r\n")
        << QByteArrayList{"CS:smtp:", "", ""} << QByteArrayList{"CR:110:110:pop:pop3:15:15:60:100:100:"}
        << QList<bool>{false, true, false};
    QTest::newRow("manual service on 119 without an NNTP line")
        << QByteArray("CR:119:119:news:nntp:15:15:60:100:100:\r\n") << QByteArrayList{"", "", ""}
        << QByteArrayList{"CR:119:119:news:nntp:15:15:60:100:100:"} << QList<bool>{false, false, true};
    QTest::newRow("025 is 25") << QByteArray("CS:smtp:\r\nCR:025:25:relay:smtp:15:15:60:100:100:\r\n")
                               << QByteArrayList{"", "", ""} << QByteArrayList{"CR:025:25:relay:smtp:15:15:60:100:100:"}
                               << QList<bool>{true, false, false};
    QTest::newRow("port field trimmed before the check")
        << QByteArray("CS:smtp:\r\nCR: 25 :25:relay:smtp:15:15:60:100:100:\r\n") << QByteArrayList{"", "", ""}
        << QByteArrayList{"CR:25:25:relay:smtp:15:15:60:100:100:"} << QList<bool>{true, false, false};
    QTest::newRow("manual services normalised, in order, others dropped")
        << QByteArray(" CR : 8080 : 80 : web : http :15:15:60:100:100: c \nGN:1:x:\ncr:1:1:a:b:1:1:1:1:1:\n\n"
                      "SA:x:y\nCR:8081\ncs:x:\nCR:3000:3000:app:custom:1:1:1:1:1:note")
        << QByteArrayList{"", "", ""}
        << QByteArrayList{"CR:8080:80:web:http:15:15:60:100:100:c", "CR:8081", "CR:3000:3000:app:custom:1:1:1:1:1:note"}
        << none;
    QTest::newRow("all three taken") << QByteArray("CS:a:\nCP:b:\nCN:c:\nCR:119:1:x\nCR:25:1:x\nCR:110:1:x\n")
                                     << QByteArrayList{"", "", ""}
                                     << QByteArrayList{"CR:119:1:x", "CR:25:1:x", "CR:110:1:x"}
                                     << QList<bool>{true, true, true};
}

void TestPortMapCacheSkip::portMappingLoadSplitsStandardAndManual() {
    QFETCH(QByteArray, content);
    QFETCH(QByteArrayList, standard);
    QFETCH(QByteArrayList, manual);
    QFETCH(QList<bool>, taken);
    QVERIFY(writeBytes(path("router.txt"), content));

    StandardServices services{};
    RuleLines manualLines;
    const TakenStandardSlots takenSlots = loadPortMapping(path("router.txt").toStdString(), services, manualLines);
    QCOMPARE(QByteArrayList({qbytes(services[0]), qbytes(services[1]), qbytes(services[2])}), standard);
    QByteArrayList loaded;
    for (const auto& entry : manualLines)
        loaded << qbytes(entry.text);
    QCOMPARE(loaded, manual);
    QCOMPARE(QList<bool>({takenSlots[0], takenSlots[1], takenSlots[2]}), taken);
}

void TestPortMapCacheSkip::portMappingOfMissingFile() {
    StandardServices services{"CS:kept:", "", ""};
    RuleLines manual;
    const TakenStandardSlots taken = loadPortMapping(path("missing.txt").toStdString(), services, manual);
    QCOMPARE(qbytes(services[0]), QByteArray("CS:kept:"));
    QVERIFY(manual.empty());
    QVERIFY(!taken[0] && !taken[1] && !taken[2]);
}

// A rule file named after a named pipe (or a device, a directory) is an error, at once, for every loader.
void TestPortMapCacheSkip::namedPipeStopsNoLoader() {
    const std::string fifo = path("rules.txt").toStdString();
    QCOMPARE(::mkfifo(fifo.c_str(), 0600), 0);
    StandardServices standard{};
    RuleLines manual;
    GroupTable groups;
    const std::function<void()> loaders[] = {
        [&] { loadCacheSkipLines(fifo); },
        [&] { loadPortMapping(fifo, standard, manual); },
        [&] { LoadAccessRules(fifo, groups); },
    };
    for (const auto& load : loaders) {
        try {
            load();
            QFAIL("no error");
        } catch (const GlymError& error) {
            QCOMPARE(QByteArray(error.what()), "Cannot read file \"" + qbytes(fifo) + "\". Not a regular file");
        }
    }
    QVERIFY(!groups.exists(0)); // nothing was loaded
}

QTEST_APPLESS_MAIN(TestPortMapCacheSkip)
#include "test_portmap_cacheskip.moc"
