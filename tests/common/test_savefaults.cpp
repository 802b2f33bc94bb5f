#include "common/Error.h"
#include "common/FileIo.h"

#include "common/CoreTestSupport.h"

#include <QTemporaryDir>
#include <QTest>

#include <dlfcn.h>
#include <fcntl.h>
#include <functional>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace coretest;

// Saving when the file system works against us. The renames, links and unlinks of the writer go through the
// functions below, which pass every call on to the C library unless a fault is planned for it: then the planned
// call fails (or something happens to the directory first), as a full disk, a foreign backup or a vanished
// directory would make it. The rest uses the real conditions where the machine allows them.
namespace {

struct FaultPlan {
    bool armed = false;
    int failAt = -1;        // index of the call (rename, link, unlink and their *at forms) that fails
    bool failLater = false; // every call after it fails too: undoing does not work either
    bool noLinks = false;   // a file system without hard links
    int error = EPERM;
    std::function<void()> before; // runs before call failAt instead of failing it
    int calls = 0;
    int umaskCalls = 0;
};
FaultPlan plan;

template <typename Function> Function next(const char* name) {
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

// Whether the current call is to fail; counts the calls of an armed plan.
bool planned(bool isLink) {
    if (!plan.armed)
        return false;
    const int index = plan.calls++;
    if (index == plan.failAt && plan.before) {
        plan.before();
        return false;
    }
    if ((isLink && plan.noLinks) || index == plan.failAt ||
        (plan.failLater && plan.failAt >= 0 && index > plan.failAt)) {
        errno = plan.error;
        return true;
    }
    return false;
}

// Arms a plan for one scope: call failAt fails (a negative one: none), or runs before first.
struct Armed {
    explicit Armed(int failAt = -1, bool failLater = false, bool noLinks = false, std::function<void()> before = {}) {
        plan = FaultPlan{};
        plan.failAt = failAt;
        plan.failLater = failLater;
        plan.noLinks = noLinks;
        plan.before = std::move(before);
        plan.armed = true;
    }
    ~Armed() { plan.armed = false; }
};

} // namespace

extern "C" {
int renameat(int olddirfd, const char* oldpath, int newdirfd, const char* newpath) {
    static const auto kReal = next<int (*)(int, const char*, int, const char*)>("renameat");
    return planned(false) ? -1 : kReal(olddirfd, oldpath, newdirfd, newpath);
}
int linkat(int olddirfd, const char* oldpath, int newdirfd, const char* newpath, int flags) {
    static const auto kReal = next<int (*)(int, const char*, int, const char*, int)>("linkat");
    return planned(true) ? -1 : kReal(olddirfd, oldpath, newdirfd, newpath, flags);
}
int unlinkat(int dirfd, const char* pathname, int flags) {
    static const auto kReal = next<int (*)(int, const char*, int)>("unlinkat");
    return planned(false) ? -1 : kReal(dirfd, pathname, flags);
}
int rename(const char* oldpath, const char* newpath) {
    static const auto kReal = next<int (*)(const char*, const char*)>("rename");
    return planned(false) ? -1 : kReal(oldpath, newpath);
}
int link(const char* oldpath, const char* newpath) {
    static const auto kReal = next<int (*)(const char*, const char*)>("link");
    return planned(true) ? -1 : kReal(oldpath, newpath);
}
int unlink(const char* pathname) {
    static const auto kReal = next<int (*)(const char*)>("unlink");
    return planned(false) ? -1 : kReal(pathname);
}
mode_t umask(mode_t mask) {
    static const auto kReal = next<mode_t (*)(mode_t)>("umask");
    if (plan.armed)
        ++plan.umaskCalls;
    return kReal(mask);
}
}

class TestSaveFaults : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void failureAtEveryStep_data();
    void failureAtEveryStep();
    void failedUndoLosesNothing_data();
    void failedUndoLosesNothing();
    void umaskIsLeftAlone();

