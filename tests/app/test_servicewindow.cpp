#include "app/Main.h"
#include "systemd/ServiceControls.h"

#include "support/GuiTestSupport.h"
#include "support/MockSystemd.h"

#include <QAction>
#include <QElapsedTimer>
#include <QInputDialog>
#include <QLabel>
#include <QToolButton>
#include <QtTest>

#include <memory>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

// A socket that takes connections and never says a word: a bus that does not answer.
class SilentSocket {
public:
    bool listen(const QString& path) {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        if (fd_ < 0 || name.size() >= qsizetype(sizeof(address.sun_path)))
            return false;
        std::copy(name.begin(), name.end(), address.sun_path);
        return ::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0 && ::listen(fd_, 4) == 0;
    }
    ~SilentSocket() {
        if (fd_ >= 0)
            ::close(fd_); // the connections waiting are reset: their side gives up
    }

private:
    int fd_ = -1;
};

// The window's service controls against a bus of the test's own with systemd mocked: the calls its buttons, menu
// entries and Save and Apply make, the state line as the unit changes, and the controls where the unit cannot be
// driven.
class TestServiceWindow : public QObject, WindowTest {
    Q_OBJECT

    std::unique_ptr<MockSystemd> systemd;

    void startSystemd(bool withSystemd = true) {
        systemd = std::make_unique<MockSystemd>();
        const QString problem = systemd->start(withSystemd);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }
    void startOnExample() {
        for (const char* name : {"glym30.ini", "access.txt", "skip.txt", "router.txt"})
            QVERIFY(QFile::copy(QStringLiteral(GLYM_TEST_DATA "/../../examples/") + QLatin1String(name),
                                dir->path(QLatin1String(name))));
        start();
    }
    QString stateLine() const { return child<QLabel>("ServiceState")->text(); }
    QString notes() const { return child<QLabel>("StatusPanel1")->text(); }
    // Which of Start, Stop, Restart, Reload (menu entries and tool buttons alike) are enabled: "1000".
    QString enabled() const {
        const std::pair<const char*, const char*> controls[] = {{"Start1", "ButtonGLYMStart"},
                                                                {"Stop1", "ButtonStop"},
                                                                {"Restart1", "ButtonRestart"},
                                                                {"ServiceReload1", nullptr}};
        QString shown;
        for (const auto& [action, button] : controls) {
            const bool on = child<QAction>(action)->isEnabled();
            if (button && child<QToolButton>(button)->isEnabled() != on)
                return QStringLiteral("%1 and %2 differ").arg(action, button);
            shown += on ? u'1' : u'0';
        }
        return shown;
    }
    QStringList jobCalls() const {
        QStringList jobs;
        for (const QString& call : systemd->calls())
            if (call.contains(QLatin1String("Unit glym")) && !call.startsWith(QLatin1String("GetUnit")))
                jobs << call;
        return jobs;
    }

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init() { begin(); }
    void cleanup() {
        verifyNoProblems(finish());
        systemd.reset();
    }

