#include "app/Main.h"

#include "config/ReplaceCounter.h"
#include "support/GuiTestSupport.h"

#include <QLineEdit>
#include <QToolButton>
#include <QtTest>

// glym30.ini through the window: what a file shows in the controls, and what a save writes back.
class TestServerConfig : public QObject, WindowTest {
    Q_OBJECT

    // The handler itself: the button is disabled while nothing has changed.
    void save() { window->ButtonSaveClick(); }
    QLineEdit* field(const QString& name) const { return window->findChild<QLineEdit*>(name); }

    // The raw value of the first "key=" line of the first section of that name in glym30.ini, as it stands.
    QByteArray written(const QByteArray& section, const QByteArray& key) const {
        const QList<QByteArray> lines = dir->read(QStringLiteral("glym30.ini")).split('\n');
        bool inSection = false;
        for (QByteArray line : lines) {
            if (line.endsWith('\r'))
                line.chop(1);
            if (line.startsWith('[')) {
                if (inSection)
                    break;
                inSection = line == "[" + section + "]";
            } else if (inSection && line.startsWith(key + "=")) {
                return line.mid(key.size() + 1);
            }
        }
        return "<not written>";
    }

private slots:
    void init() { begin(); }
    void cleanup() { verifyNoProblems(finish()); }

    // A file kept by hand: comments, unknown sections and keys, blanks around names and values, quotes, other
    // letter cases, Unix line ends and a duplicate section.
    void handWrittenFileLoads() {
        start(goldenFile("app/handwritten_glym30.ini"));
        const QStringList expected = {
            "EditProxyPort=8080",
            "EditParentIP=10.0.0.1",
            "EditParentPort=3128",
            "EditTreadsCount=64",
            "EditTreadsTime=100",
            "MemoryCache=0",
            "FileCache=1",
            "UsersEnabled=1",
            "EditUsersCount=abc",
            "EditUsersIdle=60000",
            "EditMemoryPageCount=4096",
            "EditMemoryPageSize=1048576",
            "EditMemoryTotal=4294967296",
            "CacheSkipEnabled=1",
            "MCacheEnabled=1",
            "MCacheSizeMax=",
            "MCacheSizeLimit=2097152",
            "DNSEnable=0",
            "DNSFile=C:\\GLYM\\dns.cache",
            "DNSUpdate=1",
            "DNSCount=2048",
            "MainLogEnable=1",
            "MainLogFile=журнал.log",
            "EditSocketReadLocal=5",
        };
        for (const QString& entry : expected) {
            const qsizetype equals = entry.indexOf(u'=');
            QCOMPARE(valueOf(entry.left(equals)), entry.mid(equals + 1));
        }
        QVERIFY(!window->ConfigChanged);
    }

    // A save without changes rewrites only the keys of the settings (in place, or added at the end of their
    // sections); every other line stays byte for byte. A second save changes nothing more.
    // Each save replaces glym30.ini exactly once.
    void saveKeepsEveryOtherLine() {
        start(goldenFile("app/handwritten_glym30.ini"));
        ReplaceCounter replaces(dir->path(QString()), "glym30.ini");
        QVERIFY(replaces.valid());
        save();
        QCOMPARE(dir->read(QStringLiteral("glym30.ini")), goldenFile("app/handwritten_glym30_saved.ini"));
        QCOMPARE(replaces.take(), 1);
        save();
        QCOMPARE(dir->read(QStringLiteral("glym30.ini")), goldenFile("app/handwritten_glym30_saved.ini"));
        QCOMPARE(replaces.take(), 1);
    }

    // A file as editors leave it: a UTF-8 signature before the first section, a header without its "]", text after
    // a header's "]", comments closing sections. The signature hides nothing and stays; the keys added go after the
    // last key of their section, before its closing comments and blank lines.
    void editedFileKeepsItsLayout() {
        start(goldenFile("app/edited_glym30.ini"));
        QCOMPARE(valueOf(QStringLiteral("EditProxyPort")), QStringLiteral("8080"));
        QCOMPARE(valueOf(QStringLiteral("UsersEnabled")), QStringLiteral("1"));
        QCOMPARE(valueOf(QStringLiteral("EditMemoryPageCount")), QStringLiteral("100"));
        field(QStringLiteral("EditUsersCount"))->setText(QStringLiteral("12"));
        save();
        QCOMPARE(dir->read(QStringLiteral("glym30.ini")), goldenFile("app/edited_glym30_saved.ini"));
    }

