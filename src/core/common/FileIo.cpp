#include "common/FileIo.h"

#include "common/Error.h"
#include "common/FileRecord.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <grp.h>
#include <memory>
#include <pwd.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// "user 4321 ("nobody")", or "user 4321" for an id without a name.
std::string userCalled(uid_t uid) {
    struct passwd entry {};
    struct passwd* found = nullptr;
    std::vector<char> buffer(16384);
    const std::string id = "user " + std::to_string(uid);
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return id;
    return id + " (\"" + found->pw_name + "\")";
}

// "group 4242 ("proxy")", or "group 4242" for an id without a name.
std::string groupCalled(gid_t gid) {
    struct group entry {};
    struct group* found = nullptr;
    std::vector<char> buffer(16384);
    const std::string id = "group " + std::to_string(gid);
    if (::getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return id;
    return id + " (\"" + found->gr_name + "\")";
}

// Refuses to write through a symbolic link that another user may have planted (see untrustedLink).
void refuseUntrustedLink(const std::string& path) {
    if (const std::optional<UntrustedLink> link = untrustedLink(path))
        throw GlymError("Unable to write to " + path + ": " + untrustedLinkReason(*link) + ". " + path +
                        " is unchanged.");
}

std::string systemReason(int error) {
    return std::strerror(error);
}

// Only regular files are read or replaced. A directory says so; anything else (a named pipe, a device, a socket)
// is "Not a regular file", in the words the connection-log reader uses too.
std::string notRegularReason(mode_t mode) {
    return S_ISDIR(mode) ? systemReason(EISDIR) : std::string("Not a regular file");
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Reads an open regular file to its end.
std::string readOpenFile(const FileDescriptor& fd, const std::string& path, const struct stat& info) {
    std::string content;
    if (info.st_size > 0)
        content.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            const std::string reason = systemReason(errno);
            FileRecord::noteUnreadable(path, reason);
            throw GlymError("Cannot read file \"" + path + "\". " + reason);
        }
        content.append(buffer, static_cast<std::size_t>(got));
    }
    return content;
}

// Reads a regular file; nothing when missingIsEmpty and no entry of that name exists. The type is checked before
// the open, so that a device is never opened, and again after it on the descriptor, which O_NONBLOCK keeps a
// named pipe from holding up. The recording of the thread, if any, hears what was read, or why not.
std::optional<std::string> readRegularFile(const std::string& path, bool missingIsNothing) {
    auto refuse = [&path](const char* verb, const std::string& reason) {
        FileRecord::noteUnreadable(path, reason);
        return GlymError("Cannot " + std::string(verb) + " file \"" + path + "\". " + reason);
    };
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        if (missingIsNothing && (errno == ENOENT || errno == ENOTDIR)) {
            FileRecord::noteMissing(path);
            return std::nullopt;
        }
        throw refuse("open", systemReason(errno));
    }
    if (!S_ISREG(info.st_mode))
        throw refuse("read", notRegularReason(info.st_mode));
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0)
        throw refuse("open", systemReason(errno));
    if (::fstat(fd.get(), &info) != 0)
        throw refuse("read", systemReason(errno));
    if (!S_ISREG(info.st_mode))
        throw refuse("read", notRegularReason(info.st_mode));
    ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK); // a regular file: plain reads from here
    std::string content = readOpenFile(fd, path, info);
    FileRecord::noteRead(path, info, content);
    return content;
}

// Six letters and digits, the first a capital or a digit: a leftover of a save cut short is then told from a name
// of the user's such as "access.txt.backup" (see Leftovers.h).
std::string randomSuffix() {
    static constexpr std::string_view kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcdefghijklmnopqrstuvwxyz";
    static constexpr std::size_t kFirstLetters = 36; // capitals and digits
    thread_local std::mt19937_64 engine{std::random_device{}()};
    std::string suffix(6, ' ');
    for (std::size_t i = 0; i < suffix.size(); ++i)
        suffix[i] = kLetters[std::uniform_int_distribution<std::size_t>(0, i == 0 ? kFirstLetters - 1
                                                                                  : kLetters.size() - 1)(engine)];
    return suffix;
}

