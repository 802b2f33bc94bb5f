#include "app/Main.h"

#include "support/GuiTestSupport.h"

#include <QAction>
#include <QLineEdit>
#include <QtTest>

// Start-up of the main window in its program directory: the question for a missing glym30.ini, the values every
// control shows then, the default file, and what a close of an untouched window leaves on disk.
class TestStartup : public QObject, WindowTest {
    Q_OBJECT

    // What every settings control shows after loading no file, or a freshly created default file.
    void verifyLoadDefaults() const {
        static const char* const kDefaults[] = {
            "EditProxyPort=3128",
            "EditParentIP=",
            "EditParentPort=",
            "EditTreadsCount=32",
            "EditTreadsTime=100",
            "MemoryCache=1",
            "FileCache=0",
            "UsersEnabled=0",
            "EditUsersCount=64",
            "EditUsersIdle=60000",
            "EditUsersLive=600000",
            "EditMemoryPageCount=4096",
            "EditMemoryPageSize=1024",
            "EditMemoryTotal=4194304",
            "SwitchB=1",
            "EditSocketWriteRemote=15",
            "EditSocketReadRemote=15",
            "EditSocketWriteLocal=5",
            "EditSocketReadLocal=5",
            "MCacheEnabled=1",
            "MCacheSizeLimit=2097152",
            "MCacheCountObject=1024",
            "MCacheLive=3600000",
            "MCacheIdle=60000",
            "MCacheSizeMin=16",
            "MCacheSizeMax=2097152",
            "FCacheEnabled=1",
            "FCachePath=",
            "FCacheSize=2097152",
            "FCacheCount=1024",
            "FCacheLive=3600000",
            "FCacheIdle=60000",
            "FCacheSizeMin=16",
            "FCacheSizeMax=2097152",
            "FCacheSaveTime=600000",
            "CacheSkipEnabled=0",
            "CacheSkipFile=",
            "RefreshEnable=0",
            "RefreshForced=0",
            "RefreshMin=3600",
            "RefreshMax=864000",
            "RefreshDefault=86400",
            "RefreshStep=4",
            "RefreshFrom=0",
            "RefreshTo=24",
            "MainLogEnable=0",
            "MainLogFile=",
            "StatusLogEnable=0",
            "StatusLogFile=",
            "ConnectLogEnable=0",
            "ConnectLogFile=",
            "RouterEnable=0",
            "RouterLogFile=",
            "RouterFile=",
            "DNSEnable=1",
            "DNSIdleTime=60000",
            "DNSLive=7200000",
            "DNSCount=2048",
            "DNSFile=",
            "DNSSaveTime=600000",
            "DNSUpdate=0",
            "DNSUpdateTime=600000",
            "DNSUpdateFrom=0",
            "DNSUpdateTo=0",
            "CheckEnable=0",
            "CheckFile=",
            "CheckAccess=0",
            "CheckUpdate=600000",
            "BalancerEnable=0",
            "BalancerCache=0",
            "BalancerInterval=2",
        };
        for (const char* entry : kDefaults) {
            const QStringList parts = QString::fromLatin1(entry).split(u'=');
            QCOMPARE(valueOf(parts[0]), parts[1]);
        }
    }

    QStringList entries() const {
        return QDir(dir->path(QString())).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    }

private slots:
    void init() { begin(); }
    void cleanup() { verifyNoProblems(finish()); }

    void missingFileAnsweredNo() {
        answers->pushBox(QMessageBox::No);
        start();
        QCOMPARE(answers->seen().size(), std::size_t(1));
        QCOMPARE(answers->seen()[0].caption, QStringLiteral("Warning"));
        QCOMPARE(answers->seen()[0].text, QStringLiteral("GLYM30.ini not found. Create new?"));
        QCOMPARE(answers->seen()[0].icon, QMessageBox::Question);
        QVERIFY(!dir->exists(QStringLiteral("glym30.ini")));
        verifyLoadDefaults();
        QVERIFY(!window->ConfigChanged);

        // Nothing changed: no question, and the preferences file is the only file written.
        QVERIFY(window->close());
        QCOMPARE(entries(), QStringList{QStringLiteral("glymconf.ini")});
    }

    void missingFileAnsweredYes() {
        answers->pushBox(QMessageBox::Yes);
        start();
        QCOMPARE(dir->read(QStringLiteral("glym30.ini")), goldenFile("ini/default_glym30.ini"));
        verifyLoadDefaults();
        QVERIFY(!window->ConfigChanged);

        // The first save adds the keys the default file lacks; the empty rule file names write no rule file. With
        // nothing changed the menu entry is disabled: its handler saves.
        window->Save1Click();
        QCOMPARE(dir->read(QStringLiteral("glym30.ini")), goldenFile("ini/default_glym30_saved.ini"));
        QVERIFY(window->close());
        QCOMPARE(entries(), (QStringList{QStringLiteral("glym30.ini"), QStringLiteral("glymconf.ini")}));
    }

    // Start-up makes the program's directory current, so glym30.ini is found wherever the program was started.
    void startedFromAnotherDirectory() {
        QTemporaryDir elsewhere;
        QVERIFY(QDir::setCurrent(elsewhere.path()));
        dir->write(QStringLiteral("glym30.ini"), "[Server]\r\nPort=8080\r\n");
        start();
        QCOMPARE(valueOf(QStringLiteral("EditProxyPort")), QStringLiteral("8080"));
        QCOMPARE(QDir::current().canonicalPath(), QDir(dir->path(QString())).canonicalPath());
        QVERIFY(QDir(elsewhere.path()).isEmpty());
    }

    // The preferences file is named after the executable, whatever its extension.
    void preferencesFileBesideTheExecutable() {
        dir->write(QStringLiteral("glym30.ini"), QByteArray());
        window = std::make_unique<TMainWnd>(dir->path(QStringLiteral("glymconf.exe")));
        QVERIFY(window->close());
        QVERIFY(dir->exists(QStringLiteral("glymconf.ini")));
        QVERIFY(!dir->exists(QStringLiteral("glymconf.exe.ini")));
    }

    void reloadDoesNothing() {
        dir->write(QStringLiteral("glym30.ini"), "[Server]\r\nPort=8080\r\n");
        start();
        window->findChild<QLineEdit*>(QStringLiteral("EditProxyPort"))->setText(QStringLiteral("9090"));
        window->ConfigChanged = false;
        window->findChild<QAction*>(QStringLiteral("Reload1"))->trigger();
        QCOMPARE(valueOf(QStringLiteral("EditProxyPort")), QStringLiteral("9090"));
        QVERIFY(!window->ConfigChanged);
        QCOMPARE(dir->read(QStringLiteral("glym30.ini")), QByteArray("[Server]\r\nPort=8080\r\n"));
    }
};

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
