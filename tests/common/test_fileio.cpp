#include "common/Error.h"
#include "common/FileIo.h"
#include "rules/RulesFile.h"

#include "common/CoreTestSupport.h"

#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace coretest;

Q_DECLARE_METATYPE(QByteArrayList)

// Text lines of the proxy's files and the one function that writes every saved file.
class TestFileIo : public QObject {
    Q_OBJECT

private slots:
    void init();

    void splitTextLines_data();
    void splitTextLines();
    void joinCrLfLines_data();
    void joinCrLfLines();
    void joinThenSplitGivesTheLinesBack();

    void fileExistsOnlyForFiles();
    void readWholeFileReadsEveryByte();
    void readWholeFileOfMissingFileThrows();
    void onlyRegularFilesAreReadOrWritten_data();
    void onlyRegularFilesAreReadOrWritten();
    void readWholeFileIfPresentIsNothingForMissing();
    void sameFile_data();
    void sameFile();

    void newFileGetsDefaultPermissions();
    void newRuleFileTakesTheModeOfTheSettings_data();
    void newRuleFileTakesTheModeOfTheSettings();
    void backupHoldsThePreviousContent();
    void staleBackupOfMissingFileIsDeleted();
    void backupLeftAloneWithoutKeepBackup();
    void permissionsAreKept_data();
    void permissionsAreKept();
    void ownerIsKept();
    void relativePathWritesInCurrentDirectory();
    void symbolicLinkIsFollowed();
    void danglingLinkIsRefused();

    void writeProtectedFileIsRefused_data();
    void writeProtectedFileIsRefused();
    void writeProtectedFileIsReplacedWhenAllowed();
    void missingDirectoryFails();
    void directoryInPlaceOfFileFails();
    void directoryInPlaceOfBackupFailsBeforeAnyChange();
    void failedWriteLeavesOldFileAndOldBackup();

private:
    QString path(const QString& name) const { return dir_->filePath(name); }
    std::string stdPath(const QString& name) const { return path(name).toStdString(); }
    static mode_t modeOf(const QString& file) {
        struct stat info {};
        return ::stat(QFile::encodeName(file).constData(), &info) == 0 ? info.st_mode & 07777 : mode_t(-1);
    }

    std::unique_ptr<QTemporaryDir> dir_;
};

void TestFileIo::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

void TestFileIo::splitTextLines_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArrayList>("lines");

    QTest::newRow("empty") << QByteArray() << QByteArrayList{};
    QTest::newRow("one line without end") << QByteArray("a") << QByteArrayList{"a"};
    QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QByteArrayList{"a", "b"};
    QTest::newRow("LF") << QByteArray("a\nb\n") << QByteArrayList{"a", "b"};
    QTest::newRow("CR") << QByteArray("a\rb\r") << QByteArrayList{"a", "b"};
    QTest::newRow("mixed") << QByteArray("a\rb\nc\r\nd") << QByteArrayList{"a", "b", "c", "d"};
    QTest::newRow("line end only") << QByteArray("\r\n") << QByteArrayList{""};
    QTest::newRow("empty lines kept") << QByteArray("a\n\n\nb") << QByteArrayList{"a", "", "", "b"};
    QTest::newRow("CR then CR LF is two ends") << QByteArray("a\r\r\nb") << QByteArrayList{"a", "", "b"};
    QTest::newRow("LF then CR is two ends") << QByteArray("a\n\rb") << QByteArrayList{"a", "", "b"};
    QTest::newRow("trailing empty lines") << QByteArray("a\r\n\r\n\r\n") << QByteArrayList{"a", "", ""};
    QTest::newRow("NUL belongs to its line")
        << QByteArray("a\0b\r\n\0", 6) << QByteArrayList{QByteArray("a\0b", 3), QByteArray("\0", 1)};
    QTest::newRow("blanks kept") << QByteArray("  a \t\r\n") << QByteArrayList{"  a \t"};
    QTest::newRow("high bytes") << QByteArray("\xCF\xF0\xEE\n\xFF") << QByteArrayList{"\xCF\xF0\xEE", "\xFF"};
}

