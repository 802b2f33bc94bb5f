#include "systemd/UnitControl.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <memory>

namespace {

const QString kSystemd = QStringLiteral("org.freedesktop.systemd1");
const QString kManagerPath = QStringLiteral("/org/freedesktop/systemd1");
const QString kManager = QStringLiteral("org.freedesktop.systemd1.Manager");
const QString kUnit = QStringLiteral("org.freedesktop.systemd1.Unit");
const QString kService = QStringLiteral("org.freedesktop.systemd1.Service");
const QString kJob = QStringLiteral("org.freedesktop.systemd1.Job");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
// Where the system bus listens when DBUS_SYSTEM_BUS_ADDRESS does not say.
constexpr char kStandardSystemBus[] = "unix:path=/var/run/dbus/system_bus_socket";

// The bus and systemd answer a look-up at once; a job's call may wait for polkit's dialog, and the job for the
// service to stop and start.
constexpr int kConnectTimeoutMs = 5000;
constexpr int kLookupTimeoutMs = 5000;
constexpr int kJobCallTimeoutMs = 120'000;
constexpr int kJobTimeoutMs = 300'000;
// A job whose object has gone before its JobRemoved arrived: the signal may still be on its way.
constexpr int kJobGoneGraceMs = 500;

// The slots as SLOT() names them, written out: QtDBus looks them up as they are written, and SLOT() would get the
// blanks of the layout, which no normalized signature has.
constexpr char kJobRemovedSlot[] = "1jobRemoved(uint,QDBusObjectPath,QString,QString)";
constexpr char kPropertiesChangedSlot[] = "1propertiesChanged(QString,QVariantMap,QStringList)";

std::atomic<int> connectionCount{0};

bool isError(const QDBusMessage& reply) {
    return reply.type() == QDBusMessage::ErrorMessage;
}

bool errorIs(const QDBusMessage& reply, std::initializer_list<const char*> names) {
    for (const char* name : names)
        if (reply.errorName() == QLatin1String(name))
            return true;
    return false;
}

// What the error says; of a long text (a service's traceback), its last line.
QString errorText(const QDBusMessage& reply) {
    const QStringList lines = reply.errorMessage().trimmed().split(QLatin1Char('\n'));
    return lines.last().trimmed().isEmpty() ? reply.errorName() : lines.last().trimmed();
}

// Nobody answers for systemd: not on the bus, gone, too slow, or a bus that tried to start it and failed.
bool noSystemd(const QDBusMessage& reply) {
    return reply.errorName().startsWith(QLatin1String("org.freedesktop.DBus.Error.Spawn.")) ||
           errorIs(reply, {"org.freedesktop.DBus.Error.ServiceUnknown", "org.freedesktop.DBus.Error.NameHasNoOwner",
                           "org.freedesktop.DBus.Error.NoReply", "org.freedesktop.DBus.Error.Timeout",
                           "org.freedesktop.DBus.Error.TimedOut", "org.freedesktop.DBus.Error.Disconnected",
                           "org.freedesktop.DBus.Error.NoServer"});
}

// The object or the method is not there: a unit or job that does not exist (or a systemd too old to say).
bool noSuchObject(const QDBusMessage& reply) {
    return errorIs(reply, {"org.freedesktop.systemd1.NoSuchUnit", "org.freedesktop.DBus.Error.UnknownObject",
                           "org.freedesktop.DBus.Error.UnknownMethod"});
}

bool notAllowed(const QDBusMessage& reply) {
    return errorIs(reply, {"org.freedesktop.DBus.Error.AccessDenied",
                           "org.freedesktop.DBus.Error.InteractiveAuthorizationRequired",
                           "org.freedesktop.PolicyKit1.Error.NotAuthorized"});
}

QString methodOf(UnitControl::Command command) {
    switch (command) {
    case UnitControl::Command::Start:
        return QStringLiteral("StartUnit");
    case UnitControl::Command::Stop:
        return QStringLiteral("StopUnit");
    case UnitControl::Command::Restart:
        return QStringLiteral("RestartUnit");
    case UnitControl::Command::Reload:
        break;
    }
    return QStringLiteral("ReloadOrRestartUnit"); // a service that cannot reload is restarted
}

// A variant as the bus delivered it, a{sv} values sometimes still wrapped.
QVariant plain(const QVariant& value) {
    return value.canConvert<QDBusVariant>() ? value.value<QDBusVariant>().variant() : value;
}

// "10:42" today, "2024-03-01 10:42" before.
QString timeText(const QDateTime& when) {
    return when.date() == QDate::currentDate() ? when.toString(QStringLiteral("HH:mm"))
                                               : when.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

} // namespace

UnitControl::UnitControl(QObject* parent) : QObject(parent), jobTimer_(new QTimer(this)) {
    // QtDBus refuses a slot with a type not yet registered, and the object path's is registered at its first use.
    qRegisterMetaType<QDBusObjectPath>();
    jobTimer_->setSingleShot(true);
    connect(jobTimer_, &QTimer::timeout, this, [this] {
        finishJob(Outcome::Failed,
                  tr("systemd did not finish the job on %1 within %2 minutes; it may still be running.")
                      .arg(unit_)
                      .arg(kJobTimeoutMs / 60'000));
    });
}

UnitControl::~UnitControl() {
    closeBus();
}

QString UnitControl::verb(Command command) {
    switch (command) {
    case Command::Start:
        return QStringLiteral("start");
    case Command::Stop:
        return QStringLiteral("stop");
    case Command::Restart:
        return QStringLiteral("restart");
    case Command::Reload:
        break;
    }
    return QStringLiteral("reload");
}

// Connecting waits for the bus's answer to the handshake: it runs on a thread of its own, so that a bus that does
// not answer holds up nothing, and gives up after a timeout.
void UnitControl::open(const QString& unit) {
    closeBus();
    const quint64 attempt = ++attempt_;
    unit_ = unit;
    unitPath_.clear();
    state_ = {};
    job_ = {};
    jobTimer_->stop();
    removedJobs_.clear();
    reach_ = Reach::Looking;
    problem_.clear();
    emit changed();

    const QString address = qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS", QLatin1String(kStandardSystemBus));
    const QString name = QStringLiteral("glymconf-systemd-%1").arg(++connectionCount);
    const auto error = std::make_shared<QString>();
    QThread* thread = QThread::create([address, name, error] {
        const QDBusConnection bus = QDBusConnection::connectToBus(address, name);
        if (!bus.isConnected())
            *error = bus.lastError().message().isEmpty() ? address : bus.lastError().message();
    });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    connect(thread, &QThread::finished, this, [this, attempt, name, error] { connected(attempt, name, *error); });
    thread->start();
    QTimer::singleShot(kConnectTimeoutMs, this, [this, attempt] {
        if (attempt == attempt_ && reach_ == Reach::Looking && connectionName_.isEmpty()) {
            ++attempt_; // the late answer is dropped
            giveUp(Reach::NoBus, tr("The system bus did not answer within %1 seconds.").arg(kConnectTimeoutMs / 1000));
        }
    });
}

void UnitControl::connected(quint64 attempt, const QString& connectionName, const QString& error) {
    if (attempt != attempt_ || !error.isEmpty()) {
        QDBusConnection::disconnectFromBus(connectionName);
        if (attempt == attempt_)
            giveUp(Reach::NoBus, tr("There is no system bus: %1").arg(error));
        return;
    }
    connectionName_ = connectionName;
    // Signals by name: QtDBus connects them to slots named by their signature. No sender is named, as naming one
    // would make QtDBus ask the bus for its owner and wait for the answer; only systemd sends these.
    bus().connect(QString(), kManagerPath, kManager, QStringLiteral("JobRemoved"), this, kJobRemovedSlot);
    // systemd sends its signals only while some client has subscribed.
    call(QDBusMessage::createMethodCall(kSystemd, kManagerPath, kManager, QStringLiteral("Subscribe")),
         kLookupTimeoutMs, [](const QDBusMessage&) {});
    findUnit(QStringLiteral("GetUnit"));
}

// GetUnit knows the units loaded; LoadUnit loads one from its file (systemd unloads a unit not running).
void UnitControl::findUnit(const QString& method) {
    QDBusMessage message = QDBusMessage::createMethodCall(kSystemd, kManagerPath, kManager, method);
    message << unit_;
    call(message, kLookupTimeoutMs, [this, method](const QDBusMessage& reply) {
        if (!isError(reply))
            return unitFound(reply.arguments().value(0).value<QDBusObjectPath>().path());
        if (noSystemd(reply))
            return giveUp(Reach::NoBus, tr("systemd does not answer on the system bus: %1").arg(errorText(reply)));
        if (method == QLatin1String("GetUnit"))
            return findUnit(QStringLiteral("LoadUnit"));
        giveUp(Reach::NoUnit, noSuchObject(reply)
                                  ? tr("The unit %1 does not exist.").arg(unit_)
                                  : tr("The unit %1 cannot be looked up: %2").arg(unit_, errorText(reply)));
    });
}

void UnitControl::unitFound(const QString& path) {
    unitPath_ = path;
    bus().connect(QString(), unitPath_, kProperties, QStringLiteral("PropertiesChanged"), this, kPropertiesChangedSlot);
    readProperties([this](bool read) {
        if (read)
            becomeReady();
    });
}

// The unit's properties, then the service's (a unit of another type, or a systemd that has no such interface for
// it, has no result: that is no error).
void UnitControl::readProperties(std::function<void(bool read)> then) {
    QDBusMessage unitProperties =
        QDBusMessage::createMethodCall(kSystemd, unitPath_, kProperties, QStringLiteral("GetAll"));
    unitProperties << kUnit;
    call(unitProperties, kLookupTimeoutMs, [this, then](const QDBusMessage& reply) {
        if (isError(reply)) {
            giveUp(noSystemd(reply) ? Reach::NoBus : Reach::NoUnit,
                   tr("The state of %1 cannot be read: %2").arg(unit_, errorText(reply)));
            return then(false);
        }
        takeProperties(kUnit, qdbus_cast<QVariantMap>(reply.arguments().value(0)));
        QDBusMessage serviceProperties =
            QDBusMessage::createMethodCall(kSystemd, unitPath_, kProperties, QStringLiteral("GetAll"));
        serviceProperties << kService;
        call(serviceProperties, kLookupTimeoutMs, [this, then](const QDBusMessage& reply) {
            if (!isError(reply))
                takeProperties(kService, qdbus_cast<QVariantMap>(reply.arguments().value(0)));
            emit changed();
            then(true);
        });
    });
}

void UnitControl::takeProperties(const QString& interface, const QVariantMap& values) {
    auto text = [&values](const char* key, QString& into) {
        if (const auto found = values.constFind(QLatin1String(key)); found != values.constEnd())
            into = plain(*found).toString();
    };
    if (interface == kService)
        return text("Result", state_.result);
    if (interface != kUnit)
        return;
    text("LoadState", state_.loadState);
    text("ActiveState", state_.activeState);
    text("SubState", state_.subState);
    if (const auto found = values.constFind(QStringLiteral("StateChangeTimestamp")); found != values.constEnd()) {
        const qulonglong microseconds = plain(*found).toULongLong();
        state_.since = microseconds == 0 ? QDateTime() : QDateTime::fromMSecsSinceEpoch(qint64(microseconds / 1000));
    }
}

void UnitControl::becomeReady() {
    if (state_.loadState == QLatin1String("not-found"))
        return giveUp(Reach::NoUnit, tr("The unit %1 does not exist.").arg(unit_));
    reach_ = Reach::Ready;
    problem_.clear();
    emit changed();
}

void UnitControl::giveUp(Reach reach, const QString& problem) {
    reach_ = reach;
    problem_ = problem;
    emit changed();
}

// A property only named as changed is read again.
void UnitControl::propertiesChanged(const QString& interface, const QVariantMap& changedValues,
                                    const QStringList& invalidated) {
    takeProperties(interface, changedValues);
    if (!invalidated.isEmpty())
        readProperties([](bool) {});
    emit changed();
}

QString UnitControl::stateLine() const {
    if (reach_ == Reach::Looking)
        return tr("%1: looking for the unit...").arg(unit_);
    if (reach_ != Reach::Ready)
        return problem_;
    QString line = unit_ + QStringLiteral(": ") + state_.activeState;
    if (!state_.subState.isEmpty())
        line += QStringLiteral(" (%1)").arg(state_.subState);
    if (state_.since.isValid())
        line += tr(" since %1").arg(timeText(state_.since));
    if (failed() && !state_.result.isEmpty())
        line += tr(", result: %1").arg(state_.result);
    return line;
}

bool UnitControl::allows(Command command) const {
    if (reach_ != Reach::Ready || busy())
        return false;
    const QString& active = state_.activeState;
    auto is = [&active](std::initializer_list<const char*> states) {
        for (const char* state : states)
            if (active == QLatin1String(state))
                return true;
        return false;
    };
    switch (command) {
    case Command::Start:
        return is({"inactive", "failed"});
    case Command::Stop:
        return is({"active", "reloading", "activating"}); // a service stuck while starting can be stopped
    case Command::Restart:
    case Command::Reload:
        break;
    }
    return is({"active", "reloading"});
}

// The call may let polkit ask the user (the flag of the message); the job it starts ends with JobRemoved.
void UnitControl::run(Command command) {
    if (reach_ != Reach::Ready) {
        emit finished(command, Outcome::Unreachable,
                      reach_ == Reach::Looking ? tr("%1 is still being looked up on the system bus.").arg(unit_)
                                               : problem_);
        return;
    }
    if (busy()) {
        emit finished(command, Outcome::Refused, tr("Another command on %1 is still running.").arg(unit_));
        return;
    }
    job_ = {true, command, {}, allows(Command::Reload)};
    removedJobs_.clear();
    emit changed();
    QDBusMessage message = QDBusMessage::createMethodCall(kSystemd, kManagerPath, kManager, methodOf(command));
    message << unit_ << QStringLiteral("replace");
    message.setInteractiveAuthorizationAllowed(true);
    call(message, kJobCallTimeoutMs, [this](const QDBusMessage& reply) { jobCalled(reply); });
}

void UnitControl::jobCalled(const QDBusMessage& reply) {
    const QString verb = UnitControl::verb(job_.command);
    if (isError(reply)) {
        if (notAllowed(reply))
            return finishJob(Outcome::Refused, tr("Not allowed to %1 %2: %3").arg(verb, unit_, errorText(reply)));
        if (noSystemd(reply))
            return finishJob(Outcome::Unreachable,
                             tr("systemd did not answer the %1 of %2: %3").arg(verb, unit_, errorText(reply)));
        if (errorIs(reply, {"org.freedesktop.systemd1.NoSuchUnit"}))
            return finishJob(Outcome::Unreachable, tr("The unit %1 does not exist.").arg(unit_));
        return finishJob(Outcome::Refused, tr("systemd refused to %1 %2: %3").arg(verb, unit_, errorText(reply)));
    }
    job_.path = reply.arguments().value(0).value<QDBusObjectPath>().path();
    if (job_.path.isEmpty()) // systemd names the job it queued; an answer without one leaves nothing to wait for
        return jobEnded(QStringLiteral("done"));
    if (removedJobs_.contains(job_.path))
        return jobEnded(removedJobs_.value(job_.path));
    // The job may have ended before its JobRemoved could be matched (a bus that keeps no job objects tells only
    // that way): its object is asked for; when it cannot be read, the job is over.
    QDBusMessage probe = QDBusMessage::createMethodCall(kSystemd, job_.path, kProperties, QStringLiteral("Get"));
    probe << kJob << QStringLiteral("State");
    const QString path = job_.path;
    call(probe, kLookupTimeoutMs, [this, path](const QDBusMessage& reply) {
        if (!job_.running || job_.path != path)
            return;
        if (!isError(reply))
            return jobTimer_->start(kJobTimeoutMs);
        QTimer::singleShot(kJobGoneGraceMs, this, [this, path, attempt = attempt_] {
            if (attempt == attempt_ && job_.running && job_.path == path)
                jobEnded(QStringLiteral("done"));
        });
    });
}

void UnitControl::jobRemoved(uint, const QDBusObjectPath& job, const QString&, const QString& result) {
    if (!job_.running)
        return;
    if (job_.path.isEmpty())
        removedJobs_.insert(job.path(), result);
    else if (job.path() == job_.path)
        jobEnded(result);
}

void UnitControl::jobEnded(const QString& result) {
    if (result != QLatin1String("done"))
        return finishJob(Outcome::Failed,
                         tr("The %1 of %2 failed: the job ended with \"%3\".").arg(verb(job_.command), unit_, result));
    const QString when = QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
    QString message;
    switch (job_.command) {
    case Command::Start:
        message = tr("%1 started at %2.");
        break;
    case Command::Stop:
        message = tr("%1 stopped at %2.");
        break;
    case Command::Restart:
        message = tr("%1 restarted at %2.");
        break;
    case Command::Reload:
        message = job_.wasRunning ? tr("%1 reloaded at %2.") : tr("%1 was not running: started at %2.");
        break;
    }
    finishJob(Outcome::Done, message.arg(unit_, when));
}

// The state is read again before the end is told, so that it shows what the job left.
void UnitControl::finishJob(Outcome outcome, const QString& message) {
    jobTimer_->stop();
    const Command command = job_.command;
    auto tell = [this, command, outcome, message](bool) {
        job_ = {};
        emit changed();
        emit finished(command, outcome, message);
    };
    if (reach_ == Reach::Ready && outcome != Outcome::Unreachable)
        readProperties(tell);
    else
        tell(false);
}

// A round trip to the bus: when its answer is here, QtDBus has also done with every answer before it, on its own
// thread. A process that ended right after an error reply could otherwise end while QtDBus still hands it on.
void UnitControl::close() {
    if (!connectionName_.isEmpty())
        bus().call(QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                                  QStringLiteral("/org/freedesktop/DBus"),
                                                  QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping")),
                   QDBus::Block, kLookupTimeoutMs);
    closeBus();
}

void UnitControl::closeBus() {
    if (connectionName_.isEmpty())
        return;
    QDBusConnection::disconnectFromBus(connectionName_);
    connectionName_.clear();
}

void UnitControl::call(const QDBusMessage& message, int timeoutMs,
                       std::function<void(const QDBusMessage& reply)> handler) {
    auto* watcher = new QDBusPendingCallWatcher(bus().asyncCall(message, timeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, watcher, handler = std::move(handler), attempt = attempt_] {
                watcher->deleteLater();
                if (attempt == attempt_)
                    handler(watcher->reply());
            });
}
