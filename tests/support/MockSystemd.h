#pragma once

// A system bus of the test's own with systemd mocked: Debian's dbus-daemon on a socket in a temporary directory,
// and python3-dbusmock's systemd template on it with the unit glym.service (inactive) and the job methods the
// template lacks; every job method ends its job with a JobRemoved carrying the result the test chose.
// DBUS_SYSTEM_BUS_ADDRESS names the bus while the object lives, so the program under test finds it there.

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QVariantMap>

class MockSystemd {
public:
    static constexpr char kUnitPath[] = "/org/freedesktop/systemd1/unit/glym_service";

    // withSystemd false: the bus alone, on which nobody answers for systemd. Empty when all went well, else why not.
    QString start(bool withSystemd = true) {
        if (!dir_.isValid())
            return QStringLiteral("no temporary directory");
        const QString address = QStringLiteral("unix:path=") + dir_.filePath(QStringLiteral("bus"));
        // Anyone may own and call anything; no service is started on demand.
        QFile config(dir_.filePath(QStringLiteral("bus.conf")));
        if (!config.open(QIODevice::WriteOnly) ||
            config.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                         " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                         "<busconfig><listen>" +
                         address.toUtf8() +
                         "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                         "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                         "<allow own=\"*\"/></policy></busconfig>\n") < 0)
            return QStringLiteral("the bus's configuration cannot be written");
        config.close();
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--config-file=") + config.fileName(), QStringLiteral("--nofork")});
        if (!daemon_.waitForStarted(5000))
            return QStringLiteral("dbus-daemon cannot be started (Debian: dbus-daemon): ") + daemon_.errorString();
        previousAddress_ = qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", address.toUtf8());
        if (!waitUntil([&] { return connect(address); }))
            return QStringLiteral("the test's bus does not answer");
        if (!withSystemd)
            return {};
        // Debian's Python: the module is Debian's package python3-dbusmock, whatever python3 comes first in PATH.
        mock_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        mock_.start(QStringLiteral("/usr/bin/python3"),
                    {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--template"),
                     QStringLiteral("systemd"), QStringLiteral("--system")});
        if (!mock_.waitForStarted(5000) || !waitUntil([&] { return hasSystemd(); }))
            return QStringLiteral("python3-dbusmock's systemd template does not start (Debian: python3-dbusmock)");
        QString failed = mockCall(kManagerPath, QStringLiteral("AddMockUnit"), {QStringLiteral("glym.service")});
        // The properties a real systemd has and the template lacks.
        failed += mockCall(kUnitPath, QStringLiteral("AddProperties"),
                           {kUnit, QVariantMap{{QStringLiteral("SubState"), QStringLiteral("dead")},
                                               {QStringLiteral("StateChangeTimestamp"), qulonglong(0)}}});
        failed += mockCall(kUnitPath, QStringLiteral("AddProperties"),
                           {QStringLiteral("org.freedesktop.systemd1.Service"),
                            QVariantMap{{QStringLiteral("Result"), QStringLiteral("success")}}});
        for (const char* method : {"RestartUnit", "ReloadOrRestartUnit"})
            failed += endJobsWith(QLatin1String(method), QStringLiteral("done"));
        return failed;
    }

    ~MockSystemd() {
        for (QProcess* process : {&mock_, &daemon_})
            if (process->state() != QProcess::NotRunning) {
                process->terminate();
                if (!process->waitForFinished(3000))
                    process->kill();
                process->waitForFinished(3000);
            }
        QDBusConnection::disconnectFromBus(kControl);
        if (previousAddress_.isNull())
            qunsetenv("DBUS_SYSTEM_BUS_ADDRESS");
        else
            qputenv("DBUS_SYSTEM_BUS_ADDRESS", previousAddress_);
    }

    // The calls the mock logged, "StartUnit glym.service replace", in order; AddMockUnit and the like left out.
    QStringList calls() const {
        QStringList seen;
        const QDBusMessage reply =
            control().call(QDBusMessage::createMethodCall(kSystemd, kManagerPath, kMock, QStringLiteral("GetCalls")));
        const QDBusArgument log = reply.arguments().value(0).value<QDBusArgument>();
        log.beginArray();
        while (!log.atEnd()) {
            quint64 time = 0;
            QString method;
            QVariantList arguments;
            log.beginStructure();
            log >> time >> method >> arguments;
            log.endStructure();
            if (method.startsWith(QLatin1String("Add")))
                continue;
            QStringList words{method};
            for (const QVariant& argument : arguments)
                words << (argument.canConvert<QDBusVariant>() ? argument.value<QDBusVariant>().variant() : argument)
                             .toString();
            seen << words.join(u' ');
        }
        log.endArray();
        return seen;
    }
    void clearCalls() const { mockCall(kManagerPath, QStringLiteral("ClearCalls"), {}); }

    // Changes the unit's properties (interface org.freedesktop.systemd1.Unit, or the service's), with the
    // PropertiesChanged a real systemd sends.
    QString setUnit(const QVariantMap& properties, const QString& interface = QString::fromLatin1(kUnit)) const {
        return mockCall(kUnitPath, QStringLiteral("UpdateProperties"), {interface, properties});
    }

    // The job method (StartUnit, RestartUnit, ...) from now on: its job ends with that result ("done", "failed");
    // the unit's ActiveState becomes `state` unless empty.
    QString endJobsWith(const QString& method, const QString& result, const QString& state = QString()) const {
        const QString code =
            QStringLiteral("from gi.repository import GLib\n"
                           "job = self.next_job_id\n"
                           "self.next_job_id += 1\n"
                           "path = '/org/freedesktop/systemd1/Job/%1' % job\n"
                           "if '%3':\n"
                           "    objects[self.units[args[0]]].UpdateProperties("
                           "'org.freedesktop.systemd1.Unit', {'ActiveState': '%3'})\n"
                           "GLib.idle_add(lambda job=job, path=path, unit=args[0], mock=self: mock.EmitSignal("
                           "'org.freedesktop.systemd1.Manager', 'JobRemoved', 'uoss', [job, path, unit, '%2']))\n"
                           "ret = path\n")
                .arg(QStringLiteral("%d"), result, state);
        return addMethod(method, code);
    }
    // The job method from now on answers with a job that never sends JobRemoved, as a mock written in one line does.
    QString endJobsSilently(const QString& method) const {
        return addMethod(method, QStringLiteral("ret = '/org/freedesktop/systemd1/Job/99'"));
    }
    // The job method from now on answers with that D-Bus error.
    QString refuse(const QString& method, const QString& errorName, const QString& message) const {
        return addMethod(
            method, QStringLiteral("raise dbus.exceptions.DBusException('%1', name='%2')").arg(message, errorName));
    }