void TestFileIo::splitTextLines() {
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArrayList, lines);
    QCOMPARE(joined(::splitTextLines(stdbytes(bytes))), joined(coretest::lines(lines)));
    QCOMPARE(::splitTextLines(stdbytes(bytes)).size(), std::size_t(lines.size()));
}

void TestFileIo::joinCrLfLines_data() {
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("no lines") << QByteArrayList{} << QByteArray();
    QTest::newRow("one empty line") << QByteArrayList{""} << QByteArray("\r\n");
    QTest::newRow("last line ended too") << QByteArrayList{"a", "b"} << QByteArray("a\r\nb\r\n");
    QTest::newRow("empty lines between") << QByteArrayList{"", "x", ""} << QByteArray("\r\nx\r\n\r\n");
}

void TestFileIo::joinCrLfLines() {
    QFETCH(QByteArrayList, lines);
    QFETCH(QByteArray, bytes);
    QCOMPARE(qbytes(::joinCrLfLines(coretest::lines(lines))), bytes);
}

void TestFileIo::joinThenSplitGivesTheLinesBack() {
    const std::vector<std::string> lines = {"", "GN:0:AllUsers:", "", " SA :x:y", std::string("a\0b", 3), "", ""};
    QCOMPARE(joined(::splitTextLines(::joinCrLfLines(lines))), joined(lines));
    QCOMPARE(::splitTextLines(::joinCrLfLines(lines)).size(), lines.size());
}

void TestFileIo::fileExistsOnlyForFiles() {
    QVERIFY(writeBytes(path("file"), "x"));
    QVERIFY(writeBytes(path("empty"), ""));
    QVERIFY(QDir(dir_->path()).mkdir("sub"));
    QVERIFY(QFile::link(path("nowhere"), path("dangling")));
    QVERIFY(QFile::link(path("file"), path("link")));

    QVERIFY(fileExists(stdPath("file")));
    QVERIFY(fileExists(stdPath("empty")));
    QVERIFY(fileExists(stdPath("link")));
    QVERIFY(!fileExists(stdPath("sub")));
    QVERIFY(!fileExists(stdPath("missing")));
    QVERIFY(!fileExists(stdPath("dangling")));
    QVERIFY(!fileExists(""));
    QCOMPARE(::mkfifo(QFile::encodeName(path("fifo")).constData(), 0600), 0);
    QVERIFY(!fileExists(stdPath("fifo")));
    QVERIFY(!fileExists("/dev/null"));
}

void TestFileIo::readWholeFileReadsEveryByte() {
    QByteArray bytes;
    for (int i = 0; i < 3 * 65536 + 17; ++i) // several read blocks, and every byte value
        bytes += char(i * 7 % 256);
    QVERIFY(writeBytes(path("big"), bytes));
    QCOMPARE(qbytes(readWholeFile(stdPath("big"))), bytes);

    QVERIFY(writeBytes(path("empty"), ""));
    QCOMPARE(qbytes(readWholeFile(stdPath("empty"))), QByteArray());
}

void TestFileIo::readWholeFileOfMissingFileThrows() {
    try {
        readWholeFile(stdPath("missing"));
        QFAIL("no error");
    } catch (const GlymError& error) {
        QVERIFY2(QByteArray(error.what()).startsWith("Cannot open file \"" + path("missing").toUtf8() + "\""),
                 error.what());
    }
}

void TestFileIo::onlyRegularFilesAreReadOrWritten_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("reason");
    QTest::newRow("named pipe") << "fifo" << QByteArray("Not a regular file");
    QTest::newRow("link to a named pipe") << "link to fifo" << QByteArray("Not a regular file");
    QTest::newRow("device") << "null" << QByteArray("Not a regular file");
    QTest::newRow("directory") << "sub" << QByteArray("Is a directory");
}

