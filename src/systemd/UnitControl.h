#pragma once

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <functional>

class QDBusMessage;
class QTimer;

// One unit of systemd, driven through systemd's D-Bus API on the system bus (the address in
// DBUS_SYSTEM_BUS_ADDRESS, else the standard socket): its state, kept up to date from the unit's PropertiesChanged
// signal, and the jobs Start, Stop, Restart and Reload. Every call is asynchronous and has a timeout, so nothing
// waits on a bus that does not answer. Who may do what is systemd's and polkit's decision: a call may let polkit ask
// the user in its own dialog; this program never asks for a password and never needs to be root.
class UnitControl : public QObject {
    Q_OBJECT

public:
    enum class Command { Start, Stop, Restart, Reload };
    // Whether the unit can be driven: Looking until the bus and systemd have answered.
    enum class Reach { Looking, Ready, NoBus, NoUnit };
    // How a command ended. Refused: systemd or polkit said no (or the call failed); Failed: the job ended with
    // another result than "done"; Unreachable: no bus, no systemd on it, or no such unit.
    enum class Outcome { Done, Refused, Failed, Unreachable };

    struct State {
        QString loadState;   // "loaded", "not-found", ...
        QString activeState; // "active", "inactive", "failed", "activating", ...
        QString subState;    // "running", "dead", ...; empty when systemd does not say
        QString result;      // the service's result: "success", "exit-code", ...; empty when not told
        QDateTime since;     // when ActiveState last changed; invalid when not told
    };

    explicit UnitControl(QObject* parent = nullptr);
    ~UnitControl() override;

    // Looks the unit up on the bus (again, for another unit or after the bus went away): reach() is Looking until
    // systemd has answered, then changed() is emitted.
    void open(const QString& unit);

    const QString& unit() const { return unit_; }
    Reach reach() const { return reach_; }
    // Why the unit cannot be driven ("There is no system bus: ..."); empty while Ready or Looking.
    const QString& problem() const { return problem_; }
    const State& state() const { return state_; }
    // "glym.service: active (running) since 10:42"; a failed unit adds its result; else the problem.
    QString stateLine() const;
    bool failed() const { return reach_ == Reach::Ready && state_.activeState == QLatin1String("failed"); }
    // Whether the state allows the command now: Start when inactive or failed, the others when active; never while
    // a command of this object runs.
    bool allows(Command command) const;
    bool busy() const { return job_.running; }

    // Runs the command as a systemd job and emits finished() once the job is over and the state read again; a
    // command while another runs, or while the unit cannot be driven, ends at once (Refused or Unreachable).
    void run(Command command);

    // Ends the connection, waiting until the bus has answered once more: for a program about to end, which must not
    // end while QtDBus is still busy with an answer.
    void close();

    // The verb of a command as systemctl's words: "start", "stop", "restart", "reload".
    static QString verb(Command command);

Q_SIGNALS:
    // The reach, the state or busy() changed.
    void changed();
    // message: what happened, for a person ("glym.service restarted.", "Not allowed to stop glym.service: ...").
    void finished(UnitControl::Command command, UnitControl::Outcome outcome, const QString& message);

private Q_SLOTS:
    // Slots by name: QtDBus connects bus signals only to slots named by their signature.
    void propertiesChanged(const QString& interface, const QVariantMap& changed, const QStringList& invalidated);
    void jobRemoved(uint id, const QDBusObjectPath& job, const QString& unit, const QString& result);

private:
    struct Job {
        bool running = false;
        Command command = Command::Start;
        QString path;            // the job's object, once systemd has answered the call
        bool wasRunning = false; // a Reload of a unit not running starts it
    };

    void connected(quint64 attempt, const QString& connectionName, const QString& error);
    void findUnit(const QString& method);
    void unitFound(const QString& path);
    void readProperties(std::function<void(bool read)> then);
    void takeProperties(const QString& interface, const QVariantMap& values);
    void becomeReady();
    void giveUp(Reach reach, const QString& problem);
    void jobCalled(const QDBusMessage& reply);
    void jobEnded(const QString& result);
    void finishJob(Outcome outcome, const QString& message);
    void closeBus();
    QDBusConnection bus() const { return QDBusConnection(connectionName_); }
    // Calls asynchronously; the handler gets the reply (or the error) on this object's thread, unless open() was
    // called again meanwhile.
    void call(const QDBusMessage& message, int timeoutMs, std::function<void(const QDBusMessage& reply)> handler);

    QString unit_;
    QString unitPath_;
    QString connectionName_; // empty while no connection is open
    quint64 attempt_ = 0;    // answers of an earlier open() are dropped
    Reach reach_ = Reach::Looking;
    QString problem_;
    State state_;
    Job job_;
    QTimer* jobTimer_;
    QHash<QString, QString> removedJobs_; // jobs whose JobRemoved came before the call's answer: their results
};
