#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

// The example playbook of the documentation (examples/ansible/glymconf.yml), run with ansible-playbook on this
// machine against a copy of examples/: the first run changes the files, the second reports nothing changed.
class TestAnsibleExample : public QObject {
    Q_OBJECT

    QTemporaryDir work_;

    QString directory() const { return work_.filePath(QStringLiteral("proxy")); }

    QByteArray play(int& status) const {
        QProcess ansible;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_STATE_HOME"), work_.filePath(QStringLiteral("state")));
        environment.insert(QStringLiteral("ANSIBLE_LOCAL_TEMP"), work_.filePath(QStringLiteral("ansible")));
        environment.insert(QStringLiteral("ANSIBLE_REMOTE_TEMP"), work_.filePath(QStringLiteral("ansible")));
        environment.insert(QStringLiteral("ANSIBLE_NOCOLOR"), QStringLiteral("1"));
        ansible.setProcessEnvironment(environment);
        ansible.setProcessChannelMode(QProcess::MergedChannels);
        ansible.start(QStringLiteral("ansible-playbook"),
                      {QStringLiteral("-i"), QStringLiteral("localhost,"), QStringLiteral("-c"),
                       QStringLiteral("local"), QStringLiteral("-e"), QStringLiteral("glym_hosts=localhost"),
                       QStringLiteral("-e"), QStringLiteral("glymconf=" GLYM_EXECUTABLE), QStringLiteral("-e"),
                       QStringLiteral("glym_dir=") + directory(),
                       QStringLiteral(GLYM_TEST_DATA "/../../examples/ansible/glymconf.yml")});
        status = ansible.waitForFinished(60000) ? ansible.exitCode() : -1;
        return ansible.readAll();
    }

private slots:
    void initTestCase() {
        if (QStandardPaths::findExecutable(QStringLiteral("ansible-playbook")).isEmpty())
            QSKIP("ansible-playbook is not installed (scripts/install-deps --with-ansible)");
        QVERIFY(QDir().mkpath(directory()));
        for (const char* name : {"glym30.ini", "access.txt", "skip.txt", "router.txt"})
            QVERIFY(QFile::copy(QStringLiteral(GLYM_TEST_DATA "/../../examples/") + QLatin1String(name),
                                directory() + QLatin1Char('/') + QLatin1String(name)));
    }

    void changesOnceThenNothing() {
        int status = -1;
        const QByteArray first = play(status);
        QVERIFY2(status == 0, first.constData());
        QVERIFY2(first.contains("changed=4"), first.constData()); // the settings' diff and save, the rules' too
        QFile access(directory() + QStringLiteral("/access.txt"));
        QVERIFY(access.open(QIODevice::ReadOnly));
        const QByteArray rules = access.readAll();
        QVERIFY(rules.contains("PD:2:example.com:\r\n"));
        QVERIFY(rules.contains("GD:2:192.168.50.0:255.255.255.0:Guests LAN\r\n"));

        const QByteArray second = play(status);
        QVERIFY2(status == 0, second.constData());
        QVERIFY2(second.contains("changed=0"), second.constData());
    }
};

QTEST_GUILESS_MAIN(TestAnsibleExample)
#include "test_ansibleexample.moc"
