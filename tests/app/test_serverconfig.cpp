#include "app/Main.h"

#include "config/ReplaceCounter.h"
#include "support/GuiTestSupport.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
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

    // A save without changes adds the keys the file lacks (at the end of their sections) and touches no line the
    // file has: blanks, quotes, "Enable=5" and values the proxy cannot read stay byte for byte (the save lists
    // those and asks first): the file replaced once. A second save has nothing to change and does not replace it.
    void saveKeepsEveryOtherLine() {
        start(goldenFile("app/handwritten_glym30.ini"));
        ReplaceCounter replaces(dir->path(QString()), "glym30.ini");
        QVERIFY(replaces.valid());
        answers->pushBox(QMessageBox::Save);
        answers->pushBox(QMessageBox::Save);
        save();
        QVERIFY(answers->seen().at(0).text.contains("\n    [Users] Count: 'abc' is not a whole number\n    "
                                                    "[Memory Cache] Max: '' is not a whole number\n"));
        QCOMPARE(dir->read(QStringLiteral("glym30.ini")), goldenFile("app/handwritten_glym30_saved.ini"));
        QCOMPARE(replaces.take(), 1);
        save();
        QCOMPARE(dir->read(QStringLiteral("glym30.ini")), goldenFile("app/handwritten_glym30_saved.ini"));
        QCOMPARE(replaces.take(), 0);
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
                                                 << "" << QByteArray("host:");
        QTest::newRow("no address before the colon") << QByteArray(":8080") << ""
                                                     << "8080" << QByteArray(":8080");
        QTest::newRow("no colon") << QByteArray("proxy.corp") << "proxy.corp"
                                  << "" << QByteArray("proxy.corp");
        QTest::newRow("empty") << QByteArray("") << ""
                               << "" << QByteArray("");
        QTest::newRow("quoted") << QByteArray("\"gate:80\"") << "gate"
                                << "80" << QByteArray("\"gate:80\"");
    }
    // Untouched, the value is written back as the file had it, however it splits; another setting changed meanwhile.
    void master() {
        QFETCH(QByteArray, stored);
        QFETCH(QString, address);
        QFETCH(QString, port);
        QFETCH(QByteArray, saved);
        start("[Server]\r\nMaster=" + stored + "\r\n");
        QCOMPARE(valueOf(QStringLiteral("EditParentIP")), address);
        QCOMPARE(valueOf(QStringLiteral("EditParentPort")), port);
        field(QStringLiteral("EditTreadsCount"))->setText(QStringLiteral("8"));
        save();
        QCOMPARE(written("Server", "Master"), saved);
        // Touched and put back as it was is untouched too.
        field(QStringLiteral("EditParentIP"))->setText(QStringLiteral("x"));
        field(QStringLiteral("EditParentIP"))->setText(address);
        save();
        QCOMPARE(written("Server", "Master"), saved);
    }

    // Both parent fields are needed: when the user leaves only one of them, the save names it and asks. "Save
    // without parent proxy" writes the key empty (the other field is lost); Cancel saves nothing.
    void masterNeedsBothFields_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("port");
        QTest::addColumn<int>("answer"); // to the question, 0 when none is asked
        QTest::addColumn<QString>("question");
        QTest::addColumn<QByteArray>("saved");
        QTest::addColumn<QString>("addressLoaded");
        QTest::addColumn<QString>("portLoaded");
        const QString noPort = "The parent proxy has the address \"192.168.0.1\" but no port";
        const QString noAddress = "The parent proxy has the port \"8080\" but no address";
        QTest::newRow("both") << "192.168.0.1"
                              << "8080" << 0 << "" << QByteArray("192.168.0.1:8080") << "192.168.0.1"
                              << "8080";
        QTest::newRow("address only") << "192.168.0.1"
                                      << "" << int(QMessageBox::Save) << noPort << QByteArray("") << ""
                                      << "";
        QTest::newRow("port only") << ""
                                   << "8080" << int(QMessageBox::Save) << noAddress << QByteArray("") << ""
                                   << "";
        QTest::newRow("address only, cancelled")
            << "192.168.0.1"
            << "" << int(QMessageBox::Cancel) << noPort << QByteArray("old:1") << "old"
            << "1";
        QTest::newRow("port only, cancelled")
            << ""
            << "8080" << int(QMessageBox::Cancel) << noAddress << QByteArray("old:1") << "old"
            << "1";
        QTest::newRow("neither") << ""
                                 << "" << 0 << "" << QByteArray("") << ""
                                 << "";
        QTest::newRow("texts as typed") << " gate "
                                        << "80" << 0 << "" << QByteArray(" gate :80") << "gate "
                                        << "80";
    }
    void masterNeedsBothFields() {
        QFETCH(QString, address);
        QFETCH(QString, port);
        QFETCH(int, answer);
        QFETCH(QString, question);
        QFETCH(QByteArray, saved);
        QFETCH(QString, addressLoaded);
        QFETCH(QString, portLoaded);
        const QByteArray file = "[Server]\r\nMaster=old:1\r\n";
        start(file);
        field(QStringLiteral("EditParentIP"))->setText(address);
        field(QStringLiteral("EditParentPort"))->setText(port);
        if (answer)
            answers->pushBox(QMessageBox::StandardButton(answer));
        save();
        QCOMPARE(written("Server", "Master"), saved);
        if (answer) {
            QCOMPARE(answers->seen().size(), std::size_t(1));
            QVERIFY2(answers->seen()[0].text.startsWith(question), qPrintable(answers->seen()[0].text));
        }
        if (answer == QMessageBox::Cancel) {
            QCOMPARE(dir->read(QStringLiteral("glym30.ini")), file);
            QVERIFY(window->ConfigChanged);
            window->ConfigChanged = false; // no close question
        }
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
        QTest::newRow("0") << QByteArray("[Server]\r\nCache Type=0\r\n") << false << QByteArray("0");
        QTest::newRow("7") << QByteArray("[Server]\r\nCache Type=7\r\n") << false << QByteArray("7");
        QTest::newRow("0x1") << QByteArray("[Server]\r\nCache Type=0x1\r\n") << true << QByteArray("0x1");
        QTest::newRow("not a number") << QByteArray("[Server]\r\nCache Type=file\r\n") << true << QByteArray("file");
        QTest::newRow("missing") << QByteArray("[Server]\r\nPort=3128\r\n") << true << QByteArray("1");
    }
    // Untouched, the value stays as the file has it; the other button chosen writes 2 or 1.
    void cacheType() {
        QFETCH(QByteArray, file);
        QFETCH(bool, memory);
        QFETCH(QByteArray, saved);
        start(file);
        QCOMPARE(valueOf(QStringLiteral("MemoryCache")), memory ? QStringLiteral("1") : QStringLiteral("0"));
        QCOMPARE(valueOf(QStringLiteral("FileCache")), memory ? QStringLiteral("0") : QStringLiteral("1"));
        save();
        QCOMPARE(written("Server", "Cache Type"), saved);
        child<QRadioButton>(memory ? "FileCache" : "MemoryCache")->setChecked(true);
        save();
        QCOMPARE(written("Server", "Cache Type"), memory ? QByteArray("2") : QByteArray("1"));
    }

    // A check is an integer that is not 0; text that is no integer takes the key's default. Untouched, it is
    // written back as it stands; a click writes 1 or 0.
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
        QCOMPARE(written(section, "Enable"), stored);
        child<QCheckBox>(control.toLatin1().constData())->click();
        save();
        QCOMPARE(written(section, "Enable"), checked ? QByteArray("0") : QByteArray("1"));
    }

    // Text keys are shown as read (without blanks and quotes around, at most 2047 bytes). Untouched, a value is
    // written back byte for byte; as typed, it is written as it stands.
    void textValue_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("saved");
        QTest::newRow("plain") << QByteArray("a.log") << "a.log"
                               << "b.log" << QByteArray("b.log");
        QTest::newRow("empty") << QByteArray("") << ""
                               << "" << QByteArray("");
        QTest::newRow("blanks around") << QByteArray("  a.log  ") << "a.log"
                                       << " b " << QByteArray(" b ");
        QTest::newRow("single quotes") << QByteArray("'a.log'") << "a.log"
                                       << "'b'" << QByteArray("'b'");
        QTest::newRow("quote inside") << QByteArray("a\"b") << "a\"b"
                                      << "a\"c" << QByteArray("a\"c");
        QTest::newRow("Windows-1251") << QByteArray("\xc2\xf1\xe5\xe3\xe4\xe0") << "Всегда"
                                      << "Все" << QByteArray("\xc2\xf1\xe5");
        QTest::newRow("longer than a read") << QByteArray(3000, 'x') << QString(2047, u'x') << "y" << QByteArray("y");
    }
    void textValue() {
        QFETCH(QByteArray, stored);
        QFETCH(QString, shown);
        QFETCH(QString, typed);
        QFETCH(QByteArray, saved);
        start("[Main Log]\r\nFile Name=" + stored + "\r\n");
        QCOMPARE(valueOf(QStringLiteral("MainLogFile")), shown);
        field(QStringLiteral("EditTreadsCount"))->setText(QStringLiteral("8"));
        save();
        QCOMPARE(written("Main Log", "File Name"), stored);
        field(QStringLiteral("MainLogFile"))->setText(typed + QStringLiteral("x"));
        field(QStringLiteral("MainLogFile"))->setText(typed);
        save();
        QCOMPARE(written("Main Log", "File Name"), typed == shown ? stored : saved);
    }

    // After a save, what it wrote is what "untouched" means: a value typed, saved, and typed back is written.
    void untouchedCountsFromTheLastSave() {
        start("[Server]\r\nThreads=  32  \r\n");
        field(QStringLiteral("EditTreadsCount"))->setText(QStringLiteral("64"));
        save();
        QCOMPARE(written("Server", "Threads"), QByteArray("64"));
        field(QStringLiteral("EditTreadsCount"))->setText(QStringLiteral("32"));
        save();
        QCOMPARE(written("Server", "Threads"), QByteArray("32"));
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
        answers->pushBox(QMessageBox::Save);
        save();
        QCOMPARE(written("Memory Pool", "Page Size"), QByteArray("4k"));
    }
};

QTEST_MAIN(TestServerConfig)
#include "test_serverconfig.moc"