    // Start, Restart and Stop through the tool buttons and the menu: each one call, the state line following the
    // unit's PropertiesChanged, the controls enabled as the state allows, the notes saying what was done.
    void controlsFollowTheUnit() {
        startSystemd();
        startOnExample();
        QTRY_COMPARE(stateLine(), QStringLiteral("glym.service: inactive (dead)"));
        QCOMPARE(enabled(), QStringLiteral("1000"));
        QVERIFY(child<QAction>("SaveAndApplyAction")->isEnabled());

        child<QToolButton>("ButtonGLYMStart")->click();
        QTRY_COMPARE(enabled(), QStringLiteral("0111"));
        QCOMPARE(stateLine(), QStringLiteral("glym.service: active (dead)"));
        QVERIFY2(notes().startsWith(QLatin1String("glym.service started at ")), qPrintable(notes()));

        child<QToolButton>("ButtonRestart")->click();
        QTRY_VERIFY2(notes().startsWith(QLatin1String("glym.service restarted at ")), qPrintable(notes()));
        child<QAction>("ServiceReload1")->trigger();
        QTRY_VERIFY2(notes().startsWith(QLatin1String("glym.service reloaded at ")), qPrintable(notes()));
        child<QToolButton>("ButtonStop")->click();
        QTRY_COMPARE(stateLine(), QStringLiteral("glym.service: inactive (dead)"));
        QTRY_COMPARE(enabled(), QStringLiteral("1000"));
        QCOMPARE(jobCalls(),
                 (QStringList{"StartUnit glym.service replace", "RestartUnit glym.service replace",
                              "ReloadOrRestartUnit glym.service replace", "StopUnit glym.service replace"}));

        // Changed by someone else: the line follows, a failed unit in red with its result.
        const qulonglong now = qulonglong(QDateTime::currentMSecsSinceEpoch()) * 1000;
        QCOMPARE(systemd->setUnit({{"ActiveState", "failed"}, {"SubState", "failed"}, {"StateChangeTimestamp", now}}),
                 QString());
        QCOMPARE(systemd->setUnit({{"Result", "exit-code"}}, QStringLiteral("org.freedesktop.systemd1.Service")),
                 QString());
        QTRY_COMPARE(stateLine(), QStringLiteral("glym.service: failed (failed) since %1, result: exit-code")
                                      .arg(QTime::currentTime().toString(QStringLiteral("HH:mm"))));
        QVERIFY(child<QLabel>("ServiceState")->styleSheet().contains(QLatin1String("color")));
        QCOMPARE(enabled(), QStringLiteral("1000"));
        QCOMPARE(systemd->setUnit({{"ActiveState", "active"}, {"SubState", "running"}}), QString());
        QTRY_COMPARE(enabled(), QStringLiteral("0111"));
        QVERIFY(child<QLabel>("ServiceState")->styleSheet().isEmpty());
    }