    void master_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QByteArray>("saved");
        QTest::newRow("address and port") << QByteArray("10.0.0.1:3128") << "10.0.0.1"
                                          << "3128" << QByteArray("10.0.0.1:3128");
        QTest::newRow("split at the last colon") << QByteArray("a:b:8080") << "a:b"
                                                 << "8080" << QByteArray("a:b:8080");
        QTest::newRow("no port after the colon") << QByteArray("host:") << "host"
                                                 << "" << QByteArray("");
        QTest::newRow("no address before the colon") << QByteArray(":8080") << ""
                                                     << "8080" << QByteArray("");
        QTest::newRow("no colon") << QByteArray("proxy.lan") << "proxy.lan"
                                  << "" << QByteArray("");
        QTest::newRow("empty") << QByteArray("") << ""
                               << "" << QByteArray("");
        QTest::newRow("quoted") << QByteArray("\"gate:80\"") << "gate"
                                << "80" << QByteArray("gate:80");
    }
    void master() {
        QFETCH(QByteArray, stored);
        QFETCH(QString, address);
        QFETCH(QString, port);
        QFETCH(QByteArray, saved);
        start("[Server]\r\nMaster=" + stored + "\r\n");
        QCOMPARE(valueOf(QStringLiteral("EditParentIP")), address);
        QCOMPARE(valueOf(QStringLiteral("EditParentPort")), port);
        save();
        QCOMPARE(written("Server", "Master"), saved);
    }

    // Both parent fields are needed: with one of them empty the key is written empty, and the other is lost.
    void masterNeedsBothFields_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QByteArray>("saved");
        QTest::addColumn<QString>("addressLoaded");
        QTest::addColumn<QString>("portLoaded");
        QTest::newRow("both") << "192.168.0.1"
                              << "8080" << QByteArray("192.168.0.1:8080") << "192.168.0.1"
                              << "8080";
        QTest::newRow("address only") << "192.168.0.1"
                                      << "" << QByteArray("") << ""
                                      << "";
        QTest::newRow("port only") << ""
                                   << "8080" << QByteArray("") << ""
                                   << "";
        QTest::newRow("texts as typed") << " gate "
                                        << "80a" << QByteArray(" gate :80a") << "gate "
                                        << "80a";
    }
    void masterNeedsBothFields() {
        QFETCH(QString, address);
        QFETCH(QString, port);
        QFETCH(QByteArray, saved);
        QFETCH(QString, addressLoaded);
        QFETCH(QString, portLoaded);
        start("[Server]\r\nMaster=old:1\r\n");
        field(QStringLiteral("EditParentIP"))->setText(address);
        field(QStringLiteral("EditParentPort"))->setText(port);
        save();
        QCOMPARE(written("Server", "Master"), saved);
        restart();
        QCOMPARE(valueOf(QStringLiteral("EditParentIP")), addressLoaded);
        QCOMPARE(valueOf(QStringLiteral("EditParentPort")), portLoaded);
    }

    void cacheType_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("memory");
        QTest::addColumn<QByteArray>("saved");
        QTest::newRow("1") << QByteArray("[Server]\r\nCache Type=1\r\n") << true << QByteArray("1");
        QTest::newRow("2") << QByteArray("[Server]\r\nCache Type=2\r\n") << false << QByteArray("2");
        QTest::newRow("0") << QByteArray("[Server]\r\nCache Type=0\r\n") << false << QByteArray("2");
        QTest::newRow("7") << QByteArray("[Server]\r\nCache Type=7\r\n") << false << QByteArray("2");
        QTest::newRow("0x1") << QByteArray("[Server]\r\nCache Type=0x1\r\n") << true << QByteArray("1");
        QTest::newRow("not a number") << QByteArray("[Server]\r\nCache Type=file\r\n") << true << QByteArray("1");
        QTest::newRow("missing") << QByteArray("[Server]\r\nPort=3128\r\n") << true << QByteArray("1");
    }
    void cacheType() {
        QFETCH(QByteArray, file);
        QFETCH(bool, memory);
        QFETCH(QByteArray, saved);
        start(file);
        QCOMPARE(valueOf(QStringLiteral("MemoryCache")), memory ? QStringLiteral("1") : QStringLiteral("0"));
        QCOMPARE(valueOf(QStringLiteral("FileCache")), memory ? QStringLiteral("0") : QStringLiteral("1"));
        save();
        QCOMPARE(written("Server", "Cache Type"), saved);
    }

    // A check is an integer that is not 0; text that is no integer takes the key's default. Saved as 1 or 0.
    void checkValue_data() {
        QTest::addColumn<QByteArray>("section");
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("control");
        QTest::addColumn<bool>("checked");
        QTest::newRow("5") << QByteArray("Users") << QByteArray("5") << "UsersEnabled" << true;
        QTest::newRow("0x10") << QByteArray("Users") << QByteArray("0x10") << "UsersEnabled" << true;
        QTest::newRow("-1") << QByteArray("Users") << QByteArray("-1") << "UsersEnabled" << true;
        QTest::newRow("0") << QByteArray("DNS Cache") << QByteArray("0") << "DNSEnable" << false;
        QTest::newRow("yes, default off") << QByteArray("Users") << QByteArray("yes") << "UsersEnabled" << false;
        QTest::newRow("yes, default on") << QByteArray("DNS Cache") << QByteArray("yes") << "DNSEnable" << true;
        QTest::newRow("0x alone, default on")
            << QByteArray("Memory Cache") << QByteArray("0x") << "MCacheEnabled" << true;
        QTest::newRow("empty, default on") << QByteArray("File Cache") << QByteArray("") << "FCacheEnabled" << true;
        QTest::newRow("1.0") << QByteArray("Check") << QByteArray("1.0") << "CheckEnable" << false;
    }
    void checkValue() {
        QFETCH(QByteArray, section);
        QFETCH(QByteArray, stored);
        QFETCH(QString, control);
        QFETCH(bool, checked);
        start("[" + section + "]\r\nEnable=" + stored + "\r\n");
        QCOMPARE(valueOf(control), checked ? QStringLiteral("1") : QStringLiteral("0"));
        save();
        QCOMPARE(written(section, "Enable"), checked ? QByteArray("1") : QByteArray("0"));
    }

    // Text keys are shown and written as they stand: numbers are not checked.
    void textValue_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QByteArray>("saved");
        QTest::newRow("not a number") << QByteArray("abc") << "abc" << QByteArray("abc");
        QTest::newRow("empty") << QByteArray("") << "" << QByteArray("");
        QTest::newRow("blanks around") << QByteArray("  42  ") << "42" << QByteArray("42");
        QTest::newRow("single quotes") << QByteArray("'42'") << "42" << QByteArray("42");
        QTest::newRow("quote inside") << QByteArray("4\"2") << "4\"2" << QByteArray("4\"2");
        QTest::newRow("Windows-1251") << QByteArray("\xc2\xf1\xe5\xe3\xe4\xe0") << "Всегда"
                                      << QByteArray("\xc2\xf1\xe5\xe3\xe4\xe0");
    }
    void textValue() {
        QFETCH(QByteArray, stored);
        QFETCH(QString, shown);
        QFETCH(QByteArray, saved);
        start("[Server]\r\nThreads=" + stored + "\r\n");
        QCOMPARE(valueOf(QStringLiteral("EditTreadsCount")), shown);
        save();
        QCOMPARE(written("Server", "Threads"), saved);
    }

    // A value longer than the read buffer comes back cut to 2047 bytes.
    void longValueIsCut() {
        start("[Main Log]\r\nFile Name=" + QByteArray(3000, 'x') + "\r\n");
        QCOMPARE(valueOf(QStringLiteral("MainLogFile")), QString(2047, u'x'));
        save();
        QCOMPARE(written("Main Log", "File Name"), QByteArray(2047, 'x'));
    }

    // At load the total is the exact product in bytes; the unit shown is bytes.
    void memoryTotalAtLoad_data() {
        QTest::addColumn<QByteArray>("memoryPool");
        QTest::addColumn<QString>("total");
        QTest::newRow("no keys") << QByteArray() << "4194304";
        QTest::newRow("4 GB") << QByteArray("Page Count=4096\r\nPage Size=1048576\r\n") << "4294967296";
        QTest::newRow("beyond single precision")
            << QByteArray("Page Count=123456789\r\nPage Size=1\r\n") << "123456789";
        QTest::newRow("empty count") << QByteArray("Page Count=\r\n") << "0";
    }
    void memoryTotalAtLoad() {
        QFETCH(QByteArray, memoryPool);
        QFETCH(QString, total);
        start("[Memory Pool]\r\n" + memoryPool);
        QCOMPARE(valueOf(QStringLiteral("EditMemoryTotal")), total);
        QCOMPARE(valueOf(QStringLiteral("SwitchB")), QStringLiteral("1"));
        QVERIFY(!window->ConfigChanged);
    }

    // Memory values that are no numbers are no error at load: they are shown, and the keys after them load.
    void memoryValuesThatAreNotNumbers() {
        start("[Memory Pool]\r\nPage Count=lots\r\nPage Size=4k\r\n[DNS Cache]\r\nCount=77\r\n");
        QCOMPARE(valueOf(QStringLiteral("EditMemoryPageCount")), QStringLiteral("lots"));
        QCOMPARE(valueOf(QStringLiteral("EditMemoryPageSize")), QStringLiteral("4k"));
        QCOMPARE(valueOf(QStringLiteral("DNSCount")), QStringLiteral("77"));
        QVERIFY(answers->seen().empty());
        QVERIFY(!window->ConfigChanged);
        save();
        QCOMPARE(written("Memory Pool", "Page Size"), QByteArray("4k"));
    }
};

QTEST_MAIN(TestServerConfig)
#include "test_serverconfig.moc"
