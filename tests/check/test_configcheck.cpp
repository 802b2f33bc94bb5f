#include "check/ConfigCheck.h"

#include "common/CoreTestSupport.h"

#include <QTemporaryDir>
#include <QTest>

#include <sstream>
#include <sys/stat.h>

using namespace coretest;

// The configuration check as a script sees it: what it prints and its exit status. The prepared directories under
// tests/data/check hold glym30.ini with its rule files; <name>.out beside them is what the check prints for them.
class TestConfigCheck : public QObject {
    Q_OBJECT

    struct Printed {
        QByteArray out;
        QByteArray errors;
        int status = -1;
    };
    static Printed check(const QString& directory) {
        std::ostringstream out;
        std::ostringstream errors;
        const int status = printCheckReport(checkConfiguration(directory.toStdString()), out, errors);
        return {qbytes(out.str()), qbytes(errors.str()), status};
    }

private slots:
    void initTestCase() { QVERIFY(QDir::setCurrent(QStringLiteral(GLYM_TEST_DATA "/check"))); }

    void preparedDirectories_data() {
        QTest::addColumn<QString>("directory");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("errors");
        QTest::addColumn<int>("status");

        QTest::newRow("the sample is clean") << "../../../examples" << QByteArray() << QByteArray() << 0;
        // Every kind of finding, in glym30.ini and in three separate rule files.
        QTest::newRow("faulty") << "faulty" << readBytes("faulty.out") << QByteArray() << 1;
        // One file named in two spellings is one file: its lines are reported once, under its first name, and a
        // line one loader keeps is not reported for the other.
        QTest::newRow("shared") << "shared" << readBytes("shared.out") << QByteArray() << 1;
        // Ports and addresses: manual services on one local port or on the proxy's own (as numbers: "025" is
        // 25), and network rules whose address or mask is not in IPv4 dotted form.
        QTest::newRow("ports and addresses") << "ports" << readBytes("ports.out") << QByteArray() << 1;
        // A rule file that cannot be read: the others are still checked.
        QTest::newRow("unreadable") << "unreadable" << readBytes("unreadable.out")
                                    << QByteArray("Cannot read file \"unreadable/skip.txt\". Is a directory\n") << 2;
        QTest::newRow("no glym30.ini") << "." << QByteArray()
                                       << QByteArray("Cannot open file \"./glym30.ini\". No such file or directory\n")
                                       << 2;
    }
    void preparedDirectories() {
        QFETCH(QString, directory);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, errors);
        QFETCH(int, status);
        const Printed printed = check(directory);
        QCOMPARE(printed.out, out);
        QCOMPARE(printed.errors, errors);
        QCOMPARE(printed.status, status);
    }

    // Absolute rule-file names are printed as they are; a named pipe in place of a rule file is reported at once
    // instead of holding the check up; messages reach the terminal as UTF-8.
    void namesOutsideTheDirectory() {
        QTemporaryDir settings;
        QTemporaryDir rules;
        const QString access = rules.filePath(QStringLiteral("access.txt"));
        QVERIFY(writeBytes(access, "GN:1:\xCE\xF4\xE8\xF1:\r\nGD:\xF1\xE5\xEC\xFC:10.0.0.0:255.0.0.0:\r\n"));
        QVERIFY(::mkfifo(qPrintable(settings.filePath(QStringLiteral("pipe"))), 0600) == 0);
        QVERIFY(writeBytes(settings.filePath(QStringLiteral("glym30.ini")),
                           "[Cache Skip]\r\nFile Name=pipe\r\n[Check]\r\nFile Name=" + access.toLocal8Bit() + "\r\n"));

        const Printed printed = check(settings.path() + QLatin1Char('/'));
        QCOMPARE(printed.out,
                 access.toUtf8() +
                     QByteArray(":2: group \"\xD1\x81\xD0\xB5\xD0\xBC\xD1\x8C\" is not a number from 0 to 64\n"));
        QCOMPARE(printed.errors,
                 QByteArray("Cannot read file \"") + settings.path().toLocal8Bit() + "/pipe\". Not a regular file\n");
        QCOMPARE(printed.status, 2);
    }
};

QTEST_APPLESS_MAIN(TestConfigCheck)
#include "test_configcheck.moc"
