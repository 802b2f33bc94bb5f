#include "common/Error.h"
#include "rules/CacheSkipFile.h"
#include "rules/PortMapFile.h"
#include "rules/Proxyusers.h"
#include "rules/RulesFile.h"

#include "common/CoreTestSupport.h"

#include <QDirIterator>
#include <QTemporaryDir>
#include <QTest>

using namespace coretest;

Q_DECLARE_METATYPE(QByteArrayList)

// The access rules file read into the group records, and the three rule files written back. The golden cases
// under tests/data/rules/<case>/ hold a "names" file (access=, cacheskip=, router=, saves=), the files before
// ("input/") and every file expected afterwards, backups included ("expected/").
class TestRulesFile : public QObject {
    Q_OBJECT

private slots:
    void init();

    void writeToOrder();
    void writeToLeavesOutEmptyLines();
    void groupNumber_data();
    void groupNumber();

    void loadAccessRules_data();
    void loadAccessRules();
    void missingFileCreatesNoGroup();

    void golden_data();
    void golden();
    void stampsAreThoseOfTheContents_data();
    void stampsAreThoseOfTheContents();

    void failureOnFirstFileStopsTheSave();
    void failureOnLaterFileKeepsItsOldFiles();

private:
    QString path(const QString& name) const { return dir_->filePath(name); }

    std::unique_ptr<QTemporaryDir> dir_;
};

namespace {

// Every group's lines in the order the save writes them.
QByteArrayList savedLines(const GroupTable& groups) {
    std::vector<std::string> lines;
    for (int group = 0; group < GroupTable::kSlotCount; ++group)
        if (const TProxyUsers* record = groups.find(group))
            record->WriteTo(lines);
    QByteArrayList result;
    for (const std::string& line : lines)
        result << qbytes(line);
    return result;
}

QList<int> existingGroups(const GroupTable& groups) {
    QList<int> result;
    for (int group = 0; group < GroupTable::kSlotCount; ++group)
        if (groups.exists(group))
            result << group;
    return result;
}

QMap<QString, QString> readNames(const QString& file) {
    QMap<QString, QString> names;
    for (const QByteArray& line : readBytes(file).split('\n')) {
        const qsizetype equals = line.indexOf('=');
        if (equals > 0)
            names.insert(QString::fromUtf8(line.left(equals)), QString::fromUtf8(line.mid(equals + 1)));
    }
    return names;
}

// Makes a directory current for as long as it lives.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const QString& directory) : previous_(QDir::currentPath()) {
        QDir::setCurrent(directory);
    }
    ~CurrentDirectory() { QDir::setCurrent(previous_); }

private:
    QString previous_;
};

void copyFiles(const QString& from, const QString& to) {
    for (const QString& name : entries(from))
        QVERIFY(QFile::copy(from + "/" + name, to + "/" + name));
}

} // namespace

void TestRulesFile::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

void TestRulesFile::writeToOrder() {
    TProxyUsers group(7);
    group.OutputAuthRule = "OA:7:out:pw:";
    group.PortBlockRules.append("BP:7:1:2:");
    group.InputAuthRule = "IA:7:in:pw:";
    group.PortAccessRules.append("RP:7:80:");
    group.SpeedRule = "RL:7:100:";
    group.TimeRules.append("WT:7:1:9:18:");
    group.LimitRule = "TL:7:100:";
    group.WordRules.append("BW:7:w:");
    group.UrlRules.append("PD:7:b:");
    group.UrlRules.append("PA:7:a:");
    group.HostRules.append("CD:7:pc:");
    group.NetworkRules.append("GD:7:10.0.0.2:255.0.0.0:");
    group.NetworkRules.append("GD:7:10.0.0.1:255.0.0.0:");
    group.SetGroupLine("GN:7:Seven:");
    group.TimeRules.append("WT:7:0:0:24:");

    std::vector<std::string> lines = {"before"};
    group.WriteTo(lines);
    QCOMPARE(joined(lines), QByteArray("before\nGN:7:Seven:\nGD:7:10.0.0.2:255.0.0.0:\nGD:7:10.0.0.1:255.0.0.0:\n"
                                       "CD:7:pc:\nPD:7:b:\nPA:7:a:\nBW:7:w:\nWT:7:1:9:18:\nWT:7:0:0:24:\nRP:7:80:\n"
                                       "BP:7:1:2:\nTL:7:100:\nRL:7:100:\nIA:7:in:pw:\nOA:7:out:pw:"));
}