    void fullFileSystem();
    void noInodesLeft();
    void readOnlyDirectory();
    void directoryRemovedUnderTheWriter();
    void backupThatCannotBeReplaced();

private:
    // The file and, when given, its backup, before the save.
    void prepare(const QString& dir, bool oldFile, bool oldBackup) const;
    // The error of writing "new" to rules.txt in dir with a backup, or "" when it succeeded.
    QByteArray save(const QString& dir) const;
    // The save failed and left everything as it was, or succeeded completely.
    void verifyOldOrNew(const QString& dir, bool oldFile, bool oldBackup, const QByteArray& error) const;
    // Mounts a small file system of its own at the test directory (root only); false when that is not possible.
    bool mountTmpfs(const char* options);

    std::unique_ptr<QTemporaryDir> dir_;
    QString mountPoint_;
    QString immutable_;
};

namespace {
const QByteArray kOld = "old content\r\n";
const QByteArray kOldBackup = "old backup\r\n";
const QByteArray kNew = "new content\r\n";

mode_t modeOf(const QString& file) {
    struct stat info {};
    return ::stat(QFile::encodeName(file).constData(), &info) == 0 ? info.st_mode & 07777 : mode_t(-1);
}
} // namespace

void TestSaveFaults::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

void TestSaveFaults::cleanup() {
    plan = FaultPlan{};
    if (!immutable_.isEmpty()) {
        FileDescriptor fd(::open(QFile::encodeName(immutable_).constData(), O_RDONLY | O_CLOEXEC));
        int flags = 0;
        ::ioctl(fd.get(), FS_IOC_GETFLAGS, &flags);
        flags &= ~FS_IMMUTABLE_FL;
        ::ioctl(fd.get(), FS_IOC_SETFLAGS, &flags);
        immutable_.clear();
    }
    if (!mountPoint_.isEmpty()) {
        ::umount2(QFile::encodeName(mountPoint_).constData(), MNT_DETACH);
        mountPoint_.clear();
    }
    dir_.reset();
}

void TestSaveFaults::prepare(const QString& dir, bool oldFile, bool oldBackup) const {
    if (oldFile) {
        QVERIFY(writeBytes(dir + "/rules.txt", kOld));
        QCOMPARE(::chmod(QFile::encodeName(dir + "/rules.txt").constData(), 0640), 0);
    }
    if (oldBackup)
        QVERIFY(writeBytes(dir + "/rules.txt.bak", kOldBackup));
}

QByteArray TestSaveFaults::save(const QString& dir) const {
    try {
        writeFileAtomically(QFile::encodeName(dir + "/rules.txt").toStdString(), stdbytes(kNew), {.keepBackup = true});
    } catch (const GlymError& error) {
        return error.what();
    }
    return QByteArray();
}

void TestSaveFaults::verifyOldOrNew(const QString& dir, bool oldFile, bool oldBackup, const QByteArray& error) const {
    const QString file = dir + "/rules.txt";
    if (error.isEmpty()) {
        QCOMPARE(readBytes(file), kNew);
        QCOMPARE(entries(dir), oldFile ? QStringList({"rules.txt", "rules.txt.bak"}) : QStringList({"rules.txt"}));
        if (oldFile) {
            QCOMPARE(readBytes(file + ".bak"), kOld);
            QCOMPARE(modeOf(file), mode_t(0640));
        }
        return;
    }
    QVERIFY2(error.startsWith("Unable to write to " + QFile::encodeName(file)), error);
    QVERIFY2(error.endsWith(QFile::encodeName(file) + " and " + QFile::encodeName(file) + ".bak are unchanged."),
             error);
    QStringList expected;
    if (oldFile) {
        expected << "rules.txt";
        QCOMPARE(readBytes(file), kOld);
        QCOMPARE(modeOf(file), mode_t(0640));
    }
    if (oldBackup) {
        expected << "rules.txt.bak";
        QCOMPARE(readBytes(file + ".bak"), kOldBackup);
    }
    QCOMPARE(entries(dir), expected);
}

void TestSaveFaults::failureAtEveryStep_data() {
    QTest::addColumn<bool>("oldFile");
    QTest::addColumn<bool>("oldBackup");
    QTest::addColumn<bool>("noLinks");
    for (const bool noLinks : {false, true})
        for (const bool oldFile : {true, false})
            for (const bool oldBackup : {true, false})
                QTest::addRow("%s file, %s backup%s", oldFile ? "old" : "no", oldBackup ? "old" : "no",
                              noLinks ? ", no hard links" : "")
                    << oldFile << oldBackup << noLinks;
}

