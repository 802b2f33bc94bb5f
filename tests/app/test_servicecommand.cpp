#include "support/MockSystemd.h"

#include <QProcess>
#include <QtTest>

#include <memory>

// `glymconf service ...` against a bus of the test's own, with systemd mocked: what it prints, its exit status
// and the calls systemd received.
class TestServiceCommand : public QObject {
    Q_OBJECT

    enum Bus { NoBus, NoSystemd, Systemd };

    struct Run {
        QByteArray out;
        QByteArray errors;
        int status = -1;
    };
    static Run run(const QStringList& arguments) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(GLYM_EXECUTABLE), arguments);
        if (!process.waitForFinished(20000) || process.exitStatus() != QProcess::NormalExit)
            return {{}, "<crashed or hung>", -1};
        return {process.readAllStandardOutput(), process.readAllStandardError(), process.exitCode()};
    }

    // The jobs systemd was asked for.
    static QStringList jobCalls(const QStringList& calls) {
        QStringList jobs;
        for (const QString& call : calls)
            if (!call.startsWith(QLatin1String("GetUnit")) && !call.startsWith(QLatin1String("Clear")))
                jobs << call;
        return jobs;
    }

private slots:
    void service_data() {
        QTest::addColumn<int>("bus");
        QTest::addColumn<QString>("prepare"); // "<what>:<method>": the job method made to fail or refuse
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("errors");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("jobs");
        const QByteArray inactive = "glym.service: inactive (dead)\n";
        const QByteArray active = "glym.service: active (dead)\n"; // the template's StartUnit sets ActiveState only
        QTest::newRow("status") << int(Systemd) << QString() << QStringList{"service", "status"} << inactive
                                << QByteArray() << 0 << QStringList();
        QTest::newRow("start") << int(Systemd) << QString() << QStringList{"service", "start"} << active << QByteArray()
                               << 0 << QStringList{"StartUnit glym.service replace"};
        QTest::newRow("restart") << int(Systemd) << QString() << QStringList{"service", "restart"} << inactive
                                 << QByteArray() << 0 << QStringList{"RestartUnit glym.service replace"};
        QTest::newRow("reload") << int(Systemd) << QString() << QStringList{"service", "reload"} << inactive
                                << QByteArray() << 0 << QStringList{"ReloadOrRestartUnit glym.service replace"};
        // Without JobRemoved the job is over once its object is gone.
        QTest::newRow("no JobRemoved") << int(Systemd) << "silent:RestartUnit" << QStringList{"service", "restart"}
                                       << inactive << QByteArray() << 0
                                       << QStringList{"RestartUnit glym.service replace"};
        QTest::newRow("failed job") << int(Systemd) << "fail:ReloadOrRestartUnit" << QStringList{"service", "reload"}
                                    << inactive
                                    << QByteArray("glymconf: The reload of glym.service failed: the job ended with "
                                                  "\"failed\".\n")
                                    << 1 << QStringList{"ReloadOrRestartUnit glym.service replace"};
        QTest::newRow("not allowed") << int(Systemd) << "refuse:StopUnit" << QStringList{"service", "stop"} << inactive
                                     << QByteArray("glymconf: Not allowed to stop glym.service: Interactive "
                                                   "authentication required.\n")
                                     << 1 << QStringList{"StopUnit glym.service replace"};
        QTest::newRow("other unit") << int(Systemd) << QString()
                                    << QStringList{"service", "start", "--unit", "other.service"} << QByteArray()
                                    << QByteArray("glymconf: The unit other.service does not exist.\n") << 2
                                    << QStringList();
        QTest::newRow("no systemd") << int(NoSystemd) << QString() << QStringList{"service", "restart"} << QByteArray()
                                    << QByteArray("glymconf: systemd does not answer on the system bus: The name "
                                                  "org.freedesktop.systemd1 was not provided by any .service files\n")
                                    << 2 << QStringList();
        QTest::newRow("no bus") << int(NoBus) << QString() << QStringList{"service", "status"} << QByteArray()
                                << QByteArray("glymconf: There is no system bus: Failed to connect to socket "
                                              "/nonexistent/bus: No such file or directory\n")
                                << 2 << QStringList();
        QTest::newRow("no command") << int(NoBus) << QString() << QStringList{"service", "begin"} << QByteArray()
                                    << QByteArray("glymconf: 'service' takes one of status, start, stop, restart, "
                                                  "reload.\nTry 'glymconf --help' for more information.\n")
                                    << 2 << QStringList();
        QTest::newRow("unit without service")
            << int(NoBus) << QString() << QStringList{"--unit", "glym.service"} << QByteArray()
            << QByteArray("glymconf: --unit goes with 'service'.\nTry 'glymconf --help' for more information.\n") << 2
            << QStringList();
    }
    void service() {
        QFETCH(int, bus);
        QFETCH(QString, prepare);
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, errors);
        QFETCH(int, status);
        QFETCH(QStringList, jobs);
        const QByteArray previous = qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/bus");
        std::unique_ptr<MockSystemd> systemd;
        if (bus != NoBus) {
            systemd = std::make_unique<MockSystemd>();
            const QString problem = systemd->start(bus == Systemd);
            QVERIFY2(problem.isEmpty(), qPrintable(problem));
        }
        if (prepare.startsWith(QLatin1String("fail:")))
            QCOMPARE(systemd->endJobsWith(prepare.mid(5), QStringLiteral("failed")), QString());
        if (prepare.startsWith(QLatin1String("silent:")))
            QCOMPARE(systemd->endJobsSilently(prepare.mid(7)), QString());
        if (prepare.startsWith(QLatin1String("refuse:")))
            QCOMPARE(systemd->refuse(prepare.mid(7), QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"),
                                     QStringLiteral("Interactive authentication required.")),
                     QString());

        const Run result = run(arguments);
        QCOMPARE(result.errors, errors);
        QCOMPARE(result.out, out);
        QCOMPARE(result.status, status);
        if (bus == Systemd)
            QCOMPARE(jobCalls(systemd->calls()), jobs);
        systemd.reset();
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", previous);
    }
};

QTEST_GUILESS_MAIN(TestServiceCommand)
#include "test_servicecommand.moc"