void TestRulesFile::writeToLeavesOutEmptyLines() {
    TProxyUsers group(3);
    group.NetworkRules.append("GD:3:10.0.0.0:255.0.0.0:");
    group.SpeedRule = "RL:3:1:";
    std::vector<std::string> lines;
    group.WriteTo(lines);
    QCOMPARE(joined(lines), QByteArray("GD:3:10.0.0.0:255.0.0.0:\nRL:3:1:"));

    TProxyUsers empty(4);
    std::vector<std::string> none;
    empty.WriteTo(none);
    QVERIFY(none.empty());
}

void TestRulesFile::groupNumber_data() {
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<int>("group"); // -1: not a group
    QTest::newRow("0") << QByteArray("0") << 0;
    QTest::newRow("64") << QByteArray("64") << 64;
    QTest::newRow("leading zero") << QByteArray("03") << 3;
    QTest::newRow("65") << QByteArray("65") << -1;
    QTest::newRow("-1") << QByteArray("-1") << -1;
    QTest::newRow("letters") << QByteArray("x") << -1;
    QTest::newRow("empty") << QByteArray("") << -1;
    QTest::newRow("trailing letters") << QByteArray("1a") << -1;
    QTest::newRow("huge") << QByteArray("4294967296") << -1;
}

void TestRulesFile::groupNumber() {
    QFETCH(QByteArray, field);
    QFETCH(int, group);
    const auto number = GroupTable::groupNumber(stdbytes(field));
    QCOMPARE(number.value_or(-1), group);
}

