#include "common/Error.h"
#include "common/FileIo.h"
#include "common/Leftovers.h"

#include "common/CoreTestSupport.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdarg>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace coretest;

// A save of the four files as one (writeFilesTogether): the file calls of the writer go through the functions
// below, which count them while a plan is armed and, at the planned call, either fail it or kill the process, as a
// full disk or a power cut would.
namespace {

struct Plan {
    bool armed = false;
    int at = -1;       // the call that fails or kills
    bool kill = false; // SIGKILL there instead of failing
    int error = ENOSPC;
    int calls = 0;
};
Plan plan;

template <typename Function> Function next(const char* name) {
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

bool planned() {
    if (!plan.armed || plan.calls++ != plan.at)
        return false;
    if (plan.kill)
        ::raise(SIGKILL);
    errno = plan.error;
    return true;
}

} // namespace

extern "C" {
int renameat(int olddirfd, const char* oldpath, int newdirfd, const char* newpath) {
    static const auto kReal = next<int (*)(int, const char*, int, const char*)>("renameat");
    return planned() ? -1 : kReal(olddirfd, oldpath, newdirfd, newpath);
}
int linkat(int olddirfd, const char* oldpath, int newdirfd, const char* newpath, int flags) {
    static const auto kReal = next<int (*)(int, const char*, int, const char*, int)>("linkat");
    return planned() ? -1 : kReal(olddirfd, oldpath, newdirfd, newpath, flags);
}
int unlinkat(int dirfd, const char* pathname, int flags) {
    static const auto kReal = next<int (*)(int, const char*, int)>("unlinkat");
    return planned() ? -1 : kReal(dirfd, pathname, flags);
}
int fsync(int fd) {
    static const auto kReal = next<int (*)(int)>("fsync");
    return planned() ? -1 : kReal(fd);
}
int openat(int dirfd, const char* pathname, int flags, ...) {
    static const auto kReal = next<int (*)(int, const char*, int, ...)>("openat");
    mode_t mode = 0;
    if (flags & O_CREAT) {
        va_list arguments;
        va_start(arguments, flags);
        mode = static_cast<mode_t>(va_arg(arguments, int));
        va_end(arguments);
    }
    return (flags & O_CREAT) && planned() ? -1 : kReal(dirfd, pathname, flags, mode);
}
}

class TestSaveTransaction : public QObject {
    Q_OBJECT

    static constexpr char kOldSettings[] = "[Check]\r\nFile Name=access.txt\r\n[Cache Skip]\r\nFile Name=skip.txt\r\n"
                                           "[Router]\r\nFile Name=router.txt\r\n";
    // The save renames the access file: the new settings name access2.txt.
    static constexpr char kNewSettings[] = "[Check]\r\nFile Name=access2.txt\r\n[Cache Skip]\r\nFile Name=skip.txt\r\n"
                                           "[Router]\r\nFile Name=router.txt\r\n";

    std::unique_ptr<QTemporaryDir> dir_;
    std::string path(const char* name) const { return dir_->filePath(QLatin1String(name)).toStdString(); }
    QByteArray read(const char* name) const { return readBytes(dir_->filePath(QLatin1String(name))); }
    bool exists(const char* name) const { return QFile::exists(dir_->filePath(QLatin1String(name))); }

    void writeOldFiles() const {
        QVERIFY(writeBytes(dir_->filePath("glym30.ini"), kOldSettings));
        for (const char* name : {"access.txt", "skip.txt", "router.txt"}) {
            QVERIFY(writeBytes(dir_->filePath(QLatin1String(name)), "old " + QByteArray(name)));
            QVERIFY(writeBytes(dir_->filePath(QLatin1String(name) + ".bak"), "older " + QByteArray(name)));
        }
    }
    // The save the window makes: the rule files, then glym30.ini.
    std::vector<FileToWrite> newFiles() const {
        return {{path("access2.txt"), "new access2.txt", {.keepBackup = true}},
                {path("skip.txt"), "new skip.txt", {.keepBackup = true}},
                {path("router.txt"), "new router.txt", {.keepBackup = true}},
                {path("glym30.ini"), kNewSettings, {.keepBackup = false, .refuseWriteProtected = true}}};
    }
    // Every file holds its old or its new content, whole, and the settings name rule files that exist.
    void verifyOldOrNew(int step) const {
        const QByteArray settings = read("glym30.ini");
        QVERIFY2(settings == kOldSettings || settings == kNewSettings, qPrintable(QString::number(step)));
        const char* access = settings == kNewSettings ? "access2.txt" : "access.txt";
        QVERIFY2(exists(access), qPrintable(QStringLiteral("step %1: %2 is missing").arg(step).arg(access)));
        for (const char* name : {"skip.txt", "router.txt"}) {
            const QByteArray content = read(name);
            QVERIFY2(content == "old " + QByteArray(name) || content == "new " + QByteArray(name),
                     qPrintable(QStringLiteral("step %1: %2 holds %3").arg(step).arg(name, content)));
        }
        QCOMPARE(read("access.txt"), QByteArray("old access.txt"));
        QVERIFY(!exists("access2.txt") || read("access2.txt") == "new access2.txt");
    }