// Each rename, link and unlink of the save fails in turn (as a sticky directory, a backup owned by someone else
// or a failing disk make them fail): the old file and its old backup stay, or the new file is in place with the
// old content as backup, and no temporary file is left.
void TestSaveFaults::failureAtEveryStep() {
    QFETCH(bool, oldFile);
    QFETCH(bool, oldBackup);
    QFETCH(bool, noLinks);
    for (int step = 0;; ++step) {
        const QString dir = dir_->filePath(QString::number(step));
        QVERIFY(QDir().mkdir(dir));
        prepare(dir, oldFile, oldBackup);
        int calls = 0;
        QByteArray error;
        {
            Armed armed(step, false, noLinks);
            error = save(dir);
            calls = plan.calls;
        }
        if (error.contains("holds the new content")) { // only the removal of the replaced backup failed
            QCOMPARE(readBytes(dir + "/rules.txt"), kNew);
            continue;
        }
        verifyOldOrNew(dir, oldFile, oldBackup, error); // a failed hard link is no failure: a rename replaces it
        if (step >= calls) {
            QVERIFY2(error.isEmpty(), error);
            break;
        }
    }
}

void TestSaveFaults::failedUndoLosesNothing_data() {
    QTest::addColumn<bool>("noLinks");
    QTest::newRow("hard links") << false;
    QTest::newRow("no hard links") << true;
}

// When a step fails and so does every step after it, the undo fails too. Nothing is lost even then: the old
// content and the old backup are still in the directory, and the error says under which names.
void TestSaveFaults::failedUndoLosesNothing() {
    QFETCH(bool, noLinks);
    for (int step = 0;; ++step) {
        const QString dir = dir_->filePath(QString::number(step));
        QVERIFY(QDir().mkdir(dir));
        prepare(dir, true, true);
        int calls = 0;
        QByteArray error;
        {
            Armed armed(step, true, noLinks);
            error = save(dir);
            calls = plan.calls;
        }
        if (step >= calls)
            break;
        QVERIFY(!error.isEmpty());
        if (error.contains("holds the new content")) { // only the removal of the replaced backup failed
            QCOMPARE(readBytes(dir + "/rules.txt"), kNew);
            QCOMPARE(readBytes(dir + "/rules.txt.bak"), kOld);
        }
        for (const QString& name : entries(dir)) {
            const QByteArray content = readBytes(dir + "/" + name);
            const bool inItsPlace = (name == "rules.txt" && content == kOld) ||
                                    (name == "rules.txt.bak" && (content == kOldBackup || content == kOld));
            if (!inItsPlace)
                QVERIFY2(error.contains(QFile::encodeName(dir + "/" + name)),
                         qPrintable(QStringLiteral("%1 not named in: %2").arg(name, error)));
        }
        QStringList holders[2];
        for (const QString& name : entries(dir))
            for (int i = 0; i < 2; ++i)
                if (readBytes(dir + "/" + name) == (i == 0 ? kOld : kOldBackup))
                    holders[i] << name;
        QVERIFY2(!holders[0].isEmpty(), error);
        QVERIFY2(!holders[1].isEmpty(), error);
    }
}

// Another thread may create files while a save runs: the process-wide umask must never change under it.
void TestSaveFaults::umaskIsLeftAlone() {
    const mode_t previous = ::umask(027);
    {
        Armed armed;
        writeFileAtomically(dir_->filePath("new.txt").toStdString(), "x", {.keepBackup = true});
        QCOMPARE(plan.umaskCalls, 0);
    }
    ::umask(previous);
    QCOMPARE(QFileInfo(dir_->filePath("new.txt")).permissions(),
             QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser | QFile::ReadGroup);
}

bool TestSaveFaults::mountTmpfs(const char* options) {
    const QString point = dir_->filePath("fs");
    if (!QDir().mkdir(point))
        return false;
    if (::geteuid() != 0 || ::mount("tmpfs", QFile::encodeName(point).constData(), "tmpfs", 0, options) != 0)
        return false;
    mountPoint_ = point;
    return true;
}