void TestRulesFile::loadAccessRules_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QList<int>>("groups");
    QTest::addColumn<QByteArrayList>("saved");

    QTest::newRow("network of group 3 only") << QByteArray("GD:3:10.0.0.0:255.0.0.0:\r\n") << QList<int>{0, 3}
                                             << QByteArrayList{"GN:0:AllUsers:", "GD:3:10.0.0.0:255.0.0.0:"};
    QTest::newRow("group 0 named by a network gets no default line")
        << QByteArray("GD:0:10.0.0.0:255.0.0.0:\r\n") << QList<int>{0} << QByteArrayList{"GD:0:10.0.0.0:255.0.0.0:"};
    QTest::newRow("group 0 named by a host gets no default line")
        << QByteArray("CD:0:pc:") << QList<int>{0} << QByteArrayList{"CD:0:pc:"};
    QTest::newRow("group 0 named later in the file") << QByteArray("GD:1:a:b:\nGN:0:Everyone:\n") << QList<int>{0, 1}
                                                     << QByteArrayList{"GN:0:Everyone:", "GD:1:a:b:"};
    QTest::newRow("limit of a group without group line dropped")
        << QByteArray("GN:1:x:\r\nTL:5:100:\r\n") << QList<int>{0, 1} << QByteArrayList{"GN:0:AllUsers:", "GN:1:x:"};
    QTest::newRow("every rule kind of a missing group dropped")
        << QByteArray("PA:5:u:\nPD:5:u:\nBW:5:w:\nWT:5:1:1:2:\nRP:5:1:\nBP:5:1:2:\nTL:5:1:\nRL:5:1:\nIA:5:a:b:\n"
                      "OA:5:a:b:\n")
        << QList<int>{0} << QByteArrayList{"GN:0:AllUsers:"};
    QTest::newRow("second limit wins") << QByteArray("GN:1:x:\r\nTL:1:100:\r\nTL:1:200:a\r\n") << QList<int>{0, 1}
                                       << QByteArrayList{"GN:0:AllUsers:", "GN:1:x:", "TL:1:200:a"};
    QTest::newRow("last of each single line wins")
        << QByteArray("GN:1:a:\nRL:1:1:\nIA:1:u:p:\nOA:1:u:p:\nGN:1:b:\nRL:1:2:\nIA:1:v:q:\nOA:1:v:q:\n")
        << QList<int>{0, 1} << QByteArrayList{"GN:0:AllUsers:", "GN:1:b:", "RL:1:2:", "IA:1:v:q:", "OA:1:v:q:"};
    QTest::newRow("equal networks both kept")
        << QByteArray("GD:1:10.0.0.0:255.0.0.0:\nGD:1:10.0.0.0:255.0.0.0:\n") << QList<int>{0, 1}
        << QByteArrayList{"GN:0:AllUsers:", "GD:1:10.0.0.0:255.0.0.0:", "GD:1:10.0.0.0:255.0.0.0:"};
    QTest::newRow("lower-case tag ignored")
        << QByteArray("gn:1:x:\r\n") << QList<int>{0} << QByteArrayList{"GN:0:AllUsers:"};
    QTest::newRow("fields trimmed") << QByteArray("GN : 2 : Sales : note \r\n") << QList<int>{0, 2}
                                    << QByteArrayList{"GN:0:AllUsers:", "GN:2:Sales:note"};
    QTest::newRow("rule before its group line")
        << QByteArray("TL:4:1:\r\nBW:4:w:\r\nGN:4:late:\r\n") << QList<int>{0, 4}
        << QByteArrayList{"GN:0:AllUsers:", "GN:4:late:", "BW:4:w:", "TL:4:1:"};
    QTest::newRow("group field not a number from 0 to 64")
        << QByteArray("GD:65:a:b:\nGD:x:a:b:\nGD:-1:a:b:\nGN::e:\nCD:1.5:h:\nGN:64:top:\nGD\n") << QList<int>{0, 64}
        << QByteArrayList{"GN:0:AllUsers:", "GN:64:top:"};
    QTest::newRow("group field with blanks and zeros")
        << QByteArray("GD: 03 :a:b:") << QList<int>{0, 3} << QByteArrayList{"GN:0:AllUsers:", "GD:03:a:b:"};
    QTest::newRow("groups in number order")
        << QByteArray("GN:10:ten:\nGN:2:two:\nGN:0:zero:\nGN:64:last:\n") << QList<int>{0, 2, 10, 64}
        << QByteArrayList{"GN:0:zero:", "GN:2:two:", "GN:10:ten:", "GN:64:last:"};
    QTest::newRow("URL rules stay mixed in file order")
        << QByteArray("GN:1:a:\nPD:1:x:\nPA:1:y:\nPD:1:z:\n") << QList<int>{0, 1}
        << QByteArrayList{"GN:0:AllUsers:", "GN:1:a:", "PD:1:x:", "PA:1:y:", "PD:1:z:"};
    QTest::newRow("other tags and empty lines dropped")
        << QByteArray("XX:1:y\r\n\r\nSA:x:y\r\nCR:1:1:s:s:1:1:1:1:1:\r\n;GN:1:c:\r\nGN:1:n:\r\n   \r\n")
        << QList<int>{0, 1} << QByteArrayList{"GN:0:AllUsers:", "GN:1:n:"};
    QTest::newRow("CR, LF, CR LF and no final line end")
        << QByteArray("GN:1:a:\rGD:1:b:c:\nCD:1:h:\r\nPA:1:u:") << QList<int>{0, 1}
        << QByteArrayList{"GN:0:AllUsers:", "GN:1:a:", "GD:1:b:c:", "CD:1:h:", "PA:1:u:"};
    QTest::newRow("lines of groups and kinds interleaved: each list in file order")
        << QByteArray("GD:2:a:\nCD:1:h1:\nGD:1:n1:\nGD:2:b:\nCD:1:h2:\nGD:1:n2:\nGN:2:x:\nGN:1:y:\n")
        << QList<int>{0, 1, 2} << QByteArrayList{"GN:0:AllUsers:", "GN:1:y:", "GD:1:n1:", "GD:1:n2:", "CD:1:h1:",
                                                 "CD:1:h2:",       "GN:2:x:", "GD:2:a:",  "GD:2:b:"};
    QTest::newRow("tabs and control characters at field ends trimmed, CR CR LF")
        << QByteArray("\tGD:1:\x01"
                      "a\t: b:\r\r\nCD:1:h\x7F:\r\n")
        << QList<int>{0, 1} << QByteArrayList{"GN:0:AllUsers:", "GD:1:a:b:", "CD:1:h\x7F:"};
    QTest::newRow("short lines kept as they are")
        << QByteArray("GD:1\nTL:1\n") << QList<int>{0, 1} << QByteArrayList{"GN:0:AllUsers:", "GD:1", "TL:1"};
    QTest::newRow("Cyrillic names") << QByteArray("GN:1:\xC1\xF3\xF5\xE3\xE0\xEB\xF2\xE5\xF0\xE8\xFF:\xEF\xEE\xEB \r\n")
                                    << QList<int>{0, 1}
                                    << QByteArrayList{"GN:0:AllUsers:",
                                                      "GN:1:\xC1\xF3\xF5\xE3\xE0\xEB\xF2\xE5\xF0\xE8\xFF:\xEF\xEE\xEB"};
    QTest::newRow("empty file") << QByteArray() << QList<int>{0} << QByteArrayList{"GN:0:AllUsers:"};
}