// A named pipe would block the open (or the first read) for ever and a device might never end: neither is read,
// and neither is replaced by a save, however it is named.
void TestFileIo::onlyRegularFilesAreReadOrWritten() {
    QFETCH(QString, name);
    QFETCH(QByteArray, reason);
    QCOMPARE(::mkfifo(QFile::encodeName(path("fifo")).constData(), 0600), 0);
    QVERIFY(QFile::link(path("fifo"), path("link to fifo")));
    QVERIFY(QDir(dir_->path()).mkdir("sub"));
    if (name == "null" && ::mknod(QFile::encodeName(path("null")).constData(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        QSKIP("only root can make a device (here, one like /dev/null)");
    const QStringList before = entries(dir_->path());

    for (const auto& read : {std::function<void()>([&] { readWholeFile(stdPath(name)); }),
                             std::function<void()>([&] { ::readWholeFileIfPresent(stdPath(name)); })}) {
        try {
            read();
            QFAIL("no error");
        } catch (const GlymError& error) {
            QCOMPARE(QByteArray(error.what()), "Cannot read file \"" + QFile::encodeName(path(name)) + "\". " + reason);
        }
    }
    try {
        writeFileAtomically(stdPath(name), "x", {.keepBackup = true});
        QFAIL("no error");
    } catch (const GlymError& error) {
        QVERIFY2(QByteArray(error.what()).startsWith("Unable to write to "), error.what());
        QVERIFY2(QByteArray(error.what()).contains(": " + reason + ". "), error.what());
    }
    QCOMPARE(entries(dir_->path()), before);
    QVERIFY(QFileInfo(path("fifo")).exists() && !QFileInfo(path("fifo")).isFile());
}

// Missing is nothing; present is its bytes.
void TestFileIo::readWholeFileIfPresentIsNothingForMissing() {
    QVERIFY(!::readWholeFileIfPresent(stdPath("missing")));
    QVERIFY(!::readWholeFileIfPresent(stdPath("missing/below")));
    QVERIFY(!::readWholeFileIfPresent(""));
    QVERIFY(QFile::link(path("nowhere"), path("dangling")));
    QVERIFY(!::readWholeFileIfPresent(stdPath("dangling")));
    QVERIFY(writeBytes(path("empty"), ""));
    QCOMPARE(::readWholeFileIfPresent(stdPath("empty")).value_or("<none>"), std::string());
    QVERIFY(writeBytes(path("file"), "a\r\nb"));
    QCOMPARE(::readWholeFileIfPresent(stdPath("file")).value_or("<none>"), std::string("a\r\nb"));
}

void TestFileIo::sameFile_data() {
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<bool>("same");
    // Names count from the test directory; "<abs>" stands for its absolute path. rules.txt and etc/skip.txt exist.
    QTest::newRow("equal") << "rules.txt"
                           << "rules.txt" << true;
    QTest::newRow("relative and absolute") << "rules.txt"
                                           << "<abs>/rules.txt" << true;
    QTest::newRow("dot") << "rules.txt"
                         << "./rules.txt" << true;
    QTest::newRow("dot-dot") << "rules.txt"
                             << "etc/../rules.txt" << true;
    QTest::newRow("double slash") << "etc/skip.txt"
                                  << "etc//skip.txt" << true;
    QTest::newRow("link to the file") << "rules.txt"
                                      << "link.txt" << true;
    QTest::newRow("link to its directory") << "etc/skip.txt"
                                           << "etclink/skip.txt" << true;
    QTest::newRow("hard link") << "rules.txt"
                               << "hard.txt" << true;
    QTest::newRow("missing, two spellings") << "new.txt"
                                            << "<abs>/etc/../new.txt" << true;
    QTest::newRow("missing, through a linked directory") << "etc/new.txt"
                                                         << "etclink/new.txt" << true;
    QTest::newRow("both empty") << ""
                                << "" << true;
    QTest::newRow("other file") << "rules.txt"
                                << "etc/skip.txt" << false;
    QTest::newRow("same name, other directory") << "skip.txt"
                                                << "etc/skip.txt" << false;
    QTest::newRow("letter case") << "rules.txt"
                                 << "Rules.txt" << false;
    QTest::newRow("existing and missing") << "rules.txt"
                                          << "rules.txt.bak" << false;
    QTest::newRow("empty and a file") << ""
                                      << "rules.txt" << false;
}

// Two spellings of one file are one file; the current directory is where relative names start.
void TestFileIo::sameFile() {
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(bool, same);
    QVERIFY(QDir(dir_->path()).mkdir("etc"));
    QVERIFY(writeBytes(path("rules.txt"), "r"));
    QVERIFY(writeBytes(path("etc/skip.txt"), "s"));
    QVERIFY(QFile::link("rules.txt", path("link.txt")));
    QVERIFY(QFile::link("etc", path("etclink")));
    QCOMPARE(::link(QFile::encodeName(path("rules.txt")).constData(), QFile::encodeName(path("hard.txt")).constData()),
             0);
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir_->path()));
    auto spelled = [this](QString name) {
        return name.replace("<abs>", dir_->path()).toStdString();
    };
    const bool result = ::sameFile(spelled(first), spelled(second));
    const bool reverse = ::sameFile(spelled(second), spelled(first));
    QVERIFY(QDir::setCurrent(previous));
    QCOMPARE(result, same);
    QCOMPARE(reverse, same);
}

void TestFileIo::newFileGetsDefaultPermissions() {
    const mode_t old = ::umask(022);
    writeFileAtomically(stdPath("new.txt"), "abc", {.keepBackup = true});
    ::umask(027);
    writeFileAtomically(stdPath("new2.txt"), "", {});
    ::umask(old);

    QCOMPARE(readBytes(path("new.txt")), QByteArray("abc"));
    QCOMPARE(modeOf(path("new.txt")), mode_t(0644));
    QCOMPARE(readBytes(path("new2.txt")), QByteArray());
    QCOMPARE(modeOf(path("new2.txt")), mode_t(0640));
    QCOMPARE(entries(dir_->path()), QStringList({"new.txt", "new2.txt"})); // no backup of nothing, no leftovers
}

// A rule file the save creates takes the mode of glym30.ini, never wider than the umask allows, the owner always
// reading and writing it; a rule file that exists keeps its own mode, and without glym30.ini the umask decides.
void TestFileIo::newRuleFileTakesTheModeOfTheSettings_data() {
    QTest::addColumn<int>("settingsMode"); // -1: no glym30.ini
    QTest::addColumn<int>("umask");
    QTest::addColumn<int>("newMode");
    QTest::newRow("private settings") << 0600 << 022 << 0600;
    QTest::newRow("settings for the proxy's group") << 0640 << 022 << 0640;
    QTest::newRow("group-writable settings, umask 022") << 0664 << 022 << 0644;
    QTest::newRow("readable settings, umask 077") << 0644 << 077 << 0600;
    QTest::newRow("read-only settings: the owner still writes") << 0440 << 022 << 0640;
    QTest::newRow("executable settings") << 0750 << 0 << 0750;
    QTest::newRow("no settings file") << -1 << 027 << 0640;
}

void TestFileIo::newRuleFileTakesTheModeOfTheSettings() {
    QFETCH(int, settingsMode);
    QFETCH(int, umask);
    QFETCH(int, newMode);
    const QString settings = path("glym30.ini");
    if (settingsMode >= 0) {
        QVERIFY(writeBytes(settings, "[Check]\r\nFile Name=access.txt\r\n"));
        QCOMPARE(::chmod(QFile::encodeName(settings).constData(), mode_t(settingsMode)), 0);
    }
    QVERIFY(writeBytes(path("skip.txt"), "SA:old:\r\n"));
    QCOMPARE(::chmod(QFile::encodeName(path("skip.txt")).constData(), 0604), 0);

    const mode_t old = ::umask(mode_t(umask));
    const std::vector<std::string> notes =
        writeRuleFiles({{stdPath("access.txt"), "IA:1:user:secret:\r\n"}, {stdPath("skip.txt"), "SA:new:\r\n"}},
                       settings.toStdString());
    ::umask(old);

    QCOMPARE(notes.size(), std::size_t(0));
    QCOMPARE(readBytes(path("access.txt")), QByteArray("IA:1:user:secret:\r\n"));
    QCOMPARE(modeOf(path("access.txt")), mode_t(newMode));
    QCOMPARE(modeOf(path("skip.txt")), mode_t(0604));
    if (settingsMode >= 0)
        QCOMPARE(modeOf(settings), mode_t(settingsMode));
}

void TestFileIo::backupHoldsThePreviousContent() {
    const std::string file = stdPath("rules.txt");
    writeFileAtomically(file, "first\r\n", {.keepBackup = true});
    writeFileAtomically(file, "second\r\n", {.keepBackup = true});
    QCOMPARE(readBytes(path("rules.txt")), QByteArray("second\r\n"));
    QCOMPARE(readBytes(path("rules.txt.bak")), QByteArray("first\r\n"));

    writeFileAtomically(file, "third\r\n", {.keepBackup = true});
    QCOMPARE(readBytes(path("rules.txt")), QByteArray("third\r\n"));
    QCOMPARE(readBytes(path("rules.txt.bak")), QByteArray("second\r\n"));
    QCOMPARE(entries(dir_->path()), QStringList({"rules.txt", "rules.txt.bak"}));

    // The backup is a file of its own, not another name of the new file.
    QVERIFY(writeBytes(path("rules.txt"), "edited"));
    QCOMPARE(readBytes(path("rules.txt.bak")), QByteArray("second\r\n"));
}

void TestFileIo::staleBackupOfMissingFileIsDeleted() {
    QVERIFY(writeBytes(path("rules.txt.bak"), "stale"));
    writeFileAtomically(stdPath("rules.txt"), "new", {.keepBackup = true});
    QCOMPARE(readBytes(path("rules.txt")), QByteArray("new"));
    QCOMPARE(entries(dir_->path()), QStringList({"rules.txt"}));
}

void TestFileIo::backupLeftAloneWithoutKeepBackup() {
    QVERIFY(writeBytes(path("glym30.ini"), "old"));
    QVERIFY(writeBytes(path("glym30.ini.bak"), "someone's backup"));
    writeFileAtomically(stdPath("glym30.ini"), "new", {});
    QCOMPARE(readBytes(path("glym30.ini")), QByteArray("new"));
    QCOMPARE(readBytes(path("glym30.ini.bak")), QByteArray("someone's backup"));
    QCOMPARE(entries(dir_->path()), QStringList({"glym30.ini", "glym30.ini.bak"}));
}

void TestFileIo::permissionsAreKept_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("keepBackup");
    QTest::newRow("0600 file holding passwords") << 0600 << true;
    QTest::newRow("0640") << 0640 << true;
    QTest::newRow("0604") << 0604 << false;
    QTest::newRow("0755") << 0755 << true;
    QTest::newRow("0666") << 0666 << false;
    QTest::newRow("0444 without the write-protection check") << 0444 << true;
}