// The directory a file is replaced in, held open: every step names its files relative to it, so the steps all
// happen in one directory even if its path changes meanwhile.
FileDescriptor openDirectory(const std::string& directory) {
    int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 && errno == EACCES)
        fd = ::open(directory.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC); // enough to create and rename in
    return FileDescriptor(fd);
}

// One replacement of a file, in two phases: prepare() writes the new content beside the file (or, where the file
// is to be written in place, makes its old content safe) and changes nothing of the file; commit() puts the new
// content in place, the old one becoming the backup. Each move is recorded, so that a failure undoes exactly what
// was done, and a commit can be undone as a whole until finish().
class Replacement {
public:
    Replacement(std::string path, std::string file, const AtomicWriteOptions& options)
        : path_(std::move(path)), file_(std::move(file)), backup_(file_ + ".bak"), keepBackup_(options.keepBackup),
          refuseWriteProtected_(options.refuseWriteProtected), modelFile_(options.newFileLike) {}
    ~Replacement();
    Replacement(const Replacement&) = delete;
    Replacement& operator=(const Replacement&) = delete;

    const std::string& path() const { return path_; }
    void prepare(std::string bytes);
    void commit();
    // After commit: the previous content back in place, and the previous backup. Says what could not be put back;
    // empty when all was.
    std::string undo();
    // After commit, once the save holds: removes what was kept for undo. Returns what the write had to do
    // differently, for the caller to tell the user; empty when nothing.
    std::string finish();

private:
    enum class OldFile { InPlace, AlsoBackup, MovedToBackup };
    // Why no temporary file can take the file's place: none (it is ready), or the reason to write in place.
    enum class Temporary { Ready, DirectoryNotWritable, OwnerNotKept };

    void checkTargets();
    Temporary writeTemporaryFile(std::string_view bytes);
    bool keepsOwnerAndMode(int fd) const;
    void prepareInPlace();
    void commitInPlace();
    bool writeHere(int fd, std::string_view content) const;
    bool restoreBackupInPlace() const;
    mode_t newFileMode();
    void takeModelGroup(int fd);
    void keepOldContentAsBackup();
    void putNewFileInPlace();
    // Undoes what was done, then throws: "Unable to write to <name>: <reason>. <what the files hold now>".
    [[noreturn]] void fail(const std::string& name, int error) { fail(name, systemReason(error)); }
    [[noreturn]] void fail(const std::string& name, const std::string& reason);
    std::string rollBack();

    int dir() const { return dir_.get(); }
    std::string beside(const std::string& base) const { return directoryOf(file_) + "/" + base; }

    const std::string path_;   // as given: the messages name it
    const std::string file_;   // the file replaced (for a symbolic link, the file it points to)
    const std::string backup_; // file_ + ".bak"
    const bool keepBackup_;
    const bool refuseWriteProtected_;
    const std::string modelFile_; // whose mode and group a new file takes; empty for none

    FileDescriptor dir_{-1};
    std::string bytes_;
    std::string base_, backupBase_, tempBase_, asideBase_; // names in dir_
    bool exists_ = false;
    bool backupExists_ = false;
    struct stat existing_ {};
    std::optional<struct stat> model_; // modelFile_'s, once read for a new file
    std::string note_;                 // what the write had to do differently

    bool tempCreated_ = false;
    bool oldBackupAside_ = false; // the previous backup has been renamed to asideBase_
    OldFile oldFile_ = OldFile::InPlace;
    bool committed_ = false;
    struct stat written_ {}; // the new file once its content is complete (a rename keeps its time and inode)

