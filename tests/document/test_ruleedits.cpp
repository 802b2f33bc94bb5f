#include "document/Configuration.h"
#include "document/RuleEdits.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The rule lines as the command line changes them: the one table of the kinds (the dialogs take their bounds from
// it), and adding, deleting and replacing lines in a configuration read from a directory.
class TestRuleEdits : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    void write(const char* name, const QByteArray& bytes) {
        QFile file(dir_.filePath(QLatin1String(name)));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    Configuration loaded() {
        const std::string directory = dir_.path().toStdString();
        Configuration configuration(directory + "/glym30.ini", directory);
        configuration.load({});
        return configuration;
    }
    static QStringList texts(const Configuration& configuration) {
        QStringList lines;
        for (const ListedRule& rule : listRules(configuration))
            lines << QString::fromStdString(rule.text);
        return lines;
    }

private slots:
    void init() {
        write("glym30.ini", "[Server]\r\nPort=3128\r\n[Check]\r\nFile Name=access.txt\r\n"
                            "[Router]\r\nFile Name=router.txt\r\n");
        // Not in the order a save writes: the group names first.
        write("access.txt", "GN:1:Office:\r\nGN:2:Guests:\r\nGD:2:10.0.2.0:255.255.255.0:\r\n"
                            "GD:1:10.0.1.0:255.255.255.0:\r\nPD:2:example.com:\r\nTL:2:100:\r\n");
        write("router.txt", "CS:mail.example:\r\nCR:8080:80:web:http:15:15:60:100:100:\r\n");
    }

