#include "common/Error.h"
#include "common/FileIo.h"
#include "rules/RulesFile.h"

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

// A symbolic link as user owner made it.
bool plantLink(const std::string& target, const std::string& link, uid_t owner) {
    return ::symlink(target.c_str(), link.c_str()) == 0 && ::lchown(link.c_str(), owner, owner) == 0;
}

// The directory's entries, hidden ones too, sorted.
QStringList entriesOf(const std::string& directory) {
    QStringList names = QDir(QString::fromStdString(directory))
                            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    names.sort();
    return names;
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

    // A rule file missing in a world-writable sticky directory: anyone may put a link under its name. Root follows
    // a link only when it is root's own or the directory owner's; any other is refused before anything is
    // written, naming the link and its owner, also when it lies on the way to the file or behind a link of root's.
    // Reading through it is harmless and stays possible.
    void plantedLinks_data() {
        QTest::addColumn<uid_t>("directoryOwner");
        QTest::addColumn<QString>("name");      // written, in the sticky directory
        QTest::addColumn<QStringList>("links"); // "name>target>owner", in the sticky directory, made in this order
        QTest::addColumn<QString>("refused");   // the link named in the error; empty when the save follows
        QTest::addColumn<QString>("owner");     // its owner, as the error names it
        const QString secret = QStringLiteral("../root/secret.txt");
        QTest::newRow("another user's link")
            << uid_t(0) << "access.txt" << QStringList{"access.txt>" + secret + ">65534"} << "it"
            << "user 65534 (\"nobody\")";
        QTest::newRow("root's own link") << uid_t(0) << "access.txt" << QStringList{"access.txt>" + secret + ">0"}
                                         << QString() << QString();
        QTest::newRow("the directory owner's link")
            << kNobody << "access.txt" << QStringList{"access.txt>" + secret + ">65534"} << QString() << QString();
        QTest::newRow("another user's link on the way")
            << uid_t(0) << "rules/secret.txt" << QStringList{"rules>../root>65534"} << "%1/rules"
            << "user 65534 (\"nobody\")";
        QTest::newRow("root's link to another user's link")
            << uid_t(0) << "access.txt" << QStringList{"other.txt>" + secret + ">4321", "access.txt>other.txt>0"}
            << "%1/other.txt"
            << "user 4321";
    }
    void plantedLinks() {
        QFETCH(uid_t, directoryOwner);
        QFETCH(QString, name);
        QFETCH(QStringList, links);
        QFETCH(QString, refused);
        QFETCH(QString, owner);
        QTemporaryDir top;
        const std::string shared = top.filePath(QStringLiteral("tmp")).toStdString();
        const std::string root = top.filePath(QStringLiteral("root")).toStdString();
        QCOMPARE(::mkdir(shared.c_str(), 0), 0);
        QCOMPARE(::chmod(shared.c_str(), 01777), 0);
        QCOMPARE(::chown(shared.c_str(), directoryOwner, directoryOwner), 0);
        QCOMPARE(::mkdir(root.c_str(), 0700), 0);
        const std::string secret = root + "/secret.txt";
        put(secret, "root:secret\n");
        QCOMPARE(::chmod(secret.c_str(), 0600), 0);
        for (const QString& link : links) {
            const QStringList parts = link.split(u'>');
            QVERIFY(plantLink(parts[1].toStdString(), shared + "/" + parts[0].toStdString(), parts[2].toUInt()));
        }
        const std::string path = shared + "/" + name.toStdString();
        QCOMPARE(contentOf(path), std::string("root:secret\n")); // reading follows every link

        std::string error;
        try {
            writeFileAtomically(path, "IA:1:user:pass:\r\n", {.keepBackup = true});
        } catch (const GlymError& e) {
            error = e.what();
        }
        if (refused.isEmpty()) {
            QCOMPARE(error, std::string());
            QCOMPARE(contentOf(secret), std::string("IA:1:user:pass:\r\n"));
            QCOMPARE(contentOf(secret + ".bak"), std::string("root:secret\n"));
            return;
        }
        const std::string link =
            (refused.contains(u'%') ? refused.arg(QString::fromStdString(shared)) : refused).toStdString();
        const std::string expected = "Unable to write to " + path + ": " + link + " is a symbolic link of " +
                                     owner.toStdString() + ", which may lead anywhere";
        QVERIFY2(error.starts_with(expected), error.c_str());
        QVERIFY2(error.ends_with(". " + path + " is unchanged."), error.c_str());
        QCOMPARE(contentOf(secret), std::string("root:secret\n"));
        QCOMPARE(entriesOf(root), QStringList{QStringLiteral("secret.txt")});
        QCOMPARE(statOf(secret).st_mode & 07777, mode_t(0600));
    }

    // A new rule file takes the group of glym30.ini as well as its mode. A user who may not give it that group
    // (not a member) keeps the group's permissions from the file's own group and is told; existing files keep
    // theirs.
    void newRuleFileTakesTheGroupOfTheSettings_data() {
        QTest::addColumn<bool>("asColleague");
        QTest::addColumn<gid_t>("settingsGroup");
        QTest::addColumn<mode_t>("settingsMode");
        QTest::addColumn<gid_t>("newGroup");
        QTest::addColumn<mode_t>("newMode");
        QTest::addColumn<QString>("note");
        QTest::newRow("root") << false << kShared << mode_t(0640) << kShared << mode_t(0640) << QString();
        QTest::newRow("a member of the group")
            << true << kShared << mode_t(0660) << kShared << mode_t(0640) << QString();
        QTest::newRow("not a member of the group")
            << true << gid_t(4343) << mode_t(0644) << gid_t(kNobody) << mode_t(0644)
            << "access.txt is new and may not be given the group 4343 of ";
        QTest::newRow("not a member, group readable only")
            << true << gid_t(4343) << mode_t(0640) << gid_t(kNobody) << mode_t(0600)
            << "which may do no more with it than others.";
    }
    void newRuleFileTakesTheGroupOfTheSettings() {
        QFETCH(bool, asColleague);
        QFETCH(gid_t, settingsGroup);
        QFETCH(mode_t, settingsMode);
        QFETCH(gid_t, newGroup);
        QFETCH(mode_t, newMode);
        QFETCH(QString, note);
        QTemporaryDir top;
        QCOMPARE(::chmod(top.path().toLocal8Bit().constData(), 0777), 0);
        const std::string dir = top.path().toStdString();
        const std::string settings = dir + "/glym30.ini";
        put(settings, "[Check]\r\nFile Name=access.txt\r\n");
        QCOMPARE(::chown(settings.c_str(), 0, settingsGroup), 0);
        QCOMPARE(::chmod(settings.c_str(), settingsMode), 0);
        const mode_t old = ::umask(022);
        auto save = [&] {
            const std::vector<std::string> notes =
                writeRuleFiles({{dir + "/access.txt", "IA:1:user:pass:\r\n"}}, settings);
            return notes.empty() ? std::string() : notes.front();
        };
        const Outcome outcome = asColleague ? writeAsColleague(save) : Outcome{true, save()};
        ::umask(old);
        QVERIFY2(outcome.ok, outcome.said.c_str());
        if (note.isEmpty())
            QCOMPARE(outcome.said, std::string());
        else
            QVERIFY2(QString::fromStdString(outcome.said).contains(note), outcome.said.c_str());
        const struct stat created = statOf(dir + "/access.txt");
        QCOMPARE(created.st_gid, newGroup);
        QCOMPARE(created.st_mode & 07777, newMode);
        QCOMPARE(contentOf(dir + "/access.txt"), std::string("IA:1:user:pass:\r\n"));
    }
};

QTEST_GUILESS_MAIN(OwnershipTest)
#include "test_ownership.moc"
