#include "app/ConfigurationDirectory.h"
#include "app/Main.h"

#include "support/GuiTestSupport.h"
#include "support/ListReading.h"

#include <QAbstractItemView>
#include <QProcess>
#include <QScopeGuard>
#include <QTabWidget>
#include <QtTest>

#include <sys/stat.h>

Q_DECLARE_METATYPE(QStringList)

// The program as a shell runs it (help, version, the check, wrong command lines), always without a display, and the
// window working on another directory than the program's.
class TestCommandLine : public QObject, WindowTest {
    Q_OBJECT

    struct Run {
        QByteArray out;
        QByteArray errors;
        int status = -1;
    };
    // Runs the program without a display: creating a window's application object would abort it.
    static Run run(const QString& program, const QStringList& arguments, const QString& workingDirectory) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(workingDirectory);
        process.start(program, arguments);
        if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
            return {{}, "<crashed or hung>", -1};
        return {process.readAllStandardOutput(), process.readAllStandardError(), process.exitCode()};
    }
    static QString checkData(const QString& name = QString()) {
        return QStringLiteral(GLYM_TEST_DATA "/check/") + name;
    }

    // Closes the window the way its close button does, answering nothing (nothing was changed).
    bool closeWindow() {
        bool closed = false;
        return QMetaObject::invokeMethod(window.get(), "FormCloseQuery", Q_RETURN_ARG(bool, closed)) && closed;
    }

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init() { begin(); }
    void cleanup() { verifyNoProblems(finish()); }

    void console_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("errors");
        QTest::addColumn<int>("status");
        auto wrong = [](const QByteArray& what) {
            return "glymconf: " + what + "\nTry 'glymconf --help' for more information.\n";
        };
        QTest::newRow("version") << QStringList{"--version"} << QByteArray("glymconf 1.0.1.66\n") << QByteArray() << 0;
        QTest::newRow("clean sample") << QStringList{"--check", "--dir", "../../../examples"} << QByteArray()
                                      << QByteArray() << 0;
        QTest::newRow("findings") << QStringList{"--check", "--dir", "faulty"} << goldenFile("check/faulty.out")
                                  << QByteArray() << 1;
        QTest::newRow("unreadable file") << QStringList{"--dir", "unreadable", "--check"}
                                         << goldenFile("check/unreadable.out")
                                         << QByteArray("Cannot read file \"unreadable/skip.txt\". Is a directory\n")
                                         << 2;
        QTest::newRow("unknown option") << QStringList{"--check", "--bogus"} << QByteArray()
                                        << wrong("Unknown option 'bogus'.") << 2;
        // Not one of the toolkit's window options (those have one dash): said at once, without a display.
        QTest::newRow("misspelt option") << QStringList{"--dri", "faulty"} << QByteArray()
                                         << wrong("Unknown option 'dri'.") << 2;
        QTest::newRow("no such directory") << QStringList{"--check", "--dir", "nowhere"} << QByteArray()
                                           << wrong("No such directory: 'nowhere'.") << 2;
        QTest::newRow("no directory given")
            << QStringList{"--check", "--dir"} << QByteArray() << wrong("Missing value after '--dir'.") << 2;
        QTest::newRow("stray argument") << QStringList{"--check", "faulty"} << QByteArray()
                                        << wrong("Unexpected argument 'faulty'.") << 2;
    }
    void console() {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, errors);
        QFETCH(int, status);
        const Run result = run(QStringLiteral(GLYM_EXECUTABLE), arguments, checkData());
        QCOMPARE(result.out, out);
        QCOMPARE(result.errors, errors);
        QCOMPARE(result.status, status);
    }

    // --dir naming something other than a directory says what it is; a directory whose name holds a line break is
    // checked, each finding on one line with the name quoted.
    void dirArgument_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("errors");
        QTest::addColumn<int>("status");
        auto wrong = [](const QByteArray& what) {
            return "glymconf: " + what + "\nTry 'glymconf --help' for more information.\n";
        };
        QTest::newRow("a file") << QByteArray("plain") << QByteArray() << wrong("'plain' is a file, not a directory.")
                                << 2;
        QTest::newRow("a named pipe") << QByteArray("pipe") << QByteArray()
                                      << wrong("'pipe' is a named pipe, not a directory.") << 2;
        QTest::newRow("a line break in its name")
            << QByteArray("two\nlines")
            << QByteArray("\"two\\nlines/glym30.ini\":2: [Server] Threads: \"x\" is not a "
                          "whole number\n")
            << QByteArray() << 1;
    }
    void dirArgument() {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, errors);
        QFETCH(int, status);
        dir->write(QStringLiteral("plain"), "[Server]\r\n");
        QCOMPARE(::mkfifo(QFile::encodeName(dir->path(QStringLiteral("pipe"))).constData(), 0600), 0);
        QVERIFY(QDir(dir->path(QString())).mkdir(QStringLiteral("two\nlines")));
        dir->write(QStringLiteral("two\nlines/glym30.ini"), "[Server]\r\nThreads=x\r\n");
        const Run result =
            run(QStringLiteral(GLYM_EXECUTABLE),
                {QStringLiteral("--check"), QStringLiteral("--dir"), QFile::decodeName(name)}, dir->path(QString()));
        QCOMPARE(result.out, out);
        QCOMPARE(result.errors, errors);
        QCOMPARE(result.status, status);
    }

    void help() {
        const Run result = run(QStringLiteral(GLYM_EXECUTABLE), {QStringLiteral("--help")}, checkData());
        QCOMPARE(result.status, 0);
        QVERIFY2(result.out.startsWith("Usage: glymconf [options]\n"), result.out.constData());
        for (const char* option : {"--check", "--dir <DIR>", "--help", "--version"})
            QVERIFY2(result.out.contains(option), option);
    }

    // Without --dir the check reads the glym30.ini beside the program, as the window does; names are printed as
    // the program found them.
    void checkBesideTheProgram() {
        const QString program = dir->executable();
        QVERIFY(QFile::copy(QStringLiteral(GLYM_EXECUTABLE), program));
        dir->write(QStringLiteral("glym30.ini"), "[Server]\r\nThreads=x\r\n");
        const Run result = run(program, {QStringLiteral("--check")}, QDir::tempPath());
        QCOMPARE(result.out, dir->path(QStringLiteral("glym30.ini")).toLocal8Bit() +
                                 ":2: [Server] Threads: \"x\" is not a whole number\n");
        QCOMPARE(result.status, 1);
    }

    // The window on another directory: its glym30.ini and rule files are read and saved there (relative names
    // counting from it), while the preferences stay beside the program.
    void windowOnAnotherDirectory() {
        QTemporaryDir work;
        const QDir files(work.path());
        writeFile(files.filePath(QStringLiteral("glym30.ini")),
                  "[Server]\r\nPort=8080\r\n[Check]\r\nFile Name=access.txt\r\n");
        writeFile(files.filePath(QStringLiteral("access.txt")), "GN:1:Office:\r\nGD:1:10.0.0.0:255.0.0.0:\r\n");

        window = std::make_unique<TMainWnd>(dir->executable(), files);
        QCOMPARE(window->ProgramDir, files.absolutePath());
        QCOMPARE(valueOf(QStringLiteral("EditProxyPort")), QStringLiteral("8080"));
        QCOMPARE(listview::rowCount(child<QAbstractItemView>("LNetwork")), 1);

        child<QLineEdit>("EditProxyPort")->setText(QStringLiteral("8081"));
        window->Groups.find(1)->SetGroupLine("GN:1:Office:upstairs"); // so that access.txt is written too
        QDir::setCurrent(QDir::tempPath()); // a save makes the working directory current again
        QVERIFY(QMetaObject::invokeMethod(window.get(), "ButtonSaveClick"));
        QVERIFY(readFile(files.filePath(QStringLiteral("glym30.ini"))).startsWith("[Server]\r\nPort=8081\r\n"));
        QCOMPARE(readFile(files.filePath(QStringLiteral("access.txt.bak"))),
                 QByteArray("GN:1:Office:\r\nGD:1:10.0.0.0:255.0.0.0:\r\n"));
        QVERIFY(!dir->exists(QStringLiteral("glym30.ini")));

        QVERIFY(closeWindow());
        QVERIFY(dir->exists(QStringLiteral("glymconf.ini")));
        QVERIFY(!QFile::exists(files.filePath(QStringLiteral("glymconf.ini"))));
    }

    // Without --dir an installed program (no glym30.ini beside it) works on the latest recent directory that still
    // exists, or asks for one starting at home; Cancel gives no directory (the program then ends).
    void startDirectoryWithoutDir() {
        QVERIFY(!configurationdirectory::besideExecutable(dir->executable()));
        dir->write(QStringLiteral("glym30.ini"), "[Server]\r\nPort=3128\r\n");
        QVERIFY(configurationdirectory::besideExecutable(dir->executable()));

        QTemporaryDir kept;
        QStringList asked;
        QString answer;
        const auto previous = configurationdirectory::choose;
        const auto restore = qScopeGuard([&previous] { configurationdirectory::choose = previous; });
        configurationdirectory::choose = [&](QWidget*, const QString& start) {
            asked << start;
            return answer;
        };
        const QString gone = kept.path() + QStringLiteral("/gone");
        QCOMPARE(configurationdirectory::lastOrChosen({gone, kept.path()}), kept.path());
        QVERIFY(asked.isEmpty());
        QCOMPARE(configurationdirectory::lastOrChosen({gone}), QString());
        QCOMPARE(asked, QStringList{QDir::homePath()});
        answer = kept.path();
        QCOMPARE(configurationdirectory::lastOrChosen({}), kept.path());
    }

    // An installed program (in /usr/bin, which even root must not write to) keeps its preferences in the user's
    // configuration directory, and finds them there at the next start.
    void installedProgramPreferences() {
        QTemporaryDir work;
        QTemporaryDir home;
        writeFile(QDir(work.path()).filePath(QStringLiteral("glym30.ini")), "[Server]\r\nPort=3128\r\n");
        const QByteArray previous = qgetenv("XDG_CONFIG_HOME");
        const auto restore = qScopeGuard([&previous] { qputenv("XDG_CONFIG_HOME", previous); });
        qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
        const QString installed = QStringLiteral("/usr/bin/glymconf");

        window = std::make_unique<TMainWnd>(installed, QDir(work.path()));
        child<QTabWidget>("PageControl")->setCurrentIndex(4);
        QVERIFY(closeWindow());
        window = std::make_unique<TMainWnd>(installed, QDir(work.path()));
        QCOMPARE(child<QTabWidget>("PageControl")->currentIndex(), 4);
        QVERIFY(QFile::exists(home.filePath(QStringLiteral("glymconf/glymconf.ini"))));
        QVERIFY(!QFile::exists(QStringLiteral("/usr/bin/glymconf.ini")));
    }

private:
    static void writeFile(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    static QByteArray readFile(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
};

QTEST_MAIN(TestCommandLine)
#include "test_commandline.moc"