private:
    static constexpr char kControl[] = "mock-systemd-control";
    static constexpr char kSystemd[] = "org.freedesktop.systemd1";
    static constexpr char kManagerPath[] = "/org/freedesktop/systemd1";
    static constexpr char kManager[] = "org.freedesktop.systemd1.Manager";
    static constexpr char kUnit[] = "org.freedesktop.systemd1.Unit";
    static constexpr char kMock[] = "org.freedesktop.DBus.Mock";

    static QDBusConnection control() { return QDBusConnection(QLatin1String(kControl)); }

    static bool waitUntil(const std::function<bool()>& done) {
        const QDeadlineTimer deadline(10000);
        while (!done()) {
            if (deadline.hasExpired())
                return false;
            QTest::qWait(50);
        }
        return true;
    }
    static bool connect(const QString& address) {
        if (control().isConnected())
            return true;
        QDBusConnection::disconnectFromBus(kControl);
        return QDBusConnection::connectToBus(address, QLatin1String(kControl)).isConnected();
    }
    static bool hasSystemd() {
        const QDBusMessage reply =
            control().call(QDBusMessage::createMethodCall(
                               QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                               QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"))
                           << QString::fromLatin1(kSystemd));
        return reply.arguments().value(0).toBool();
    }
    // Empty when the mock took the call, else its error.
    static QString mockCall(const QString& path, const QString& method, const QVariantList& arguments) {
        QDBusMessage message = QDBusMessage::createMethodCall(kSystemd, path, kMock, method);
        message.setArguments(arguments);
        const QDBusMessage reply = control().call(message);
        return reply.type() == QDBusMessage::ErrorMessage ? method + QStringLiteral(": ") + reply.errorMessage()
                                                          : QString();
    }
    static QString addMethod(const QString& method, const QString& code) {
        return mockCall(kManagerPath, QStringLiteral("AddMethod"),
                        {QString::fromLatin1(kManager), method, QStringLiteral("ss"), QStringLiteral("o"), code});
    }

    QTemporaryDir dir_;
    QProcess daemon_;
    QProcess mock_;
    QByteArray previousAddress_;
};
