#include "app/Main.h"

#include "support/GuiTestSupport.h"

#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <unistd.h>

Q_DECLARE_METATYPE(QStringList)

// The history from a shell: saves made by the window's Save button, then `glymconf --dir DIR history`, `diff` and
// `restore` run as a program without a display, their output, exit status and the files byte for byte.
class TestHistoryCommands : public QObject, WindowTest {
    Q_OBJECT

    QTemporaryDir state_; // the user's state directory, where the history lives

    struct Run {
        QByteArray out;
        QByteArray errors;
        int status = -1;
    };
    Run glymconf(const QStringList& arguments) const {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.insert(QStringLiteral("XDG_STATE_HOME"), state_.path());
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(GLYM_EXECUTABLE),
                      QStringList{QStringLiteral("--dir"), dir->path(QString())} + arguments);
        if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
            return {{}, "<crashed or hung>", -1};
        return {process.readAllStandardOutput(), process.readAllStandardError(), process.exitCode()};
    }

    QMap<QString, QByteArray> files() const {
        QMap<QString, QByteArray> bytes;
        for (const char* name : {"glym30.ini", "access.txt", "skip.txt", "router.txt"})
            bytes[QLatin1String(name)] = dir->read(QLatin1String(name));
        return bytes;
    }
    void startOnExample() {
        for (const char* name : {"glym30.ini", "access.txt", "skip.txt", "router.txt"})
            QVERIFY(QFile::copy(QStringLiteral(GLYM_TEST_DATA "/../../examples/") + QLatin1String(name),
                                dir->path(QLatin1String(name))));
        start();
    }
    void saveWithPort(const QString& port) {
        child<QLineEdit>("EditProxyPort")->setText(port);
        QVERIFY(QMetaObject::invokeMethod(window.get(), "ButtonSaveClick"));
    }
    static QByteArray who() {
        char host[256] = {};
        ::gethostname(host, sizeof host - 1);
        return QByteArray::fromStdString(history::currentUser()) + "@" + host;
    }