// The disk fills up while the new content is written.
void TestSaveFaults::fullFileSystem() {
    if (!mountTmpfs("size=64k,mode=0700"))
        QSKIP("a small file system of its own needs root and tmpfs (the file-size limit case is in test_fileio)");
    prepare(mountPoint_, true, true);
    QByteArray error;
    try {
        writeFileAtomically((mountPoint_ + "/rules.txt").toStdString(), std::string(1 << 20, 'x'),
                            {.keepBackup = true});
    } catch (const GlymError& e) {
        error = e.what();
    }
    QVERIFY2(error.contains(": No space left on device. "), error);
    verifyOldOrNew(mountPoint_, true, true, error);
}

// No inode is left for the temporary file.
void TestSaveFaults::noInodesLeft() {
    if (!mountTmpfs("size=1m,nr_inodes=3,mode=0700"))
        QSKIP("a file system with few inodes needs root and tmpfs");
    prepare(mountPoint_, true, true); // the directory, the file and its backup use the three inodes
    const QByteArray error = save(mountPoint_);
    QVERIFY2(error.contains(": No space left on device. "), error);
    verifyOldOrNew(mountPoint_, true, true, error);
}

// Root ignores the permission bits, so it gets a read-only file system instead.
void TestSaveFaults::readOnlyDirectory() {
    QString dir = dir_->filePath("ro");
    if (::geteuid() == 0) {
        if (!mountTmpfs("size=1m,mode=0700"))
            QSKIP("a read-only directory for root needs tmpfs");
        dir = mountPoint_;
        prepare(dir, true, true);
        QCOMPARE(::mount(nullptr, QFile::encodeName(dir).constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
    } else {
        QVERIFY(QDir().mkdir(dir));
        prepare(dir, true, true);
        QVERIFY(QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner));
    }
    const QByteArray error = save(dir);
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY2(error.contains(": Read-only file system. ") || error.contains(": Permission denied. "), error);
    verifyOldOrNew(dir, true, true, error);
}

// Someone removes the directory while the new content is written: the save fails cleanly and leaves nothing
// behind, nowhere.
void TestSaveFaults::directoryRemovedUnderTheWriter() {
    const QString dir = dir_->filePath("gone");
    QVERIFY(QDir().mkdir(dir));
    prepare(dir, true, true);
    QByteArray error;
    {
        Armed armed(0, false, false, [dir] { QDir(dir).removeRecursively(); });
        error = save(dir);
    }
    QVERIFY2(error.startsWith("Unable to write to " + QFile::encodeName(dir) + "/rules.txt"), error);
    QVERIFY2(error.contains(": No such file or directory. "), error);
    QCOMPARE(entries(dir_->path()), QStringList());
}

// A backup the writer may not replace (immutable here; a sticky directory and another owner do the same): the
// save stops before anything changed.
void TestSaveFaults::backupThatCannotBeReplaced() {
    const QString dir = dir_->filePath("bak");
    QVERIFY(QDir().mkdir(dir));
    prepare(dir, true, true);
    const QString backup = dir + "/rules.txt.bak";
    {
        FileDescriptor fd(::open(QFile::encodeName(backup).constData(), O_RDONLY | O_CLOEXEC));
        int flags = 0;
        if (::ioctl(fd.get(), FS_IOC_GETFLAGS, &flags) != 0)
            QSKIP("this file system has no file attributes");
        flags |= FS_IMMUTABLE_FL;
        if (::ioctl(fd.get(), FS_IOC_SETFLAGS, &flags) != 0)
            QSKIP("making a file immutable needs root (CAP_LINUX_IMMUTABLE) and a file system that supports it");
        immutable_ = backup;
    }
    const QByteArray error = save(dir);
    QVERIFY2(error.startsWith("Unable to write to " + QFile::encodeName(backup) + ": Operation not permitted. "),
             error);
    verifyOldOrNew(dir, true, true, error);
}

QTEST_APPLESS_MAIN(TestSaveFaults)
#include "test_savefaults.moc"