void TestFileIo::permissionsAreKept() {
    QFETCH(int, mode);
    QFETCH(bool, keepBackup);
    const QString file = path("access.txt");
    QVERIFY(writeBytes(file, "IA:1:user:secret:\r\n"));
    QCOMPARE(::chmod(QFile::encodeName(file).constData(), mode_t(mode)), 0);

    const mode_t old = ::umask(0); // the kept mode must not come from the umask
    writeFileAtomically(file.toStdString(), "IA:1:user:other:\r\n", {.keepBackup = keepBackup});
    ::umask(old);

    QCOMPARE(readBytes(file), QByteArray("IA:1:user:other:\r\n"));
    QCOMPARE(modeOf(file), mode_t(mode));
    if (keepBackup) {
        QCOMPARE(readBytes(file + ".bak"), QByteArray("IA:1:user:secret:\r\n"));
        QCOMPARE(modeOf(file + ".bak"), mode_t(mode));
    }
}

void TestFileIo::ownerIsKept() {
    if (::geteuid() != 0)
        QSKIP("only root can give a file to another owner");
    const QString file = path("owned.txt");
    QVERIFY(writeBytes(file, "old"));
    QCOMPARE(::chown(QFile::encodeName(file).constData(), 4242, 4343), 0);
    writeFileAtomically(file.toStdString(), "new", {.keepBackup = true});
    struct stat info {};
    QCOMPARE(::stat(QFile::encodeName(file).constData(), &info), 0);
    QCOMPARE(info.st_uid, uid_t(4242));
    QCOMPARE(info.st_gid, gid_t(4343));
}