    // What the next start does with what the kill left: backups moved aside go back, the rest is removed; then the
    // directory holds the files and their backups only, each backup the old or the older content.
    void verifyLeftoversTidied(int step) const {
        std::vector<std::string> files;
        for (const char* name : {"glym30.ini", "access.txt", "access2.txt", "skip.txt", "router.txt"})
            files.push_back(path(name));
        std::vector<Leftover> leftovers = findLeftovers(files);
        putBackStrandedBackups(leftovers);
        QVERIFY(removeLeftovers(leftovers).empty());
        const QStringList left = QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden);
        for (const QString& name : left)
            QVERIFY2(QRegularExpression(QStringLiteral("^(glym30.ini|(access2?|skip|router).txt(.bak)?)$"))
                         .match(name)
                         .hasMatch(),
                     qPrintable(QStringLiteral("step %1: %2 is left").arg(step).arg(name)));
        for (const char* name : {"skip.txt", "router.txt"}) {
            const QByteArray backup = read((std::string(name) + ".bak").c_str());
            QVERIFY2(backup == "older " + QByteArray(name) || backup == "old " + QByteArray(name),
                     qPrintable(QStringLiteral("step %1: %2.bak holds %3").arg(step).arg(name, backup)));
        }
    }

private slots:
    void init() { dir_ = std::make_unique<QTemporaryDir>(); }
    void cleanup() {
        plan = Plan{};
        dir_.reset();
    }

    // Killed at every step of a save of four files, the files are each old or new and the settings never name a
    // missing file; what the kill left is tidied by the next start. Beyond the last step, the save completes.
    void killedAtEveryStep() {
        int step = 0;
        for (;; ++step) {
            dir_ = std::make_unique<QTemporaryDir>();
            writeOldFiles();
            const pid_t child = ::fork();
            if (child == 0) {
                plan = Plan{.armed = true, .at = step, .kill = true};
                try {
                    writeFilesTogether(newFiles());
                } catch (...) {
                    ::_exit(2);
                }
                ::_exit(0);
            }
            int status = 0;
            QCOMPARE(::waitpid(child, &status, 0), child);
            verifyOldOrNew(step);
            verifyLeftoversTidied(step);
            if (WIFEXITED(status)) {
                QCOMPARE(WEXITSTATUS(status), 0);
                break;
            }
            QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
        }
        QVERIFY2(step > 20, qPrintable(QString::number(step))); // every file took its steps
        QCOMPARE(read("glym30.ini"), QByteArray(kNewSettings));
        QCOMPARE(read("skip.txt.bak"), QByteArray("old skip.txt"));
    }

    // A failure at any step leaves every file as it was before the save, and the message says so.
    void failureAtEveryStepChangesNothing() {
        for (int step = 0;; ++step) {
            dir_ = std::make_unique<QTemporaryDir>();
            writeOldFiles();
            plan = Plan{.armed = true, .at = step};
            QString message;
            try {
                writeFilesTogether(newFiles());
            } catch (const GlymError& error) {
                message = QString::fromStdString(error.what());
            }
            const bool failed = plan.calls > step;
            plan = Plan{};
            if (!failed)
                break;
            if (message.isEmpty())
                continue; // a step whose failure is no failure of the save (the removal of an older backup)
            QVERIFY2(message.contains(QStringLiteral("Nothing was saved")), qPrintable(message));
            QCOMPARE(read("glym30.ini"), QByteArray(kOldSettings));
            for (const char* name : {"skip.txt", "router.txt"}) {
                QCOMPARE(read(name), "old " + QByteArray(name));
                QCOMPARE(read((std::string(name) + ".bak").c_str()), "older " + QByteArray(name));
            }
            QVERIFY2(!exists("access2.txt"), qPrintable(message));
        }
    }

    // A file that changed after the check stops the save before it is replaced; those replaced are put back.
    void changeAfterTheCheckStopsTheSave() {
        writeOldFiles();
        const SaveOutcome outcome =
            writeFilesTogether(newFiles(), [this](const std::string& file) { return file != path("router.txt"); });
        QCOMPARE(outcome.changedMeanwhile, path("router.txt"));
        QVERIFY(!exists("access2.txt"));
        QCOMPARE(read("skip.txt"), QByteArray("old skip.txt"));
        QCOMPARE(read("skip.txt.bak"), QByteArray("older skip.txt"));
        QCOMPARE(read("glym30.ini"), QByteArray(kOldSettings));
    }

    // Two saves in one directory never interleave: the second waits for the lock of the first.
    void secondSaveWaitsForTheFirst() {
        const std::string marker = path("second.saved");
        int go[2];
        QCOMPARE(::pipe(go), 0);
        const pid_t child = ::fork(); // before the first lock: the child must not share its descriptor
        if (child == 0) {
            char byte = 0;
            [[maybe_unused]] const auto got = ::read(go[0], &byte, 1);
            const SaveLock second(dir_->path().toStdString());
            writeFileAtomically(marker, "x");
            ::_exit(0);
        }
        auto first = std::make_unique<SaveLock>(dir_->path().toStdString());
        [[maybe_unused]] const auto sent = ::write(go[1], "g", 1);
        QTest::qWait(200);
        QVERIFY(!QFile::exists(QString::fromStdString(marker)));
        first.reset();
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(QFile::exists(QString::fromStdString(marker)));
        ::close(go[0]);
        ::close(go[1]);
    }

    // A file system mounted read-only is named as such, not as a permission problem.
    void readOnlyFileSystem() {
        writeOldFiles();
        const QByteArray point = QFile::encodeName(dir_->path());
        if (::geteuid() != 0 || ::mount("tmpfs", point.constData(), "tmpfs", 0, "size=1m") != 0)
            QSKIP("a read-only file system of its own needs root and tmpfs");
        writeOldFiles();
        QCOMPARE(::mount(nullptr, point.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
        QString message;
        try {
            writeFilesTogether(newFiles());
        } catch (const GlymError& error) {
            message = QString::fromStdString(error.what());
        }
        ::umount(point.constData());
        QVERIFY2(message.contains(QStringLiteral("Read-only file system")), qPrintable(message));
    }
};

QTEST_GUILESS_MAIN(TestSaveTransaction)
#include "test_savetransaction.moc"
