#include "common/FileIo.h"
#include "common/FileRecord.h"

#include "common/CoreTestSupport.h"
#include "config/IniFile.h"

#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>

using namespace coretest;

// What a reading or a writing leaves known about a file, and how a later look at the disk compares with it.
class TestFileRecord : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString previous_;

    // Gives the file another modification time, as a later write would.
    static void setTime(const std::string& path, long seconds) {
        const timespec times[2] = {{0, UTIME_NOW}, {seconds, 0}};
        QCOMPARE(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    }

private slots:
    void init() {
        previous_ = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir_.path()));
    }
    void cleanup() { QDir::setCurrent(previous_); }

    // What happens to the file after it was read, and what the record makes of it.
    void changeOnDisk_data() {
        QTest::addColumn<QByteArray>("before"); // null: no file when it is read
        QTest::addColumn<QByteArray>("after");  // null: no file when it is compared
        QTest::addColumn<bool>("newTime");      // the file gets another modification time
        QTest::addColumn<int>("expected");

        QTest::newRow("untouched") << QByteArray("a\r\n") << QByteArray("a\r\n") << false << int(DiskChange::None);
        QTest::newRow("same bytes, new time")
            << QByteArray("a\r\n") << QByteArray("a\r\n") << true << int(DiskChange::None);
        QTest::newRow("same size, other bytes")
            << QByteArray("a\r\n") << QByteArray("b\r\n") << true << int(DiskChange::Changed);
        QTest::newRow("other size") << QByteArray("a\r\n") << QByteArray("ab\r\n") << false << int(DiskChange::Changed);
        QTest::newRow("deleted") << QByteArray("a\r\n") << QByteArray() << false << int(DiskChange::Deleted);
        QTest::newRow("created") << QByteArray() << QByteArray("") << false << int(DiskChange::Created);
        QTest::newRow("still missing") << QByteArray() << QByteArray() << false << int(DiskChange::None);
    }
    void changeOnDisk() {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QFETCH(bool, newTime);
        QFETCH(int, expected);
        const std::string name = "rules.txt";
        QFile::remove(QString::fromStdString(name));
        if (!before.isNull())
            QVERIFY(writeBytes(QString::fromStdString(name), before));
        FileRecord record;
        {
            const FileRecord::Recording recording(record);
            readWholeFileIfPresent(name);
        }
        QFile::remove(QString::fromStdString(name));
        if (!after.isNull()) // a new file, as an editor that saves by renaming writes it
            QVERIFY(writeBytes(QString::fromStdString(name), after));
        if (newTime)
            setTime(name, 1'000'000'000);
        QCOMPARE(int(record.changeOnDisk(name)), expected);
        // Another spelling of the same file is the same file.
        QCOMPARE(int(record.changeOnDisk("./" + name)), expected);
        QCOMPARE(int(record.changeOnDisk("other.txt")), int(DiskChange::None));
    }

    // A write noted by the record is what the disk holds; reads while a save records only its writes are not.
    void writesAndReadsOfASave() {
        const std::string ini = "glym30.ini";
        QVERIFY(writeBytes(QString::fromStdString(ini), "[Server]\r\nPort=1\r\n"));
        FileRecord record;
        {
            const FileRecord::Recording recording(record);
            IniSession session(ini);
            QCOMPARE(session.readString("Server", "Port", ""), std::string("1"));
        }
        QVERIFY(writeBytes(QString::fromStdString(ini), "[Server]\r\nPort=22\r\n")); // someone else
        {
            const FileRecord::Recording recording(record, true);
            IniSession session(ini); // reads the change: not noted
            QCOMPARE(int(record.changeOnDisk(ini)), int(DiskChange::Changed));
            session.writeString("Server", "Port", "3");
            session.commit();
            writeFileAtomically("rules.txt", "x\r\n", {.keepBackup = true});
        }
        QCOMPARE(int(record.changeOnDisk(ini)), int(DiskChange::None));
        QCOMPARE(int(record.changeOnDisk("rules.txt")), int(DiskChange::None));
        setTime("rules.txt", 1'000'000'000);
        QCOMPARE(int(record.changeOnDisk("rules.txt")), int(DiskChange::None));
        QVERIFY(writeBytes("rules.txt", "y\r\n"));
        QCOMPARE(int(record.changeOnDisk("rules.txt")), int(DiskChange::Changed));
    }

    // A file that exists but cannot be read is known with the reason; reading it again successfully forgets that.
    void unreadableFilesAreKnownAsSuch() {
        QVERIFY(QDir().mkdir(QStringLiteral("access.txt")));
        FileRecord record;
        {
            const FileRecord::Recording recording(record);
            QVERIFY_THROWS_EXCEPTION(std::exception, readWholeFileIfPresent("access.txt"));
            QVERIFY(IniSession("access.txt").readString("a", "b", "c") == "c");
        }
        QCOMPARE(record.unreadable("access.txt").value_or("<readable>"), std::string("Is a directory"));
        QCOMPARE(int(record.changeOnDisk("access.txt")), int(DiskChange::None));
        QVERIFY(QDir().rmdir(QStringLiteral("access.txt")));
        QVERIFY(writeBytes(QStringLiteral("access.txt"), "GN:1:a:\r\n"));
        {
            const FileRecord::Recording recording(record);
            readWholeFile("access.txt");
        }
        QVERIFY(!record.unreadable("access.txt"));
        // Without a recording nothing is noted.
        QVERIFY(!FileRecord().unreadable("access.txt"));
        readWholeFile("access.txt");
        QVERIFY(!record.unreadable("access.txt"));
    }
};

QTEST_GUILESS_MAIN(TestFileRecord)
#include "test_filerecord.moc"