    // Every bound of the table, at and past its edges, as the dialogs' fields hold them.
    void linesAreCheckedByTheTable_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("problem");
        QTest::newRow("group 64") << QByteArray("PA:64:x:") << QByteArray();
        QTest::newRow("group 65") << QByteArray("PA:65:x:") << QByteArray("\"group\" must be at most 64");
        QTest::newRow("group -1") << QByteArray("PA:-1:x:") << QByteArray("\"group\" must be at least 0");
        QTest::newRow("group 1a") << QByteArray("PA:1a:x:") << QByteArray("\"group\" must hold a whole number");
        QTest::newRow("port range equal") << QByteArray("BP:1:80:80:") << QByteArray();
        QTest::newRow("port range reversed")
            << QByteArray("BP:1:81:80:") << QByteArray("\"lastPort\" must be at least 81");
        QTest::newRow("hours 0 to 24") << QByteArray("WT:1:0:0:24:") << QByteArray();
        QTest::newRow("hours equal") << QByteArray("WT:1:0:9:9:") << QByteArray("\"end\" must be at least 10");
        QTest::newRow("begin 24") << QByteArray("WT:1:0:24:24:") << QByteArray("\"begin\" must be at most 23");
        QTest::newRow("speed of 31 bits") << QByteArray("RL:1:2147483647:") << QByteArray();
        QTest::newRow("speed beyond") << QByteArray("RL:1:2147483648:") << QByteArray("\"speed\" must be at most");
        QTest::newRow("dns time to live")
            << QByteArray("CR:1:1:s:s:1:1:1:0:1:") << QByteArray("\"dnsTimeToLive\" must be at least 1");
        QTest::newRow("too few fields") << QByteArray("GD:1:10.0.0.0:")
                                        << QByteArray("has 4 fields after its tag, this one 3");
        QTest::newRow("lower-case tag") << QByteArray("pd:1:x:") << QByteArray("lower-case tag");
        QTest::newRow("cache-skip text is free") << QByteArray("SA: any thing :") << QByteArray();
    }
    void linesAreCheckedByTheTable() {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, problem);
        const std::string found = ruleLineProblem(line.toStdString());
        if (problem.isEmpty())
            QCOMPARE(QString::fromStdString(found), QString());
        else
            QVERIFY2(found.find(problem.toStdString()) != std::string::npos, found.c_str());
    }

    // A kind of one line a group replaces it; a kind of many appends, once; a group comes with its network.
    void addReplacesSingleLinesAndCreatesNamedGroups() {
        Configuration configuration = loaded();
        RuleEdits edits(configuration);
        QVERIFY(!edits.add("TL: 2 : 200 : more "));
        QVERIFY(!edits.add("PD:2:example.com:"));
        QVERIFY(!edits.add("GD:7:10.0.7.0:255.255.255.0:"));
        QVERIFY(!edits.add("BW:7:games:"));
        QVERIFY(edits.add("BW:8:games:")->message == "Group not found!!! Greate group first!");
        const QStringList lines = texts(configuration);
        QVERIFY(lines.contains(QStringLiteral("TL:2:200:more")));
        QVERIFY(!lines.contains(QStringLiteral("TL:2:100:")));
        QCOMPARE(lines.count(QStringLiteral("PD:2:example.com:")), 1);
        QVERIFY(lines.contains(QStringLiteral("BW:7:games:")));
        QVERIFY(edits.finish().empty());
    }

    void portsOfThePortMapping() {
        Configuration configuration = loaded();
        RuleEdits edits(configuration);
        QCOMPARE(edits.add("CR:25:25:relay:smtp:1:1:1:1:1:")->message,
                 std::string("Port 25 used standart service! Delete service first!"));
        QCOMPARE(edits.add("CR:08080:80:x:y:1:1:1:1:1:")->message,
                 std::string("Port 08080 used! Delete service first!"));
        QVERIFY(!edits.remove("CS:mail.example:"));
        QVERIFY(!edits.add("CR:25:25:relay:smtp:1:1:1:1:1:")); // the standard service is gone
        QCOMPARE(edits.add("CS:other.example:")->message,
                 std::string("Port 25 used by a manual service! Delete service first!"));
    }

    void deletesThatWouldLoseRules() {
        Configuration configuration = loaded();
        RuleEdits edits(configuration);
        QVERIFY(edits.remove("PD:2:nothing:"));
        QVERIFY(!edits.remove("GN:2:Guests:"));
        QVERIFY(edits.finish().empty()); // its network still names group 2
        QVERIFY(!edits.remove("GD: 2 :10.0.2.0:255.255.255.0:"));
        QCOMPARE(edits.finish().size(), std::size_t(1)); // its URL rule and limit would go at the next load
        QVERIFY(!edits.remove("PD:2:example.com:"));
        QVERIFY(!edits.remove("TL:2:100:"));
        QVERIFY(edits.finish().empty());
    }

    // The listing follows the file's order; replacing the rules by the same lines changes nothing a save writes;
    // a line before the one that names its group is taken, as a load takes it.
    void listAndReplace() {
        Configuration configuration = loaded();
        const QStringList before = texts(configuration);
        QCOMPARE(before.mid(0, 3), QStringList({"GN:1:Office:", "GN:2:Guests:", "GD:2:10.0.2.0:255.255.255.0:"}));
        std::vector<std::string> lines;
        for (const QString& line : before)
            lines.push_back(line.toStdString());
        QVERIFY(replaceRules(configuration, lines).empty());
        configuration.leaveMissingKeysOut(); // glym30.ini lacks most keys: they are no change
        QVERIFY(configuration.changes().empty());

        lines.insert(lines.begin(), "BW:9:early:");
        lines.push_back("GN:9:Late:");
        lines.push_back("TL:2:5:");
        const auto refused = replaceRules(configuration, lines);
        QCOMPARE(refused.size(), std::size_t(1));
        QCOMPARE(refused.front().first, lines.size() - 1);
        QCOMPARE(texts(configuration), before); // refused: nothing changed
        lines.pop_back();
        QVERIFY(replaceRules(configuration, lines).empty());
        QVERIFY(texts(configuration).contains(QStringLiteral("BW:9:early:")));
    }
};

QTEST_GUILESS_MAIN(TestRuleEdits)
#include "test_ruleedits.moc"
