#include "app/Main.h"
#include "common/FileIo.h"

#include "support/GuiTestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

#include <optional>

Q_DECLARE_METATYPE(QStringList)

// The commands on the configuration (get, set, rules, export, import) run as a program without a display on a copy
// of examples/: their output, exit status, and the files byte for byte, refusals included.
class TestConfigCommands : public QObject, WindowTest {
    Q_OBJECT

    QTemporaryDir state_; // the user's state directory, where the history lives

    struct Run {
        QByteArray out;
        QByteArray errors;
        int status = -1;
    };
    QProcess* launch(const QStringList& arguments, QObject* parent) const {
        auto* process = new QProcess(parent);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.insert(QStringLiteral("XDG_STATE_HOME"), state_.path());
        process->setProcessEnvironment(environment);
        process->start(QStringLiteral(GLYM_EXECUTABLE),
                       QStringList{QStringLiteral("--dir"), dir->path(QString())} + arguments);
        return process;
    }
    static Run finished(QProcess* process) {
        if (!process->waitForFinished(30000) || process->exitStatus() != QProcess::NormalExit)
            return {{}, "<crashed or hung>", -1};
        return {process->readAllStandardOutput(), process->readAllStandardError(), process->exitCode()};
    }
    Run glymconf(const QStringList& arguments, const QByteArray& input = {}) const {
        QObject owner;
        QProcess* process = launch(arguments, &owner);
        process->write(input);
        process->closeWriteChannel();
        return finished(process);
    }

    static constexpr const char* kFiles[] = {"glym30.ini", "access.txt", "skip.txt", "router.txt"};
    QMap<QString, QByteArray> files() const {
        QMap<QString, QByteArray> bytes;
        for (const char* name : kFiles)
            bytes[QLatin1String(name)] = dir->read(QLatin1String(name));
        return bytes;
    }
    void copyExample() {
        for (const char* name : kFiles)
            QVERIFY(QFile::copy(QStringLiteral(GLYM_TEST_DATA "/../../examples/") + QLatin1String(name),
                                dir->path(QLatin1String(name))));
    }
    QByteArray listed(const QStringList& options = {}) const {
        return glymconf(QStringList{QStringLiteral("rules"), QStringLiteral("list")} + options).out;
    }
    int generations() const { return int(glymconf({QStringLiteral("history")}).out.count('\n')); }

private slots:
    void initTestCase() {
        QApplication::setQuitOnLastWindowClosed(false);
        qputenv("XDG_STATE_HOME", state_.path().toLocal8Bit());
    }
    void init() {
        begin();
        copyExample();
    }
    void cleanup() { verifyNoProblems(finish()); }