void TestFileIo::relativePathWritesInCurrentDirectory() {
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir_->path()));
    writeFileAtomically("plain.txt", "1", {.keepBackup = true});
    writeFileAtomically("plain.txt", "2", {.keepBackup = true});
    writeFileAtomically("./dotted.txt", "3", {});
    QVERIFY(QDir::setCurrent(previous));
    QCOMPARE(readBytes(path("plain.txt")), QByteArray("2"));
    QCOMPARE(readBytes(path("plain.txt.bak")), QByteArray("1"));
    QCOMPARE(readBytes(path("dotted.txt")), QByteArray("3"));
    QCOMPARE(entries(dir_->path()), QStringList({"dotted.txt", "plain.txt", "plain.txt.bak"}));
}

// The proxy reads the file the link points to: that file gets the new content, and the link stays a link.
void TestFileIo::symbolicLinkIsFollowed() {
    QVERIFY(QDir(dir_->path()).mkdir("etc"));
    const QString target = path("etc/access.txt");
    QVERIFY(writeBytes(target, "old"));
    QCOMPARE(::chmod(QFile::encodeName(target).constData(), 0600), 0);
    QVERIFY(QFile::link("etc/access.txt", path("access.txt")));

    writeFileAtomically(stdPath("access.txt"), "new", {.keepBackup = true, .refuseWriteProtected = true});
    QVERIFY(QFileInfo(path("access.txt")).isSymLink());
    QCOMPARE(readBytes(target), QByteArray("new"));
    QCOMPARE(readBytes(target + ".bak"), QByteArray("old"));
    QCOMPARE(modeOf(target), mode_t(0600));
    QCOMPARE(entries(dir_->path()), QStringList({"access.txt", "etc"}));
    QCOMPARE(entries(path("etc")), QStringList({"access.txt", "access.txt.bak"}));
}