    // Save and Apply by its key: the files are saved, then the unit reloaded once; the notes say how that ended
    // after what the save said.
    void saveAndApply_data() {
        QTest::addColumn<QString>("result");  // the job's result; empty: systemd refuses the call
        QTest::addColumn<QString>("outcome"); // the end of the notes
        QTest::newRow("reloaded") << "done"
                                  << "glym.service was not running: started at ";
        QTest::newRow("job failed") << "failed"
                                    << "Not applied: The reload of glym.service failed: the job ended with \"failed\".";
        QTest::newRow("not allowed") << QString()
                                     << "Not applied: Not allowed to reload glym.service: Interactive authentication "
                                        "required.";
    }
    void saveAndApply() {
        QFETCH(QString, result);
        QFETCH(QString, outcome);
        startSystemd();
        if (result.isEmpty())
            QCOMPARE(systemd->refuse(QStringLiteral("ReloadOrRestartUnit"),
                                     QStringLiteral("org.freedesktop.DBus.Error.InteractiveAuthorizationRequired"),
                                     QStringLiteral("Interactive authentication required.")),
                     QString());
        else
            QCOMPARE(systemd->endJobsWith(QStringLiteral("ReloadOrRestartUnit"), result), QString());
        startOnExample();
        QVERIFY(showWindow());
        QTRY_VERIFY(child<QAction>("SaveAndApplyAction")->isEnabled());
        QCOMPARE(child<QAction>("SaveAndApplyAction")->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+S")));
        child<QLineEdit>("EditProxyPort")->setText(QStringLiteral("3129"));
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(dir->read(QStringLiteral("glym30.ini")).contains("Port=3129"));
        QTRY_VERIFY2(notes().contains(outcome), qPrintable(notes()));
        QCOMPARE(jobCalls(), QStringList{"ReloadOrRestartUnit glym.service replace"});
        QVERIFY(!window->ConfigChanged);
    }

    // Where the unit cannot be driven, the controls stay visible, disabled, and say why; the window comes up at once
    // even on a bus that never answers.
    void unreachable_data() {
        QTest::addColumn<QString>("where"); // what answers at DBUS_SYSTEM_BUS_ADDRESS
        QTest::addColumn<QByteArray>("preferences");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("why");
        QTest::newRow("no bus") << "nothing" << QByteArray() << "glym.service: not available"
                                << "There is no system bus: Failed to connect to socket";
        QTest::newRow("silent bus") << "silence" << QByteArray() << "glym.service: not available"
                                    << "The system bus did not answer within 5 seconds.";
        QTest::newRow("no systemd") << "bus" << QByteArray() << "glym.service: not available"
                                    << "systemd does not answer on the system bus";
        QTest::newRow("no unit") << "systemd" << QByteArray("[Options]\r\nServiceUnit=other.service\r\n")
                                 << "other.service: not available"
                                 << "The unit other.service does not exist.";
    }
    void unreachable() {
        QFETCH(QString, where);
        QFETCH(QByteArray, preferences);
        QFETCH(QString, state);
        QFETCH(QString, why);
        SilentSocket silent;
        if (where == QLatin1String("bus") || where == QLatin1String("systemd"))
            startSystemd(where == QLatin1String("systemd"));
        const QByteArray previous = qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
        if (where == QLatin1String("nothing"))
            qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + dir->path(QStringLiteral("no-bus")).toUtf8());
        if (where == QLatin1String("silence")) {
            QVERIFY(silent.listen(dir->path(QStringLiteral("silent-bus"))));
            qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + dir->path(QStringLiteral("silent-bus")).toUtf8());
        }
        const auto restoreAddress = qScopeGuard([&] {
            if (!systemd)
                qputenv("DBUS_SYSTEM_BUS_ADDRESS", previous);
        });
        if (!preferences.isEmpty())
            dir->write(QStringLiteral("glymconf.ini"), preferences);
        QElapsedTimer startUp;
        startUp.start();
        startOnExample();
        QVERIFY2(startUp.elapsed() < 2000, "the window waited for the bus");
        QTRY_COMPARE_WITH_TIMEOUT(stateLine(), state, 8000);
        if (where == QLatin1String("nothing")) // the reason stays past the time a silent bus is given
            QTest::qWait(int(5500 - startUp.elapsed()));
        QCOMPARE(enabled(), QStringLiteral("0000"));
        for (const char* name : {"ButtonGLYMStart", "ButtonStop", "ButtonRestart", "ButtonSaveAndApply"}) {
            auto* button = child<QToolButton>(name);
            QVERIFY2(!button->isEnabled() && !button->isHidden(), name);
            QVERIFY2(button->toolTip().contains(why), qPrintable(button->toolTip()));
        }
        for (const char* name : {"Start1", "Stop1", "Restart1", "ServiceReload1", "SaveAndApplyAction"})
            QVERIFY2(child<QAction>(name)->statusTip().contains(why), name);
        QVERIFY(child<QLabel>("ServiceState")->toolTip().contains(why));
    }

    // Config > Service Unit...: the unit chosen is looked up at once and kept in the preferences.
    void chosenUnitIsKept() {
        startSystemd();
        startOnExample();
        QTRY_COMPARE(stateLine(), QStringLiteral("glym.service: inactive (dead)"));
        answers->pushDialog<QInputDialog>([](QInputDialog* dialog) {
            QCOMPARE(dialog->textValue(), QStringLiteral("glym.service"));
            dialog->setTextValue(QStringLiteral(" glym-test "));
            dialog->accept();
        });
        child<QAction>("ServiceUnitAction")->trigger();
        QTRY_COMPARE(stateLine(), QStringLiteral("glym-test.service: not available"));
        QVERIFY(QMetaObject::invokeMethod(window.get(), "SavePreferences"));
        QVERIFY(dir->read(QStringLiteral("glymconf.ini")).contains("\r\nServiceUnit=glym-test.service\r\n"));
    }

    void unitNames_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("unit");
        QTest::newRow("a service") << "glym.service"
                                   << "glym.service";
        QTest::newRow("without its type") << " glym "
                                          << "glym.service";
        QTest::newRow("an instance") << "glym@8080"
                                     << "glym@8080.service";
        QTest::newRow("another type") << "glym.socket"
                                      << "glym.socket";
        QTest::newRow("a dot that is no type") << "glym.proxy"
                                               << "glym.proxy.service";
        QTest::newRow("a blank") << "glym proxy"
                                 << "";
        QTest::newRow("a path") << "../glym"
                                << "";
        QTest::newRow("nothing") << "  "
                                 << "";
    }
    void unitNames() {
        QFETCH(QString, typed);
        QFETCH(QString, unit);
        QCOMPARE(ServiceControls::unitName(typed), unit);
    }
};

QTEST_MAIN(TestServiceWindow)
#include "test_servicewindow.moc"