    void getPrintsWhatTheWindowShows_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<int>("status");
        QTest::newRow("text, case ignored") << QStringList{"server", "PORT"} << QByteArray("3128\n") << 0;
        QTest::newRow("parent proxy") << QStringList{"Server", "Master"} << QByteArray("192.168.10.1:8080\n") << 0;
        QTest::newRow("cache type") << QStringList{"Server", "Cache Type"} << QByteArray("2\n") << 0;
        QTest::newRow("check") << QStringList{"Users", "Enable"} << QByteArray("1\n") << 0;
        QTest::newRow("a key the file lacks") << QStringList{"Rate Limit", "Parts"} << QByteArray("2\n") << 0;
        QTest::newRow("no such setting") << QStringList{"Server", "Colour"} << QByteArray() << 2;
    }
    void getPrintsWhatTheWindowShows() {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, out);
        QFETCH(int, status);
        const Run run = glymconf(QStringList{QStringLiteral("get")} + arguments);
        QCOMPARE(run.out, out);
        QCOMPARE(run.status, status);
    }

    // One key changes, the rest of the file stays byte for byte, and the save is a generation of the history; setting
    // the same value again is nothing to do.
    void setChangesOneKeyAsOneSave() {
        const QByteArray before = dir->read(QStringLiteral("glym30.ini"));
        const Run run =
            glymconf({QStringLiteral("set"), QStringLiteral("Server"), QStringLiteral("Port"), QStringLiteral("8080")});
        QCOMPARE(run.status, 0);
        QCOMPARE(dir->read(QStringLiteral("glym30.ini")), QByteArray(before).replace("Port=3128", "Port=8080"));
        QCOMPARE(generations(), 1);
        QCOMPARE(glymconf({"set", "server", "port", "8080"}).status, 0);
        QCOMPARE(generations(), 1);
        QCOMPARE(glymconf({"get", "Server", "Port"}).out, QByteArray("8080\n"));
    }

    // Whatever is refused, nothing is saved: exit status 1, a message a refused item, every byte as it was.
    void refusalsLeaveEveryByte_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("port beyond its bounds")
            << QStringList{"set", "Server", "Port", "70000"} << QByteArray("at most 65535");
        QTest::newRow("no number") << QStringList{"set", "Users", "Count", "many"}
                                   << QByteArray("is not a whole number");
        QTest::newRow("check") << QStringList{"set", "Users", "Enable", "5"} << QByteArray("1 (on) or 0 (off)");
        QTest::newRow("parent without port")
            << QStringList{"set", "Server", "Master", "proxy.example"} << QByteArray("host:port");
        QTest::newRow("group missing") << QStringList{"rules", "add", "PD:9:example.com:"}
                                       << QByteArray("'PD:9:example.com:': Group not found!!! Greate group first!");
        QTest::newRow("colon in a field")
            << QStringList{"rules", "add", "PD:2:http://example.com:"} << QByteArray("a field cannot hold \":\"");
        QTest::newRow("group beyond 64") << QStringList{"rules", "add", "GD:65:10.0.0.0:255.0.0.0:"}
                                         << QByteArray("\"group\" must be at most 64");
        QTest::newRow("port 0") << QStringList{"rules", "add", "RP:1:0:"} << QByteArray("\"port\" must be at least 1");
        QTest::newRow("hours out of order")
            << QStringList{"rules", "add", "WT:1:1:18:9:"} << QByteArray("\"end\" must be at least 19");
        QTest::newRow("day 8") << QStringList{"rules", "add", "WT:1:8:9:18:"}
                               << QByteArray("\"day\" must be at most 7");
        QTest::newRow("unknown tag") << QStringList{"rules", "add", "XX:1:a:"} << QByteArray("unknown tag \"XX\"");
        QTest::newRow("port of a standard service")
            << QStringList{"rules", "add", "CR:110:110:pop:pop3:15:15:60:100:100:"}
            << QByteArray("Port 110 used standart service! Delete service first!");
        QTest::newRow("the proxy's port") << QStringList{"rules", "add", "CR:3128:80:web:http:15:15:60:100:100:"}
                                          << QByteArray("Port 3128 used GLYM!");
        QTest::newRow("a manual service's port") << QStringList{"rules", "add", "CR:3389:22:h:ssh:1:1:1:1:1:"}
                                                 << QByteArray("Port 3389 used! Delete service first!");
        QTest::newRow("standard on a manual port")
            << QStringList{"rules", "add", "CR:119:119:news:nntp:15:15:60:100:100:", "CN:news.example.com:"}
            << QByteArray("Port 119 used by a manual service!");
        QTest::newRow("one good line, one refused")
            << QStringList{"rules", "add", "PD:2:ok.example:", "RP:2:99999:"} << QByteArray("'RP:2:99999:'");
        QTest::newRow("delete a line not there")
            << QStringList{"rules", "delete", "PD:1:games.example.net:", "PD:1:nothere.example:"}
            << QByteArray("'PD:1:nothere.example:': no such rule line.");
        QTest::newRow("a group's last network under its rules")
            << QStringList{"rules", "delete", "GN:3:Guests:meeting rooms and visitors",
                           "GD:3:192.168.30.0:255.255.255.0:guest Wi-Fi"}
            << QByteArray("group 3 would keep 6 rules");
        QTest::newRow("rules of no file")
            << QStringList{"set", "Cache Skip", "File Name", ""} << QByteArray("set [Cache Skip] File Name");
    }
    void refusalsLeaveEveryByte() {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, message);
        const QMap<QString, QByteArray> before = files();
        const Run run = glymconf(arguments);
        QCOMPARE(run.status, 1);
        QVERIFY2(run.errors.contains(message), run.errors.constData());
        QVERIFY(run.out.isEmpty());
        QCOMPARE(files(), before);
        QVERIFY(!dir->exists(QStringLiteral("access.txt.bak")));
    }

    // The lines the administrators add, a single line replacing its group's, lines from standard input,
    // deletes of exactly those lines.
    void rulesAddAndDelete() {
        QCOMPARE(glymconf({"rules", "add", "PD:2:example.com:", "GD:2:192.168.50.0:255.255.255.0:Guests LAN",
                           "TL:3:2048:small"})
                     .status,
                 0);
        QVERIFY(listed({"--group", "2"}).contains("PD:2:example.com:\n"));
        QVERIFY(listed({"--kind", "GD"}).contains("GD:2:192.168.50.0:255.255.255.0:Guests LAN\n"));
        QCOMPARE(listed({"--kind", "tl"}), QByteArray("TL:3:2048:small\n"));
        QCOMPARE(generations(), 1);
        // Adding what is there already is nothing to do: no save.
        QCOMPARE(glymconf({"rules", "add", "PD:2:example.com:"}).status, 0);
        QCOMPARE(generations(), 1);
        const Run fromInput = glymconf({"rules", "add", "-"}, "SA: news.example :\r\n\nBW:1:poker:\n");
        QCOMPARE(fromInput.status, 0);
        QVERIFY(listed().contains("SA: news.example :\nBW:1:poker:\n") || listed().contains("BW:1:poker:\n"));
        QVERIFY(dir->read(QStringLiteral("skip.txt")).endsWith("SA: news.example :\r\n"));
        QCOMPARE(glymconf({"rules", "delete", "PD:2:example.com:", "-"}, "BW:1:poker:\n").status, 0);
        QVERIFY(!listed().contains("PD:2:example.com:\n"));
        QVERIFY(!listed().contains("poker"));
        const Run again = glymconf({"rules", "delete", "PD:2:example.com:"});
        QCOMPARE(again.status, 1);
        QVERIFY(again.errors.contains("no such rule line"));
    }

    void dryRunPrintsTheDiffAndSavesNothing() {
        const QMap<QString, QByteArray> before = files();
        const Run run = glymconf({"--dry-run", "rules", "add", "CR:8080:80:web.example:http:15:15:60:100:100:"});
        QCOMPARE(run.status, 0);
        QVERIFY(run.out.contains("router.txt\tafter\n"));
        QVERIFY(run.out.contains("\n+CR:8080:80:web.example:http:15:15:60:100:100:\r\n"));
        QCOMPARE(files(), before);
        QCOMPARE(glymconf({"--dry-run", "set", "Server", "Port", "3128"}).out, QByteArray());
    }

    // The objects name the file and the line that holds each rule, and their fields by name.
    void listAsJsonNamesFileAndLine() {
        const Run run = glymconf({"rules", "list", "--json", "--kind", "CR"});
        QCOMPARE(run.status, 0);
        const QJsonArray rules = QJsonDocument::fromJson(run.out).array();
        QCOMPARE(rules.size(), 3);
        const QJsonObject second = rules[1].toObject();
        QCOMPARE(second["file"].toString(), QStringLiteral("router.txt"));
        QCOMPARE(second["line"].toInt(), 4);
        QCOMPARE(second["fields"].toObject()["server"].toString(), QStringLiteral("192.168.20.15"));
        QCOMPARE(second["text"].toString(),
                 QStringLiteral("CR:3389:3389:192.168.20.15:rdp:4:15:600:100:100:accounting terminal"));
        const QList<QByteArray> lines = dir->read(QStringLiteral("router.txt")).split('\n');
        QVERIFY(lines[3].startsWith("CR:3389:"));
        // A file a save would write in another order (examples/access.txt holds every group's name first): the
        // lines come in the file's order, with the file's numbers.
        const QJsonArray hosts =
            QJsonDocument::fromJson(glymconf({"rules", "list", "--json", "--kind", "CD"}).out).array();
        QCOMPARE(hosts.size(), 3);
        QCOMPARE(hosts[0].toObject()["line"].toInt(), 8);
        QCOMPARE(hosts[2].toObject()["line"].toInt(), 10);
        QCOMPARE(listed().left(listed().indexOf("GD:")).count('\n'), 4); // the four names first, as the file
        // Cyrillic comes out as UTF-8.
        QVERIFY(listed({"--group", "2", "--kind", "GN"}) == "GN:2:Бухгалтерия:второй этаж\n");
    }

    // Export then import changes no byte and saves nothing; an edited document changes what it says.
    void exportImportRoundTrip() {
        const QMap<QString, QByteArray> before = files();
        const Run exported = glymconf({"export", "--json"});
        QCOMPARE(exported.status, 0);
        QCOMPARE(glymconf({"export"}).out, exported.out); // stable
        dir->write(QStringLiteral("exported.json"), exported.out);
        QCOMPARE(glymconf({"import", dir->path(QStringLiteral("exported.json"))}).status, 0);
        QCOMPARE(files(), before);
        QCOMPARE(generations(), 0);

        QJsonObject root = QJsonDocument::fromJson(exported.out).object();
        QJsonArray settings = root["settings"].toArray();
        settings[0] = QJsonObject{{"section", "Server"}, {"key", "Port"}, {"value", "3130"}};
        root["settings"] = settings;
        QJsonArray rules = root["rules"].toArray();
        rules.removeAt(1); // GN:1, named again by its network
        rules.append(QJsonObject{{"tag", "PD"}, {"fields", QJsonObject{{"group", "1"}, {"url", "tube.example"}}}});
        root["rules"] = rules;
        dir->write(QStringLiteral("edited.json"), QJsonDocument(root).toJson());
        const Run imported = glymconf({"import", dir->path(QStringLiteral("edited.json"))});
        QCOMPARE(imported.status, 0);
        QCOMPARE(glymconf({"get", "server", "port"}).out, QByteArray("3130\n"));
        QVERIFY(!listed().contains("GN:1:"));
        QVERIFY(listed({"--kind", "PD"}).contains("PD:1:tube.example:\n"));
        // Reading it again changes nothing more.
        QCOMPARE(glymconf({"import", dir->path(QStringLiteral("edited.json"))}).status, 0);
        QCOMPARE(generations(), 1);
    }

    // A glym30.ini of a few keys keeps them few: the keys it lacks are not added by a command that does not set them.
    void commandsWriteOnlyWhatTheyAreAskedTo() {
        dir->write(QStringLiteral("glym30.ini"), "[Server]\r\nPort=3128\r\n[Check]\r\nFile Name=access.txt\r\n");
        const QByteArray exported = glymconf({"export"}).out;
        dir->write(QStringLiteral("exported.json"), exported);
        const QMap<QString, QByteArray> before = files();
        QCOMPARE(glymconf({"import", dir->path(QStringLiteral("exported.json"))}).status, 0);
        QCOMPARE(glymconf({"rules", "add", "PD:1:games.example.net:no games at work"}).status, 0);
        QCOMPARE(files(), before);
        QCOMPARE(glymconf({"set", "Server", "Threads", "64"}).status, 0);
        QCOMPARE(dir->read(QStringLiteral("glym30.ini")),
                 QByteArray("[Server]\r\nPort=3128\r\nThreads=64\r\n[Check]\r\nFile Name=access.txt\r\n"));
    }

    void importRefusesAsAWhole() {
        const QMap<QString, QByteArray> before = files();
        QJsonObject root = QJsonDocument::fromJson(glymconf({"export"}).out).object();
        QJsonArray rules = root["rules"].toArray();
        rules.append(QJsonObject{{"text", "TL:3:1:second limit"}});
        rules.append(QJsonObject{{"text", "RP:1:65536:"}});
        root["rules"] = rules;
        dir->write(QStringLiteral("bad.json"), QJsonDocument(root).toJson());
        const Run run = glymconf({"import", dir->path(QStringLiteral("bad.json"))});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.errors.contains("a second traffic limit line in group 3"), run.errors.constData());
        QVERIFY(run.errors.contains("\"port\" must be at most 65535"));
        dir->write(QStringLiteral("broken.json"), "{\"rules\": [");
        QCOMPARE(glymconf({"import", dir->path(QStringLiteral("broken.json"))}).status, 2);
        QCOMPARE(files(), before);
    }

    void usageErrorsAreStatusTwo_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("rules alone") << QStringList{"rules"};
        QTest::newRow("rules frob") << QStringList{"rules", "frob"};
        QTest::newRow("get without key") << QStringList{"get", "Server"};
        QTest::newRow("add without line") << QStringList{"rules", "add"};
        QTest::newRow("--json with set") << QStringList{"--json", "set", "Server", "Port", "1"};
        QTest::newRow("--kind of nothing") << QStringList{"rules", "list", "--kind", "ZZ"};
        QTest::newRow("--group 65") << QStringList{"rules", "list", "--group", "65"};
        QTest::newRow("--dry-run alone") << QStringList{"--dry-run"};
        QTest::newRow("no such file") << QStringList{"import", "/nonexistent/file.json"};
    }
    void usageErrorsAreStatusTwo() {
        QFETCH(QStringList, arguments);
        const QMap<QString, QByteArray> before = files();
        const Run run = glymconf(arguments);
        QCOMPARE(run.status, 2);
        QVERIFY(!run.errors.isEmpty());
        QCOMPARE(files(), before);
    }

    // The second writer waits for the save lock (the one the window's save takes), and then reads what the first
    // one saved: both changes are kept.
    void writersTakeTurns() {
        std::optional<SaveLock> held(std::in_place, dir->path(QString()).toStdString());
        QObject owner;
        QProcess* first = launch({"rules", "add", "BW:1:first:"}, &owner);
        QProcess* second = launch({"rules", "add", "BW:1:second:"}, &owner);
        QVERIFY(!first->waitForFinished(700)); // waiting for the lock
        held.reset();
        QCOMPARE(finished(first).status, 0);
        QCOMPARE(finished(second).status, 0);
        const QByteArray words = listed({"--kind", "BW"});
        QVERIFY(words.contains("BW:1:first:\n") && words.contains("BW:1:second:\n"));
    }

    // A window with unsaved changes holds no lock; its outside-change check sees the command's save.
    void windowSeesTheCommandsSave() {
        start();
        child<QLineEdit>("EditTreadsCount")->setText(QStringLiteral("48"));
        QCOMPARE(glymconf({"set", "Server", "Port", "3200"}).status, 0);
        answers->pushBox(QMessageBox::Cancel);
        QVERIFY(QMetaObject::invokeMethod(window.get(), "ButtonSaveClick"));
        QCOMPARE(answers->seen().size(), std::size_t(1));
        QVERIFY(answers->seen().front().text.contains(QStringLiteral("changed on disk by someone else")));
        QVERIFY(answers->seen().front().text.contains(QStringLiteral("glym30.ini")));
        QVERIFY(dir->read(QStringLiteral("glym30.ini")).contains("Port=3200"));
    }
};

QTEST_MAIN(TestConfigCommands)
#include "test_configcommands.moc"