void TestFileIo::danglingLinkIsRefused() {
    QVERIFY(QFile::link("nowhere/access.txt", path("access.txt")));
    try {
        writeFileAtomically(stdPath("access.txt"), "new", {});
        QFAIL("no error");
    } catch (const GlymError& error) {
        QVERIFY2(QByteArray(error.what()).startsWith("Unable to write to " + QFile::encodeName(path("access.txt"))),
                 error.what());
    }
    QVERIFY(QFileInfo(path("access.txt")).isSymLink());
    QCOMPARE(entries(dir_->path()), QStringList({"access.txt"}));
}

void TestFileIo::writeProtectedFileIsRefused_data() {
    QTest::addColumn<int>("mode");
    QTest::newRow("0444") << 0444;
    QTest::newRow("0400") << 0400;
    QTest::newRow("0555") << 0555;
    QTest::newRow("0000") << 0000;
}

// Root may write anything; the file's missing write bits still protect it, as the read-only attribute does.
void TestFileIo::writeProtectedFileIsRefused() {
    QFETCH(int, mode);
    const QString file = path("glym30.ini");
    QVERIFY(writeBytes(file, "[Server]\r\nPort=3128\r\n"));
    QVERIFY(writeBytes(file + ".bak", "old backup"));
    QCOMPARE(::chmod(QFile::encodeName(file).constData(), mode_t(mode)), 0);
    try {
        writeFileAtomically(file.toStdString(), "x", {.keepBackup = true, .refuseWriteProtected = true});
        QFAIL("no error");
    } catch (const GlymError& error) {
        QVERIFY2(QByteArray(error.what()).startsWith("Unable to write to " + QFile::encodeName(file)), error.what());
    }
    QCOMPARE(::chmod(QFile::encodeName(file).constData(), 0600), 0);
    QCOMPARE(readBytes(file), QByteArray("[Server]\r\nPort=3128\r\n"));
    QCOMPARE(readBytes(file + ".bak"), QByteArray("old backup"));
    QCOMPARE(entries(dir_->path()), QStringList({"glym30.ini", "glym30.ini.bak"}));
}