private slots:
    void initTestCase() {
        QApplication::setQuitOnLastWindowClosed(false);
        qputenv("XDG_STATE_HOME", state_.path().toLocal8Bit());
    }
    void init() { begin(); }
    void cleanup() { verifyNoProblems(finish()); }

    // Two saves listed newest first; their diff; a restore that brings back the first save's bytes over a change
    // made outside, which is recorded first, so that restoring that generation undoes the restore.
    void saveListDiffRestore() {
        startOnExample();
        saveWithPort(QStringLiteral("3129"));
        const QMap<QString, QByteArray> first = files();
        window->Groups.find(3)->SetGroupLine("GN:3:Guests:upstairs");
        saveWithPort(QStringLiteral("3130"));
        const QMap<QString, QByteArray> second = files();

        Run listed = glymconf({QStringLiteral("history")});
        QCOMPARE(listed.errors, QByteArray());
        QCOMPARE(listed.status, 0);
        const QString time = QStringLiteral("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d");
        const QString user = QRegularExpression::escape(QString::fromLocal8Bit(who()));
        QRegularExpression lines(
            QStringLiteral("^2  %1  %2  2 files  \\+18 -18\n1  %1  %2  4 files  \\+136 -0\n$").arg(time, user));
        QVERIFY2(lines.match(QString::fromLocal8Bit(listed.out)).hasMatch(), listed.out.constData());

        const Run changed = glymconf({QStringLiteral("diff"), QStringLiteral("1"), QStringLiteral("2")});
        QCOMPARE(changed.status, 1);
        QVERIFY2(changed.out.startsWith("--- a/glym30.ini\tgeneration 1\n+++ b/glym30.ini\tgeneration 2\n"
                                        "@@ -1,6 +1,6 @@\n"),
                 changed.out.constData());
        QVERIFY(changed.out.contains("\n-Port=3129\r\n+Port=3130\r\n"));
        QVERIFY(changed.out.contains("\n--- a/access.txt\tgeneration 1\n+++ b/access.txt\tgeneration 2\n@@ "));
        QVERIFY(changed.out.contains("\n-GN:3:Guests:meeting rooms and visitors\r\n"));
        QVERIFY(changed.out.contains("\n+GN:3:Guests:upstairs\r\n"));
        const Run same = glymconf({QStringLiteral("diff"), QStringLiteral("2")});
        QCOMPARE(same.out, QByteArray());
        QCOMPARE(same.status, 0);

        dir->write(QStringLiteral("skip.txt"), "SD:/outside/:\r\n");
        const Run toNow = glymconf({QStringLiteral("diff"), QStringLiteral("2")});
        QCOMPARE(toNow.status, 1);
        QVERIFY2(toNow.out.startsWith("--- a/skip.txt\tgeneration 2\n+++ b/skip.txt\tnow\n"), toNow.out.constData());

        const Run restored = glymconf({QStringLiteral("restore"), QStringLiteral("1")});
        QCOMPARE(restored.errors, QByteArray());
        QCOMPARE(restored.out, QByteArray("Restored generation 1 as generation 4.\n"));
        QCOMPARE(restored.status, 0);
        QCOMPARE(files(), first);
        QCOMPARE(dir->read(QStringLiteral("skip.txt.bak")), QByteArray("SD:/outside/:\r\n"));
        listed = glymconf({QStringLiteral("history")});
        QVERIFY2(listed.out.startsWith("4  "), listed.out.constData());
        QCOMPARE(listed.out.count('\n'), 4);
        QVERIFY(listed.out.contains("  Restored generation 1\n3  "));
        QVERIFY(listed.out.contains("  As found before restoring generation 1\n2  "));
        QCOMPARE(glymconf({QStringLiteral("diff"), QStringLiteral("1")}).status, 0);

        // Undone by restoring the generation before it: the change made outside is back.
        QCOMPARE(glymconf({QStringLiteral("restore"), QStringLiteral("3")}).status, 0);
        QMap<QString, QByteArray> outside = second;
        outside[QStringLiteral("skip.txt")] = "SD:/outside/:\r\n";
        QCOMPARE(files(), outside);
    }

    void wrongUse_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("errors");
        const QByteArray tryHelp = "\nTry 'glymconf --help' for more information.\n";
        QTest::newRow("no such generation") << QStringList{"diff", "9"} << QByteArray("There is no generation 9 in ");
        QTest::newRow("restore no such generation")
            << QStringList{"restore", "7"} << QByteArray("There is no generation 7 in ");
        QTest::newRow("not a number") << QStringList{"restore", "x"}
                                      << "'x' is not the number of a generation." + tryHelp;
        QTest::newRow("zero") << QStringList{"diff", "0"} << "'0' is not the number of a generation." + tryHelp;
        QTest::newRow("a number too many")
            << QStringList{"diff", "1", "1", "1"} << "Unexpected argument '1'." + tryHelp;
        QTest::newRow("no number") << QStringList{"restore"} << "'restore' needs the number of a generation." + tryHelp;
        QTest::newRow("with the check") << QStringList{"--check", "history"}
                                        << "Unexpected argument 'history'." + tryHelp;
    }
    // Exit status 2 and a message, nothing on the standard output, no file changed.
    void wrongUse() {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, errors);
        startOnExample();
        saveWithPort(QStringLiteral("3129"));
        const QMap<QString, QByteArray> before = files();
        const Run run = glymconf(arguments);
        QCOMPARE(run.status, 2);
        QCOMPARE(run.out, QByteArray());
        QVERIFY2(run.errors.startsWith("glymconf: " + errors), run.errors.constData());
        QCOMPARE(files(), before);
    }

    // No save recorded yet: nothing listed, and where the history would be is said; a store that cannot be read
    // is an error.
    void emptyAndUnreadableStore() {
        startOnExample();
        Run listed = glymconf({QStringLiteral("history")});
        QCOMPARE(listed.out, QByteArray());
        QVERIFY2(listed.errors.startsWith("glymconf: No save has been recorded in " + state_.path().toLocal8Bit() +
                                          "/glymconf/history/"),
                 listed.errors.constData());
        QCOMPARE(listed.status, 0);

        saveWithPort(QStringLiteral("3129"));
        const QString store = QString::fromStdString(
            history::storeDirectory({.userRoot = history::defaultUserRoot(), .besideFiles = false, .keep = 200},
                                    dir->path(QString()).toStdString()));
        QVERIFY(QDir(store + QStringLiteral("/generations")).removeRecursively());
        QVERIFY(QFile(store + QStringLiteral("/generations")).open(QIODevice::WriteOnly));
        for (const QStringList& arguments : {QStringList{"history"}, QStringList{"diff", "1"}}) {
            listed = glymconf(arguments);
            QCOMPARE(listed.status, 2);
            QVERIFY2(listed.errors.startsWith("glymconf: Cannot read the history in "), listed.errors.constData());
        }
    }
};

QTEST_MAIN(TestHistoryCommands)
#include "test_historycommands.moc"