    // Written in place: why, the old content and the old backup's (to put back), and the safety copy of the old
    // content (beside the file, else in the temporary directory) that outlives a crash in the middle of the write.
    Temporary inPlace_ = Temporary::Ready;
    std::string old_;
    std::optional<std::string> oldBackup_;
    std::string safetyCopy_;
};

Replacement::~Replacement() {
    if (tempCreated_)
        ::unlinkat(dir(), tempBase_.c_str(), 0);
    if (!safetyCopy_.empty() && !committed_)
        ::unlink(safetyCopy_.c_str()); // the file was never touched
}

void Replacement::prepare(std::string bytes) {
    bytes_ = std::move(bytes);
    dir_ = openDirectory(directoryOf(file_));
    if (dir() < 0)
        fail(path_, errno);
    base_ = baseNameOf(file_);
    backupBase_ = base_ + ".bak";
    checkTargets();
    inPlace_ = writeTemporaryFile(bytes_);
    if (inPlace_ != Temporary::Ready)
        prepareInPlace();
}

void Replacement::commit() {
    if (inPlace_ != Temporary::Ready)
        return commitInPlace();
    if (keepBackup_)
        keepOldContentAsBackup();
    putNewFileInPlace();
    ::fsync(dir()); // best effort: the renames themselves have happened
    committed_ = true;
    FileRecord::noteWritten(path_, written_, std::move(bytes_)); // not needed any more
}

std::string Replacement::finish() {
    if (inPlace_ != Temporary::Ready) {
        ::unlink(safetyCopy_.c_str());
        safetyCopy_.clear();
        return path_ + (inPlace_ == Temporary::OwnerNotKept ? " written in place, keeping its owner and group."
                                                            : " written in place: its directory cannot be written.");
    }
    if (oldBackupAside_ && ::unlinkat(dir(), asideBase_.c_str(), 0) != 0 && errno != ENOENT)
        throw GlymError("Unable to write to " + beside(asideBase_) + ": " + systemReason(errno) + ". " + path_ +
                        " holds the new content and " + backup_ + " the previous one, but the backup before it is " +
                        "left as " + beside(asideBase_) + ".");
    return note_;
}

std::string Replacement::undo() {
    if (inPlace_ != Temporary::Ready) {
        FileDescriptor fd(::open(file_.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW));
        if (fd.get() < 0 || !writeHere(fd.get(), old_))
            return path_ + " holds the new content; its previous content is in " + safetyCopy_ + ".";
        ::unlink(safetyCopy_.c_str());
        safetyCopy_.clear();
        return restoreBackupInPlace() ? std::string() : backup_ + " holds the same content as " + path_ + ".";
    }
    std::string left;
    if (oldFile_ != OldFile::InPlace) {
        if (::renameat(dir(), backupBase_.c_str(), dir(), base_.c_str()) != 0)
            return path_ + " holds the new content; its previous content is in " + backup_ + ".";
    } else if (!exists_ && ::unlinkat(dir(), base_.c_str(), 0) != 0) {
        left = path_ + " was new and is left.";
    } else if (exists_ && !keepBackup_) {
        return path_ + " holds the new content (it keeps no backup).";
    }
    if (oldBackupAside_ && ::renameat(dir(), asideBase_.c_str(), dir(), backupBase_.c_str()) == 0)
        oldBackupAside_ = false;
    else if (oldBackupAside_)
        left += " Its previous backup is kept as " + beside(asideBase_) + ".";
    return left;
}