void TestRulesFile::loadAccessRules() {
    QFETCH(QByteArray, content);
    QFETCH(QList<int>, groups);
    QFETCH(QByteArrayList, saved);
    QVERIFY(writeBytes(path("access.txt"), content));
    GroupTable table;
    LoadAccessRules(path("access.txt").toStdString(), table);
    QCOMPARE(existingGroups(table), groups);
    QCOMPARE(savedLines(table), saved);
}

void TestRulesFile::missingFileCreatesNoGroup() {
    GroupTable table;
    LoadAccessRules(path("missing.txt").toStdString(), table);
    LoadAccessRules("", table);
    QCOMPARE(existingGroups(table), QList<int>());
}

void TestRulesFile::golden_data() {
    QTest::addColumn<QString>("caseDir");
    const QDir root(QStringLiteral(GLYM_TEST_DATA "/rules"));
    const QStringList cases = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    QVERIFY(cases.size() >= 9);
    for (const QString& name : cases)
        QTest::newRow(qPrintable(name)) << root.filePath(name);
}

// Loads the rules as start-up does (cache-skip file, port-mapping file, then the access rules file), saves them
// as often as the case says, and compares every file of the directory with the expected bytes, and the lines the
// load left out with the case's "findings" (none when it has no such file). Names are relative to the directory,
// which is current meanwhile, as the program directory is; "<dir>" stands for its absolute path.
void TestRulesFile::golden() {
    QFETCH(QString, caseDir);
    const QMap<QString, QString> names = readNames(caseDir + "/names");
    QVERIFY(names.contains("access") && names.contains("cacheskip") && names.contains("router"));
    copyFiles(caseDir + "/input", dir_->path());
    const CurrentDirectory current(dir_->path());
    auto spelled = [this](QString name) {
        return name.replace("<dir>", dir_->path()).toStdString();
    };
    const RuleFileNames fileNames{spelled(names["access"]), spelled(names["cacheskip"]), spelled(names["router"])};

    LoadFindings findings;
    std::vector<std::string> cacheSkipLines = loadCacheSkipLines(fileNames.cacheSkip, &findings);
    StandardServices standard{};
    RuleLines manual;
    loadPortMapping(fileNames.portMapping, standard, manual, &findings);
    GroupTable groups;
    LoadAccessRules(fileNames.accessRules, groups, &findings);
    for (int save = 0; save < names.value("saves", "1").toInt(); ++save)
        SaveRuleFiles(fileNames, groups, cacheSkipLines, standard, manual);

    const QString expectedDir = caseDir + "/expected";
    QCOMPARE(entries(dir_->path()), entries(expectedDir));
    for (const QString& name : entries(expectedDir)) {
        const QByteArray actual = readBytes(path(name));
        const QByteArray expected = readBytes(expectedDir + "/" + name);
        if (actual != expected)
            qWarning().noquote() << name << "\nactual:  " << actual.toPercentEncoding(" :")
                                 << "\nexpected:" << expected.toPercentEncoding(" :");
        QCOMPARE(actual, expected);
    }
    QByteArray reported;
    for (const Finding& finding : findings.findings())
        reported += qbytes(formatFinding(finding)) + "\n";
    const QByteArray expectedFindings = QFile::exists(caseDir + "/findings") ? readBytes(caseDir + "/findings") : "";
    QCOMPARE(reported, expectedFindings);
}

// The stamps a save compares with are taken without building the files; they must be those of the bytes it writes,
// however the rule files share names, and differ when a byte does.
void TestRulesFile::stampsAreThoseOfTheContents_data() {
    QTest::addColumn<QStringList>("names"); // access rules, cache-skip, port mapping
    QTest::addColumn<int>("files");
    QTest::newRow("three files") << QStringList{"a.txt", "s.txt", "r.txt"} << 3;
    QTest::newRow("cache-skip rules in the access file") << QStringList{"a.txt", "a.txt", "r.txt"} << 2;
    QTest::newRow("port mapping in the access file") << QStringList{"a.txt", "s.txt", "a.txt"} << 2;
    QTest::newRow("port mapping in the cache-skip file") << QStringList{"a.txt", "s.txt", "s.txt"} << 2;
    QTest::newRow("one file") << QStringList{"a.txt", "a.txt", "a.txt"} << 1;
    QTest::newRow("no access file") << QStringList{"", "s.txt", "r.txt"} << 2;
}

