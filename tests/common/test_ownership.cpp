#include "common/Error.h"
#include "common/FileIo.h"

#include "common/CoreTestSupport.h"

#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace coretest;

// A save keeps the owner, group and mode of the file it replaces. Where a new file cannot have them (a colleague
// of the file's group saves it) or cannot be made (a directory only root may write in), the file is written in
// place once its old content is safe. The cases that change users run as root and drop privileges in a child.
namespace {

constexpr uid_t kNobody = 65534;
constexpr gid_t kShared = 4242;

struct Outcome {
    bool ok = false;
    std::string said; // the note, or the error
};

// Runs the write in a child process as uid kNobody, gid kNobody, member of kShared.
Outcome writeAsColleague(const std::function<std::string()>& write) {
    int channel[2];
    if (::pipe(channel) != 0)
        return {false, "no pipe"};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        const gid_t groups[] = {kShared};
        Outcome outcome;
        if (::setgroups(1, groups) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
            outcome.said = "cannot drop privileges";
        } else {
            try {
                outcome.said = write();
                outcome.ok = true;
            } catch (const GlymError& error) {
                outcome.said = error.what();
            }
        }
        const std::string message = (outcome.ok ? "1" : "0") + outcome.said;
        [[maybe_unused]] const auto written = ::write(channel[1], message.data(), message.size());
        ::_exit(0);
    }
    ::close(channel[1]);
    std::string message;
    char buffer[512];
    for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        message.append(buffer, static_cast<std::size_t>(got));
    ::close(channel[0]);
    ::waitpid(child, nullptr, 0);
    if (message.empty())
        return {false, "the child said nothing"};
    return {message[0] == '1', message.substr(1)};
}

std::string contentOf(const std::string& path) {
    return readBytes(QString::fromStdString(path)).toStdString();
}

void put(const std::string& path, const char* bytes) {
    writeBytes(QString::fromStdString(path), QByteArray(bytes));
}

struct stat statOf(const std::string& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info;
}

} // namespace

class OwnershipTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        if (::geteuid() != 0)
            QSKIP("changing owners and users needs root");
    }

    // Root saving a colleague's file: the replacement takes the file's owner, group and mode.
    void replacementKeepsOwnerGroupAndMode() {
        QTemporaryDir dir;
        const std::string file = dir.filePath(QStringLiteral("access.txt")).toStdString();
        put(file, "old\r\n");
        QCOMPARE(::chown(file.c_str(), 4321, kShared), 0);
        QCOMPARE(::chmod(file.c_str(), 0640), 0);
        const ino_t before = statOf(file).st_ino;
        QCOMPARE(writeFileAtomically(file, "new\r\n", {.keepBackup = true}), std::string());
        const struct stat after = statOf(file);
        QVERIFY(after.st_ino != before); // replaced, not written over
        QCOMPARE(after.st_uid, uid_t(4321));
        QCOMPARE(after.st_gid, kShared);
        QCOMPARE(after.st_mode & 07777, mode_t(0640));
        QCOMPARE(contentOf(file), std::string("new\r\n"));
        QCOMPARE(contentOf(file + ".bak"), std::string("old\r\n"));
    }

    // A member of the file's group saves: in a group-writable directory the file is written in place (a new file
    // would be the colleague's own); in a directory only root may write, too. Without a backup, the safety copy
    // of the old content is gone afterwards; with a backup, the backup holds it. A backup that cannot be made
    // stops the save before the file is touched.
    void colleagueWritesInPlace_data() {
        QTest::addColumn<mode_t>("directoryMode");
        QTest::addColumn<gid_t>("directoryGroup");
        QTest::addColumn<bool>("keepBackup");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<QString>("said");
        QTest::newRow("group-shared directory, backup")
            << mode_t(0775) << kShared << true << true << "written in place";
        QTest::newRow("group-shared directory, no backup")
            << mode_t(0775) << kShared << false << true << "written in place";
        QTest::newRow("directory of root, no backup")
            << mode_t(0755) << gid_t(0) << false << true << "written in place";
        QTest::newRow("directory of root, backup impossible")
            << mode_t(0755) << gid_t(0) << true << false << "cannot be kept as";
    }
    void colleagueWritesInPlace() {
        QFETCH(mode_t, directoryMode);
        QFETCH(gid_t, directoryGroup);
        QFETCH(bool, keepBackup);
        QFETCH(bool, saved);
        QFETCH(QString, said);
        QTemporaryDir top;
        QCOMPARE(::chmod(top.path().toLocal8Bit().constData(), 0755), 0);
        const std::string dir = top.filePath(QStringLiteral("glym")).toStdString();
        const std::string scratch = top.filePath(QStringLiteral("tmp")).toStdString();
        QCOMPARE(::mkdir(dir.c_str(), 0), 0);
        QCOMPARE(::mkdir(scratch.c_str(), 01777), 0);
        QCOMPARE(::chmod(scratch.c_str(), 01777), 0);
        const std::string file = dir + "/glym30.ini";
        put(file, "[Server]\r\nPort=3128\r\n");
        QCOMPARE(::chown(file.c_str(), 0, kShared), 0);
        QCOMPARE(::chmod(file.c_str(), 0660), 0);
        QCOMPARE(::chown(dir.c_str(), 0, directoryGroup), 0);
        QCOMPARE(::chmod(dir.c_str(), directoryMode), 0);
        const ino_t before = statOf(file).st_ino;
        ::setenv("TMPDIR", scratch.c_str(), 1);

        const Outcome outcome = writeAsColleague(
            [&] { return writeFileAtomically(file, "[Server]\r\nPort=8080\r\n", {.keepBackup = keepBackup}); });
        ::unsetenv("TMPDIR");
        QCOMPARE(outcome.ok, saved);
        QVERIFY2(QString::fromStdString(outcome.said).contains(said), outcome.said.c_str());
        const struct stat after = statOf(file);
        QCOMPARE(after.st_ino, before);
        QCOMPARE(after.st_uid, uid_t(0));
        QCOMPARE(after.st_gid, kShared);
        QCOMPARE(after.st_mode & 07777, mode_t(0660));
        QCOMPARE(contentOf(file), std::string(saved ? "[Server]\r\nPort=8080\r\n" : "[Server]\r\nPort=3128\r\n"));
        if (saved && keepBackup)
            QCOMPARE(contentOf(file + ".bak"), std::string("[Server]\r\nPort=3128\r\n"));
        // No safety copy or temporary file is left anywhere.
        const QStringList left = QDir(QString::fromStdString(dir)).entryList(QDir::Files | QDir::Hidden) +
                                 QDir(QString::fromStdString(scratch)).entryList(QDir::Files | QDir::Hidden);
        QStringList expected = {QStringLiteral("glym30.ini")};
        if (saved && keepBackup)
            expected << QStringLiteral("glym30.ini.bak");
        QCOMPARE(left, expected);
    }
};

QTEST_GUILESS_MAIN(OwnershipTest)
#include "test_ownership.moc"