void TestFileIo::writeProtectedFileIsReplacedWhenAllowed() {
    const QString file = path("rules.txt");
    QVERIFY(writeBytes(file, "old"));
    QCOMPARE(::chmod(QFile::encodeName(file).constData(), 0444), 0);
    writeFileAtomically(file.toStdString(), "new", {.keepBackup = true});
    QCOMPARE(readBytes(file), QByteArray("new"));
    QCOMPARE(readBytes(file + ".bak"), QByteArray("old"));
    QCOMPARE(modeOf(file), mode_t(0444));
}

void TestFileIo::missingDirectoryFails() {
    const QString file = path("missing/dir/rules.txt");
    try {
        writeFileAtomically(file.toStdString(), "x", {.keepBackup = true});
        QFAIL("no error");
    } catch (const GlymError& error) {
        QVERIFY2(QByteArray(error.what()).startsWith("Unable to write to " + QFile::encodeName(file) + ": "),
                 error.what());
    }
    QCOMPARE(entries(dir_->path()), QStringList());
}

void TestFileIo::directoryInPlaceOfFileFails() {
    QVERIFY(QDir(dir_->path()).mkpath("rules.txt/inner"));
    QVERIFY(writeBytes(path("rules.txt.bak"), "old backup"));
    QVERIFY_THROWS_EXCEPTION(GlymError, writeFileAtomically(stdPath("rules.txt"), "x", {.keepBackup = true}));
    QVERIFY(QFileInfo(path("rules.txt/inner")).isDir());
    QCOMPARE(readBytes(path("rules.txt.bak")), QByteArray("old backup"));
    QCOMPARE(entries(dir_->path()), QStringList({"rules.txt", "rules.txt.bak"}));
}

void TestFileIo::directoryInPlaceOfBackupFailsBeforeAnyChange() {
    QVERIFY(writeBytes(path("rules.txt"), "old"));
    QVERIFY(QDir(dir_->path()).mkpath("rules.txt.bak/inner"));
    try {
        writeFileAtomically(stdPath("rules.txt"), "new", {.keepBackup = true});
        QFAIL("no error");
    } catch (const GlymError& error) {
        QVERIFY2(QByteArray(error.what()).startsWith("Unable to write to " + QFile::encodeName(path("rules.txt"))),
                 error.what());
    }
    QCOMPARE(readBytes(path("rules.txt")), QByteArray("old"));
    QVERIFY(QFileInfo(path("rules.txt.bak/inner")).isDir());
    QCOMPARE(entries(dir_->path()), QStringList({"rules.txt", "rules.txt.bak"}));

    // Without a backup to keep, the directory is no obstacle.
    writeFileAtomically(stdPath("rules.txt"), "new", {});
    QCOMPARE(readBytes(path("rules.txt")), QByteArray("new"));
}

// A write that fails half-way (here: the file-size limit, which binds root too) changes nothing.
void TestFileIo::failedWriteLeavesOldFileAndOldBackup() {
    QVERIFY(writeBytes(path("rules.txt"), "old content\r\n"));
    QVERIFY(writeBytes(path("rules.txt.bak"), "old backup\r\n"));
    QCOMPARE(::chmod(QFile::encodeName(path("rules.txt")).constData(), 0600), 0);

    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    rlimit small = previous;
    small.rlim_cur = 4096;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    QByteArray error;
    try {
        writeFileAtomically(stdPath("rules.txt"), std::string(100000, 'x'), {.keepBackup = true});
    } catch (const GlymError& e) {
        error = e.what();
    }
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);

    QVERIFY2(error.startsWith("Unable to write to " + QFile::encodeName(path("rules.txt")) + ": "), error);
    QCOMPARE(readBytes(path("rules.txt")), QByteArray("old content\r\n"));
    QCOMPARE(readBytes(path("rules.txt.bak")), QByteArray("old backup\r\n"));
    QCOMPARE(modeOf(path("rules.txt")), mode_t(0600));
    QCOMPARE(entries(dir_->path()), QStringList({"rules.txt", "rules.txt.bak"}));
}

QTEST_APPLESS_MAIN(TestFileIo)
#include "test_fileio.moc"