void TestRulesFile::stampsAreThoseOfTheContents() {
    QFETCH(QStringList, names);
    QFETCH(int, files);
    auto nameOf = [this, &names](int file) {
        return names[file].isEmpty() ? std::string() : path(names[file]).toStdString();
    };
    const RuleFileNames named{nameOf(0), nameOf(1), nameOf(2)};
    GroupTable groups;
    TProxyUsers& group = groups.create(3);
    group.SetGroupLine("GN:3:three:");
    for (int i = 0; i < 3000; ++i) // more than one piece of the hash
        group.NetworkRules.append("GD:3:10.0." + std::to_string(i % 256) + ".0:255.255.255.0:" + std::to_string(i));
    std::vector<std::string> cacheSkip = {"SA:a.example:", "SD:b.example:x"};
    const StandardServices standard = {"CS:mail:", "", "CN:news:"};
    RuleLines manual;
    manual.append("CR:1:8080:h:80:1:1:1:1:1:");

    std::vector<RuleFileStamp> expected;
    const std::vector<RuleFileContent> contents = ruleFileContents(named, groups, cacheSkip, standard, manual);
    for (const RuleFileContent& file : contents)
        expected.push_back(stampOf(file));
    QCOMPARE(static_cast<int>(expected.size()), files);
    QVERIFY(ruleFileStamps(named, groups, cacheSkip, standard, manual) == expected);
    QCOMPARE(expected.front().size, contents.front().bytes.size());

    cacheSkip.back().back() = 'y';
    const std::vector<RuleFileStamp> changed = ruleFileStamps(named, groups, cacheSkip, standard, manual);
    int differing = 0;
    for (std::size_t i = 0; i < changed.size(); ++i)
        differing += changed[i] == expected[i] ? 0 : 1;
    QCOMPARE(differing, 1);
}

void TestRulesFile::failureOnFirstFileStopsTheSave() {
    GroupTable groups;
    groups.create(1).SetGroupLine("GN:1:a:");
    const RuleFileNames names{path("missing/access.txt").toStdString(), path("skip.txt").toStdString(),
                              path("router.txt").toStdString()};
    try {
        SaveRuleFiles(names, groups, {"SA:x:y"}, StandardServices{}, RuleLines{});
        QFAIL("no error");
    } catch (const GlymError& error) {
        QVERIFY2(
            QByteArray(error.what()).startsWith("Unable to write to " + QFile::encodeName(path("missing/access.txt"))),
            error.what());
    }
    QCOMPARE(entries(dir_->path()), QStringList());
}

// The access rules file is written; the cache-skip file cannot be; the port-mapping file is not touched.
void TestRulesFile::failureOnLaterFileKeepsItsOldFiles() {
    QVERIFY(writeBytes(path("access.txt"), "GN:1:old:\r\n"));
    QVERIFY(writeBytes(path("router.txt"), "CS:old:\r\n"));
    QVERIFY(writeBytes(path("router.txt.bak"), "older\r\n"));
    QVERIFY(QDir(dir_->path()).mkpath("skip.txt/inner")); // a directory where the cache-skip file should be

    GroupTable groups;
    groups.create(1).SetGroupLine("GN:1:new:");
    const RuleFileNames names{path("access.txt").toStdString(), path("skip.txt").toStdString(),
                              path("router.txt").toStdString()};
    try {
        SaveRuleFiles(names, groups, {"SA:x:y"}, StandardServices{"CS:new:", "", ""}, RuleLines{});
        QFAIL("no error");
    } catch (const GlymError& error) {
        QVERIFY2(QByteArray(error.what()).startsWith("Unable to write to " + QFile::encodeName(path("skip.txt"))),
                 error.what());
    }
    QCOMPARE(readBytes(path("access.txt")), QByteArray("GN:1:new:\r\n"));
    QCOMPARE(readBytes(path("access.txt.bak")), QByteArray("GN:1:old:\r\n"));
    QVERIFY(QFileInfo(path("skip.txt/inner")).isDir());
    QCOMPARE(readBytes(path("router.txt")), QByteArray("CS:old:\r\n"));
    QCOMPARE(readBytes(path("router.txt.bak")), QByteArray("older\r\n"));
    QCOMPARE(entries(dir_->path()),
             QStringList({"access.txt", "access.txt.bak", "router.txt", "router.txt.bak", "skip.txt"}));
}

QTEST_APPLESS_MAIN(TestRulesFile)
#include "test_rulesfile.moc"
