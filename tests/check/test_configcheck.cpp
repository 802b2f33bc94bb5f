#include "check/ConfigCheck.h"

#include "common/CoreTestSupport.h"

#include <QTemporaryDir>
#include <QTest>

#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

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
        // Rule files starting with a UTF-8 signature: reported on line 1, once for a file two settings name; the
        // load skips the signature, so the first lines count as rules (no "unknown tag" for them).
        QTest::newRow("signature") << "signature" << readBytes("signature.out") << QByteArray() << 1;
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

    // A directory whose name holds a line break, another control character or a quote: each finding is still one
    // line, its file name quoted with C escapes; other names are printed as they are (a backslash too). The
    // message of an unreadable file names it with its control characters escaped.
    void namesArePrintedOnOneLine_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("printed"); // the directory as the finding prints it, "%1" for the one it is in
        QTest::addColumn<QByteArray>("inMessage");

        QTest::newRow("plain") << QByteArray("conf") << QByteArray("%1/conf") << QByteArray("%1/conf");
        QTest::newRow("backslash alone") << QByteArray("a\\b") << QByteArray("%1/a\\b") << QByteArray("%1/a\\b");
        QTest::newRow("line break") << QByteArray("con\nf") << QByteArray("\"%1/con\\nf") << QByteArray("%1/con\\nf");
        QTest::newRow("tab and carriage return")
            << QByteArray("a\tb\r") << QByteArray("\"%1/a\\tb\\r") << QByteArray("%1/a\\tb\\r");
        QTest::newRow("other control") << QByteArray("a\x01\x7f") << QByteArray("\"%1/a\\001\\177")
                                       << QByteArray("%1/a\\001\\177");
        QTest::newRow("quote") << QByteArray("say \"hi\"") << QByteArray("\"%1/say \\\"hi\\\"")
                               << QByteArray("%1/say \"hi\"");
        QTest::newRow("backslash and line break")
            << QByteArray("a\\\nb") << QByteArray("\"%1/a\\\\\\nb") << QByteArray("%1/a\\\\nb");
    }
    void namesArePrintedOnOneLine() {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, printed);
        QFETCH(QByteArray, inMessage);
        QTemporaryDir temporary;
        QVERIFY(temporary.isValid());
        const QByteArray base = QFile::encodeName(temporary.path());
        const QByteArray directory = base + "/" + name;
        QCOMPARE(::mkdir(directory.constData(), 0700), 0);
        QCOMPARE(::mkdir((directory + "/skip.txt").constData(), 0700), 0);
        QVERIFY(writeBytes(QFile::decodeName(directory + "/glym30.ini"),
                           "[Server]\r\nThreads=x\r\n[Cache Skip]\r\nFile Name=skip.txt\r\n"));

        std::ostringstream out;
        std::ostringstream errors;
        const int status = printCheckReport(checkConfiguration(stdbytes(directory)), out, errors);
        QByteArray file = printed.replace("%1", base) + "/glym30.ini";
        if (file.startsWith('"'))
            file += '"';
        QCOMPARE(qbytes(out.str()), file + ":2: [Server] Threads: \"x\" is not a whole number\n");
        QCOMPARE(qbytes(errors.str()),
                 "Cannot read file \"" + inMessage.replace("%1", base) + "/skip.txt\". Is a directory\n");
        QCOMPARE(status, 2);
    }

    // A glym30.ini in UTF-16 reads as no settings at all; a rule file that is another file of the proxy's would have
    // rules written over it by the next save; a save cut short left a file. Each is a finding ("%1" stands for the
    // directory).
    void filesASaveWouldDestroy_data() {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QString>("out");
        QByteArray utf16;
        for (const char c : QByteArray("[Check]\r\nFile Name=access.txt\r\n"))
            utf16 += QByteArray(1, c) + QByteArray(1, '\0');
        QTest::newRow("UTF-16") << utf16
                                << "%1/glym30.ini:1: UTF-16 text: the file should be Windows-1251 text (it "
                                   "reads as no settings at all)\n";
        QTest::newRow("access rules in glym30.ini")
            << QByteArray("[Check]\r\nFile Name=glym30.ini\r\n")
            << "%1/glym30.ini:2: [Check] File Name: The access rules file \"%1/glym30.ini\" is the server settings "
               "file: saving rules there would destroy it.\n";
        QTest::newRow("leftover of a save cut short")
            << QByteArray("[Check]\r\nFile Name=access.txt\r\n")
            << "%1/access.txt.Q7rT2x:0: is left over from a save that was cut short (the new content that "
               "%1/access.txt never received)\n";
        QTest::newRow("cache-skip rules in the log")
            << QByteArray("[Connect Log]\r\nFile Name=connect.log\r\n[Cache Skip]\r\nFile Name=./connect.log\r\n")
            << "%1/glym30.ini:4: [Cache Skip] File Name: The cache-skip rules file \"%1/./connect.log\" is the "
               "proxy's connection log: saving rules there would destroy it.\n";
    }
    void filesASaveWouldDestroy() {
        QFETCH(QByteArray, settings);
        QFETCH(QString, out);
        QTemporaryDir dir;
        QVERIFY(writeBytes(dir.filePath(QStringLiteral("glym30.ini")), settings));
        QVERIFY(writeBytes(dir.filePath(QStringLiteral("connect.log")), "log\r\n"));
        QVERIFY(writeBytes(dir.filePath(QStringLiteral("access.txt")), "GN:1:Office:\r\n"));
        QVERIFY(writeBytes(dir.filePath(QStringLiteral("access.txt.Q7rT2x")), "GN:1:Offi"));
        const Printed printed = check(dir.path());
        const QString printedOut = QString::fromUtf8(printed.out);
        QVERIFY2(printedOut.contains(out.arg(dir.path())), qPrintable(printedOut));
        QCOMPARE(printed.status, 1);
    }

    // The proxy reads these settings as whole numbers, its ports from 1 to 65535; the check says which it cannot.
    void settingNumbers_data() {
        QTest::addColumn<QByteArray>("server");
        QTest::addColumn<QByteArray>("finding");
        QTest::newRow("port above 65535")
            << QByteArray("Port=99999") << QByteArray("[Server] Port: \"99999\" is too large: at most 65535");
        QTest::newRow("port 0") << QByteArray("Port=0") << QByteArray("[Server] Port: \"0\" is too small: at least 1");
        QTest::newRow("port 65535") << QByteArray("Port=65535") << QByteArray();
        QTest::newRow("port in hexadecimal") << QByteArray("Port=$FFFF") << QByteArray();
        QTest::newRow("parent port above 65535")
            << QByteArray("Master=gate:70000")
            << QByteArray("[Server] Master: port \"70000\" is too large: at most 65535");
        QTest::newRow("parent port not a number")
            << QByteArray("Master=gate:x") << QByteArray("[Server] Master: port \"x\" is not a whole number");
        QTest::newRow("threads") << QByteArray("Threads=lots")
                                 << QByteArray("[Server] Threads: \"lots\" is not a whole number");
        QTest::newRow("many threads") << QByteArray("Threads=99999") << QByteArray();
        QTest::newRow("threads beyond 64 bits")
            << QByteArray("Threads=99999999999999999999")
            << QByteArray("[Server] Threads: \"99999999999999999999\" is too large: at most 9223372036854775807");
        QTest::newRow("threads below 64 bits")
            << QByteArray("Threads=-99999999999999999999")
            << QByteArray("[Server] Threads: \"-99999999999999999999\" is too small: at least -9223372036854775808");
    }
    void settingNumbers() {
        QFETCH(QByteArray, server);
        QFETCH(QByteArray, finding);
        QTemporaryDir directory;
        QVERIFY(writeBytes(directory.filePath(QStringLiteral("glym30.ini")), "[Server]\r\n" + server + "\r\n"));
        const Printed printed = check(directory.path());
        QCOMPARE(printed.out,
                 finding.isEmpty() ? QByteArray() : directory.path().toUtf8() + "/glym30.ini:2: " + finding + "\n");
        QCOMPARE(printed.status, finding.isEmpty() ? 0 : 1);
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

    // Links in a world-writable sticky directory that a save would refuse to follow: glym30.ini itself, a rule file
    // and a directory on the way to one, each made by another user; a link of the user checking is fine. Each
    // finding names the link and its owner ("%1" stands for the directory).
    void plantedLinksAreReported_data() {
        QTest::addColumn<QString>("link");   // its name in the directory, made by uid 65534
        QTest::addColumn<QString>("target"); // relative to the directory
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QString>("out");
        const QByteArray access = "[Server]\r\nPort=3128\r\n[Check]\r\nFile Name=access.txt\r\n";
        const QString owner = QStringLiteral(" is a symbolic link of user 65534 (\"nobody\"), which may lead anywhere");
        QTest::newRow("glym30.ini") << "glym30.ini"
                                    << "real/glym30.ini" << access << "%1/glym30.ini:1: it" + owner;
        QTest::newRow("the access rules file")
            << "access.txt"
            << "real/access.txt" << access
            << "%1/glym30.ini:4: [Check] File Name: the access rules file \"access.txt\": it" + owner;
        QTest::newRow("a directory on the way")
            << "rules"
            << "real" << QByteArray("[Cache Skip]\r\nFile Name=rules/skip.txt\r\n")
            << "%1/glym30.ini:2: [Cache Skip] File Name: the cache-skip file \"rules/skip.txt\": %1/rules" + owner;
    }
    void plantedLinksAreReported() {
        QFETCH(QString, link);
        QFETCH(QString, target);
        QFETCH(QByteArray, settings);
        QFETCH(QString, out);
        if (::geteuid() != 0)
            QSKIP("making a link of another user needs root");
        QTemporaryDir dir;
        QCOMPARE(::chmod(QFile::encodeName(dir.path()).constData(), 01777), 0);
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("real")));
        for (const char* name : {"glym30.ini", "real/glym30.ini"})
            QVERIFY(writeBytes(dir.filePath(QLatin1String(name)), settings));
        for (const char* name : {"access.txt", "real/access.txt", "real/skip.txt"})
            QVERIFY(writeBytes(dir.filePath(QLatin1String(name)), ""));
        const QByteArray name = QFile::encodeName(dir.filePath(link));
        QFile::remove(dir.filePath(link)); // the link takes the name of a file made above, if any
        QCOMPARE(::symlink(QFile::encodeName(target).constData(), name.constData()), 0);
        const Printed asRoot = check(dir.path());
        QCOMPARE(asRoot.out, QByteArray()); // root's own link is followed
        QCOMPARE(::lchown(name.constData(), 65534, 65534), 0);

        const Printed printed = check(dir.path());
        const QString printedOut = QString::fromUtf8(printed.out);
        QVERIFY2(printedOut.startsWith(out.arg(dir.path())), qPrintable(printedOut));
        QVERIFY2(printedOut.endsWith(QStringLiteral("or to the owner of its directory (user 0 (\"root\"))\n")),
                 qPrintable(printedOut));
        QCOMPARE(printedOut.count(u'\n'), 1);
        QCOMPARE(printed.status, 1);
    }
};

QTEST_APPLESS_MAIN(TestConfigCheck)
#include "test_configcheck.moc"