void Replacement::checkTargets() {
    exists_ = ::fstatat(dir(), base_.c_str(), &existing_, AT_SYMLINK_NOFOLLOW) == 0;
    if (exists_ && !S_ISREG(existing_.st_mode))
        fail(path_, notRegularReason(existing_.st_mode));
    if (exists_ && refuseWriteProtected_ && (existing_.st_mode & 0222) == 0)
        fail(path_, EACCES);
    if (exists_ && refuseWriteProtected_ && ::access(file_.c_str(), W_OK) != 0)
        fail(path_, errno == EROFS ? EROFS : EACCES); // a read-only file system says so
    if (!keepBackup_)
        return;
    // A backup that is a symbolic link is replaced as a link; one that is a directory, a pipe or a device is
    // nothing this program made, and stays.
    struct stat backup {};
    backupExists_ = ::fstatat(dir(), backupBase_.c_str(), &backup, AT_SYMLINK_NOFOLLOW) == 0;
    if (backupExists_ && !S_ISREG(backup.st_mode) && !S_ISLNK(backup.st_mode))
        fail(backup_, notRegularReason(backup.st_mode));
}

Replacement::Temporary Replacement::writeTemporaryFile(std::string_view bytes) {
    // A new file is created with the default permissions (the umask and the directory's default ACL apply);
    // a replacement starts private and receives the old file's owner, group and mode before it takes its name.
    const mode_t mode = exists_ ? 0600 : newFileMode();
    FileDescriptor fd(-1);
    for (int attempt = 0; attempt < 100 && fd.get() < 0; ++attempt) {
        tempBase_ = base_ + "." + randomSuffix();
        fd = FileDescriptor(::openat(dir(), tempBase_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
        if (fd.get() < 0 && (errno == EACCES || errno == EPERM) && exists_ && ::access(file_.c_str(), W_OK) == 0)
            return Temporary::DirectoryNotWritable; // the file itself may still be written
        if (fd.get() < 0 && errno != EEXIST)
            fail(path_, errno);
    }
    if (fd.get() < 0)
        fail(path_, EEXIST);
    tempCreated_ = true;
    if (!exists_)
        takeModelGroup(fd.get()); // before the content: that is for the model's group, not the creator's
    if (!writeAll(fd.get(), bytes) || ::fsync(fd.get()) != 0 || ::fstat(fd.get(), &written_) != 0)
        fail(path_, errno);
    if (exists_ && !keepsOwnerAndMode(fd.get()) && ::access(file_.c_str(), W_OK) == 0) {
        fd = FileDescriptor(-1);
        ::unlinkat(dir(), tempBase_.c_str(), 0);
        tempCreated_ = false;
        return Temporary::OwnerNotKept;
    }
    if (::close(fd.release()) != 0)
        fail(path_, errno);
    return Temporary::Ready;
}

// Gives the new file the old one's owner, group and mode (in that order: a change of owner clears the set-id bits).
// Only root may give a file away, and a member of a group may give it only to a group of their own: when the file
// belongs to someone else, a new file cannot take its place unchanged.
bool Replacement::keepsOwnerAndMode(int fd) const {
    const bool sameOwners = written_.st_uid == existing_.st_uid && written_.st_gid == existing_.st_gid;
    if (!sameOwners && ::fchown(fd, existing_.st_uid, existing_.st_gid) != 0)
        return false;
    return ::fchmod(fd, existing_.st_mode & 07777) == 0;
}

// The mode a new file is created with: the model's, the owner keeping read and write (the umask then narrows it
// as for any new file); without a model, the default. A model behind a link another user may have planted is none.
mode_t Replacement::newFileMode() {
    struct stat model {};
    if (modelFile_.empty() || ::stat(modelFile_.c_str(), &model) != 0 || !S_ISREG(model.st_mode) ||
        untrustedLink(modelFile_))
        return 0666;
    model_ = model;
    return (model.st_mode & 0777) | 0600;
}

// Gives a new file the model's group. Only a member of that group (or root) may: for anyone else the file keeps the
// group it was created with, which then gets no more than others, as the model's group permissions were meant for
// the model's group only. The note says so: a proxy reading through that group cannot read the new file.
void Replacement::takeModelGroup(int fd) {
    struct stat created {};
    if (!model_ || ::fstat(fd, &created) != 0 || created.st_gid == model_->st_gid ||
        ::fchown(fd, static_cast<uid_t>(-1), model_->st_gid) == 0)
        return;
    const mode_t others = created.st_mode & 07;
    const mode_t narrowed = (created.st_mode & 0707) | ((created.st_mode & 070) & (others << 3));
    if (narrowed != (created.st_mode & 0777) && ::fchmod(fd, narrowed) != 0)
        fail(path_, errno);
    note_ = path_ + " is new and may not be given the " + groupCalled(model_->st_gid) + " of " + modelFile_ +
            ": it belongs to " + groupCalled(created.st_gid) + ", which may do no more with it than others.";
}

// A file written in place keeps its owner, group, mode and inode. Its old content (and its backup's, which the
// commit replaces) is read now, and copied where it survives a crash in the middle of the write: beside the file,
// or where that cannot be written, into the temporary directory. A backup that cannot be written stops here.
void Replacement::prepareInPlace() {
    old_ = *readRegularFile(file_, false);
    if (keepBackup_) {
        if (backupExists_)
            oldBackup_ = readRegularFile(backup_, true);
        const int fd = ::openat(dir(), backupBase_.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0)
            throw GlymError("Unable to write to " + path_ + ": the previous content cannot be kept as " + backup_ +
                            " (" + systemReason(errno) + "). " + path_ + " is unchanged.");
        ::close(fd);
        if (!backupExists_)
            ::unlinkat(dir(), backupBase_.c_str(), 0);
    }
    const char* tmp = std::getenv("TMPDIR");
    for (const std::string& directory : {directoryOf(file_), std::string(tmp && *tmp ? tmp : "/tmp")}) {
        std::string name = directory + "/." + base_ + ".old-" + randomSuffix();
        FileDescriptor fd(::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (fd.get() >= 0 && writeAll(fd.get(), old_) && ::fsync(fd.get()) == 0) {
            safetyCopy_ = std::move(name);
            return;
        }
        if (fd.get() >= 0)
            ::unlink(name.c_str());
    }
    throw GlymError("Unable to write to " + path_ + ": no copy of its content could be made to write it in place (" +
                    systemReason(errno) + "). " + path_ + " is unchanged.");
}

bool Replacement::writeHere(int fd, std::string_view content) const {
    return ::lseek(fd, 0, SEEK_SET) == 0 && writeAll(fd, content) &&
           ::ftruncate(fd, static_cast<off_t>(content.size())) == 0 && ::fsync(fd) == 0;
}

// The backup as it was before the commit: its old content, or none.
bool Replacement::restoreBackupInPlace() const {
    if (!keepBackup_)
        return true;
    if (!oldBackup_)
        return ::unlinkat(dir(), backupBase_.c_str(), 0) == 0 || errno == ENOENT;
    FileDescriptor fd(::openat(dir(), backupBase_.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW));
    return fd.get() >= 0 && writeHere(fd.get(), *oldBackup_);
}

// The old content becomes the backup (written over in place: the file itself is still whole meanwhile; a backup
// that is another name of the file is unlinked first), then the new content is written into the file.
void Replacement::commitInPlace() {
    const std::string kept = path_ + " and " + backup_ + " are unchanged.";
    if (keepBackup_) {
        if (struct stat backup{}; ::fstatat(dir(), backupBase_.c_str(), &backup, AT_SYMLINK_NOFOLLOW) == 0 &&
                                  backup.st_dev == existing_.st_dev && backup.st_ino == existing_.st_ino)
            ::unlinkat(dir(), backupBase_.c_str(), 0);
        FileDescriptor fd(::openat(dir(), backupBase_.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
        if (fd.get() < 0 || !writeHere(fd.get(), old_)) {
            const std::string reason = systemReason(errno);
            throw GlymError("Unable to write to " + path_ + ": the previous content cannot be kept as " + backup_ +
                            " (" + reason + "). " +
                            (restoreBackupInPlace() ? kept : path_ + " is unchanged; " + backup_ + " may not be."));
        }
        ::fchmod(fd.get(), existing_.st_mode & 0777);
    }
    FileDescriptor fd(::open(file_.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW));
    if (fd.get() < 0 || !writeHere(fd.get(), bytes_)) {
        const std::string reason = systemReason(errno);
        const bool restored = fd.get() >= 0 ? writeHere(fd.get(), old_) : true;
        throw GlymError("Unable to write to " + path_ + ": " + reason + ". " +
                        (restored && restoreBackupInPlace()
                             ? (keepBackup_ ? kept : path_ + " is unchanged.")
                             : path_ + " may be incomplete: its previous content is in " + safetyCopy_ + "."));
    }
    ::fstat(fd.get(), &written_);
    committed_ = true;
    FileRecord::noteWritten(path_, written_, std::move(bytes_)); // not needed any more
}

// The previous backup is moved aside (not deleted, so that it can come back), then the old file becomes the
// backup: as a second name while it keeps its own, or, where hard links are not possible, by a rename.
void Replacement::keepOldContentAsBackup() {
    if (backupExists_) {
        asideBase_ = tempBase_ + ".bak";
        if (::renameat(dir(), backupBase_.c_str(), dir(), asideBase_.c_str()) == 0)
            oldBackupAside_ = true;
        else if (errno != ENOENT)
            fail(backup_, errno);
    }
    if (!exists_)
        return;
    if (::linkat(dir(), base_.c_str(), dir(), backupBase_.c_str(), 0) == 0)
        oldFile_ = OldFile::AlsoBackup;
    else if (::renameat(dir(), base_.c_str(), dir(), backupBase_.c_str()) == 0)
        oldFile_ = OldFile::MovedToBackup;
    else
        fail(backup_, errno);
}

void Replacement::putNewFileInPlace() {
    if (::renameat(dir(), tempBase_.c_str(), dir(), base_.c_str()) != 0)
        fail(path_, errno);
    tempCreated_ = false;
}

void Replacement::fail(const std::string& name, const std::string& reason) {
    throw GlymError("Unable to write to " + name + ": " + reason + ". " + rollBack());
}

// Puts every name back as it was and says what the files hold now. An undo that fails itself is named, with
// where the content it should have moved is.
std::string Replacement::rollBack() {
    std::string left;
    if (tempCreated_ && ::unlinkat(dir(), tempBase_.c_str(), 0) != 0 && errno != ENOENT)
        left += " The temporary file " + beside(tempBase_) + " is left.";

    bool oldContentInPlace = true;
    bool backupTakenByOldContent = false; // backup_ holds the old file's content and nothing else has it
    if (oldFile_ == OldFile::MovedToBackup && ::renameat(dir(), backupBase_.c_str(), dir(), base_.c_str()) != 0) {
        oldContentInPlace = false;
        backupTakenByOldContent = true;
    }
    bool backupRestored = true;
    if (oldBackupAside_)
        backupRestored =
            !backupTakenByOldContent && ::renameat(dir(), asideBase_.c_str(), dir(), backupBase_.c_str()) == 0;
    const bool backupIsOldFile = oldFile_ == OldFile::AlsoBackup &&
                                 (oldBackupAside_ ? !backupRestored : ::unlinkat(dir(), backupBase_.c_str(), 0) != 0);
    if (backupIsOldFile)
        left += " " + backup_ + " holds the same content as " + path_ + ".";

    std::string state;
    if (!oldContentInPlace)
        state = path_ + " is missing: its previous content is in " + backup_ + ".";
    else if (keepBackup_ && backupRestored)
        state = path_ + " and " + backup_ + " are unchanged.";
    else
        state = path_ + " is unchanged.";
    if (!backupRestored)
        state += " Its previous backup is kept as " + beside(asideBase_) + ".";
    return state + left;
}

} // namespace

std::string directoryOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseNameOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string pathInDirectory(std::string_view directory, std::string_view name) {
    if (name.starts_with('/') || directory.empty())
        return std::string(name);
    return std::string(directory) + (directory.ends_with('/') ? "" : "/") + std::string(name);
}

bool fileExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string readWholeFile(const std::string& path) {
    return *readRegularFile(path, false);
}

std::optional<std::string> readWholeFileIfPresent(const std::string& path) {
    if (path.empty())
        return std::nullopt;
    return readRegularFile(path, true);
}

std::string fileIdentity(const std::string& path) {
    if (path.empty())
        return std::string();
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0)
        return "inode " + std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
    // A file still to be created: the longest part of the path that exists is resolved (links, "..") and the rest
    // is taken as written, with "." and ".." applied.
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path absolute = fs::absolute(path, error);
    if (error)
        absolute = fs::path(path);
    fs::path resolved = fs::weakly_canonical(absolute, error);
    if (error)
        resolved = absolute.lexically_normal();
    return "path " + resolved.string();
}

bool sameFile(const std::string& first, const std::string& second) {
    return first == second || fileIdentity(first) == fileIdentity(second);
}

std::vector<std::string> splitTextLines(std::string_view bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = start;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        lines.emplace_back(bytes.substr(start, end - start));
        if (end < bytes.size() && bytes[end] == '\r')
            ++end;
        if (end < bytes.size() && bytes[end] == '\n')
            ++end;
        start = end;
    }
    return lines;
}

std::string joinCrLfLines(const std::vector<std::string>& lines) {
    std::size_t size = 0;
    for (const auto& line : lines)
        size += line.size() + 2;
    std::string bytes;
    bytes.reserve(size);
    for (const auto& line : lines) {
        bytes += line;
        bytes += "\r\n";
    }
    return bytes;
}

namespace {

// The file a write replaces: a symbolic link stays a link, the file it points to is the one replaced (and backed
// up beside it).
std::string fileToReplace(const std::string& path) {
    refuseUntrustedLink(path);
    if (struct stat link{}; ::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
        if (!resolved)
            throw GlymError("Unable to write to " + path + ": " + systemReason(errno) + ". " + path + " is unchanged.");
        return resolved.get();
    }
    return path;
}

} // namespace

std::string writeFileAtomically(const std::string& path, std::string_view bytes, const AtomicWriteOptions& options) {
    Replacement replacement(path, fileToReplace(path), options);
    replacement.prepare(std::string(bytes));
    replacement.commit();
    return replacement.finish();
}

SaveOutcome writeFilesTogether(std::vector<FileToWrite> files,
                               const std::function<bool(const std::string& path)>& stillAsChecked) {
    std::vector<std::unique_ptr<Replacement>> replacements;
    try {
        for (FileToWrite& file : files) {
            replacements.push_back(std::make_unique<Replacement>(file.path, fileToReplace(file.path), file.options));
            replacements.back()->prepare(std::move(file.bytes));
        }
    } catch (const GlymError& error) {
        throw GlymError(std::string(error.what()) + " Nothing was saved: no file has been changed.");
    }
    // Puts back, newest first, the files already replaced; says what could not be.
    auto undoCommitted = [&replacements](std::size_t committed) {
        std::string left;
        std::string putBack;
        for (std::size_t i = committed; i-- > 0;) {
            const std::string undone = replacements[i]->undo();
            if (!undone.empty())
                left += " " + undone;
            else
                putBack += (putBack.empty() ? "" : ", ") + replacements[i]->path();
        }
        if (left.empty())
            return committed == 0 ? std::string(" Nothing was saved: no file has been changed.")
                                  : " Nothing was saved: " + putBack + (committed == 1 ? " was" : " were") +
                                        " put back as before.";
        return " Not every file could be put back:" + left;
    };
    for (std::size_t i = 0; i < replacements.size(); ++i) {
        if (stillAsChecked && !stillAsChecked(replacements[i]->path())) {
            undoCommitted(i);
            return {{}, replacements[i]->path()};
        }
        try {
            replacements[i]->commit();
        } catch (const GlymError& error) {
            throw GlymError(std::string(error.what()) + undoCommitted(i));
        }
    }
    SaveOutcome outcome;
    for (const auto& replacement : replacements) {
        try {
            if (std::string note = replacement->finish(); !note.empty())
                outcome.notes.push_back(std::move(note));
        } catch (const GlymError& error) {
            outcome.notes.push_back(error.what());
        }
    }
    return outcome;
}

SaveLock::SaveLock(const std::string& directory) {
    fd_ = ::open((directory + "/.glymconf.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd_ >= 0)
        while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
        }
}

SaveLock::~SaveLock() {
    if (fd_ >= 0)
        ::close(fd_); // the lock goes with the descriptor
}

std::optional<UntrustedLink> untrustedLink(const std::string& path) {
    // The walk keeps what it has resolved free of links, so that ".." can be taken off it as text.
    auto partsOf = [](const std::string& name) {
        std::vector<std::string> parts;
        for (std::size_t start = 0; start <= name.size();) {
            const std::size_t slash = std::min(name.find('/', start), name.size());
            if (slash > start && name.compare(start, slash - start, ".") != 0)
                parts.push_back(name.substr(start, slash - start));
            start = slash + 1;
        }
        return parts;
    };
    auto up = [](const std::string& resolved) -> std::string {
        const auto slash = resolved.find_last_of('/');
        if (resolved.empty() || resolved == ".." || resolved.ends_with("/.."))
            return resolved.empty() ? ".." : resolved + "/..";
        if (slash == std::string::npos)
            return std::string();
        return slash == 0 ? "/" : resolved.substr(0, slash);
    };
    const uid_t user = ::geteuid();
    std::string resolved = path.starts_with('/') ? "/" : "";
    std::vector<std::string> rest = partsOf(path);
    std::reverse(rest.begin(), rest.end()); // the next part last
    bool followedAny = false;
    for (int followed = 0; !rest.empty();) {
        const std::string part = std::move(rest.back());
        rest.pop_back();
        if (part == "..") {
            resolved = up(resolved);
            continue;
        }
        const std::string next = resolved.empty() ? part : resolved + (resolved.ends_with('/') ? "" : "/") + part;
        struct stat entry {};
        if (::lstat(next.c_str(), &entry) != 0)
            return std::nullopt; // nothing further exists to lead anywhere
        if (!S_ISLNK(entry.st_mode)) {
            resolved = next;
            continue;
        }
        struct stat directory {};
        if (::stat(resolved.empty() ? "." : resolved.c_str(), &directory) != 0)
            return std::nullopt;
        if (entry.st_uid != user && entry.st_uid != directory.st_uid)
            return UntrustedLink{next, !followedAny && rest.empty(), entry.st_uid, directory.st_uid};
        std::string target(PATH_MAX, '\0');
        const ssize_t length = ::readlink(next.c_str(), target.data(), target.size());
        if (length < 0 || ++followed > 40)
            return std::nullopt; // the write fails on it by itself
        target.resize(static_cast<std::size_t>(length));
        if (target.starts_with('/'))
            resolved = "/";
        const std::vector<std::string> parts = partsOf(target);
        rest.insert(rest.end(), parts.rbegin(), parts.rend());
        followedAny = true;
    }
    return std::nullopt;
}

std::string untrustedLinkReason(const UntrustedLink& link) {
    return (link.isPath ? std::string("it") : link.link) + " is a symbolic link of " + userCalled(link.owner) +
           ", which may lead anywhere: a save follows a link only when it belongs to the user saving or to the " +
           "owner of its directory (" + userCalled(link.directoryOwner) + ")";
}
