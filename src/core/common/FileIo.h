#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <unistd.h>
#include <utility>
#include <vector>

// Reading and writing whole files. Every file the configurator saves goes through writeFileAtomically.

// Owns an open file descriptor and closes it when it goes.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            if (fd_ >= 0)
                ::close(fd_);
            fd_ = other.release();
        }
        return *this;
    }
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

// The directory part of a path ("." for a bare name, "/" for a file at the root) and its last part.
std::string directoryOf(const std::string& path);
std::string baseNameOf(const std::string& path);
// A name as seen from outside directory: relative names are joined to it ("." and "glym30.ini" give
// "./glym30.ini"); an empty directory leaves every name as it is.
std::string pathInDirectory(std::string_view directory, std::string_view name);

// True when path names an existing regular file, directly or through symbolic links (a directory, a named pipe or
// a device does not count).
bool fileExists(const std::string& path);

// The file's bytes. Only a regular file is read: a named pipe or a device (which could block for ever or never
// end) is refused without waiting. Throws GlymError ("Cannot open file ..." or "Cannot read file \"...\". Not a
// regular file") when the file cannot be opened or read.
std::string readWholeFile(const std::string& path);

// As readWholeFile, but nothing when no entry of that name exists (or the name is empty). Anything that exists
// and is not a readable regular file is an error, so that it is not mistaken for a missing file.
std::optional<std::string> readWholeFileIfPresent(const std::string& path);

// A key that is equal for two names of one file, so that one file is not written twice under two spellings.
// Relative names count from the current directory. An existing file is known by its device and inode (symbolic
// links, ".", "..", hard links and bind mounts all lead to it); a missing one by its directory, resolved, and its
// name. An empty name gives an empty key.
std::string fileIdentity(const std::string& path);

// Whether the two names lead to the same file (see fileIdentity); two empty names are the same.
bool sameFile(const std::string& first, const std::string& second);

// Text lines as the proxy's files hold them: a line ends at CR, LF or CR LF; a final line end does not
// start another line; every other byte (NUL included) belongs to its line.
std::vector<std::string> splitTextLines(std::string_view bytes);

// The lines, each one ended by CR LF (the last one too). No lines give no bytes.
std::string joinCrLfLines(const std::vector<std::string>& lines);

struct AtomicWriteOptions {
    // Keep the previous content as path + ".bak" (replacing an older backup; a stale backup of a file
    // that no longer exists is deleted).
    bool keepBackup = false;
    // Refuse to replace a file whose write permission is off, even for root: the administrator marked
    // it read-only, as the read-only attribute does on Windows.
    bool refuseWriteProtected = false;
    // A file that does not exist yet is created with this file's mode and group (the owner keeps reading and
    // writing it), narrowed by the umask as any new file is; empty, or no such file: the default permissions.
    std::string newFileLike = std::string();
};

// Replaces the file's content with bytes, all or nothing: the bytes go to a temporary file beside it, which is
// flushed to disk and given the permissions of the file it replaces (a new file gets the default permissions of
// its directory, or those of options.newFileLike) before it takes its name. Only regular files are replaced.
//
// With a backup the steps are ordered so that a failure at any of them leaves either the old file with its old
// backup, or (once the new file has its name) the new file with the old content as backup; no temporary file
// stays behind. GlymError names the file that failed and the reason, then says what the files hold:
// "Unable to write to <path>: <reason>. <path> and <path>.bak are unchanged."
//
// A symbolic link is followed: the file it points to is replaced (its backup lies beside it) and the link stays;
// a link to nothing is refused, and so is a link that untrustedLink names (on the way to the file too).
//
// A new file takes the mode and group of options.newFileLike when given. Where its user may not give it that group,
// its own group gets no more than others (the permissions meant for that group go to no other), and a sentence
// says so.
//
// The new file takes the old one's owner, group and mode before it takes its name. Where it cannot (a member of
// the file's group saving a file someone else owns) or where no file can be created in the directory but the
// file itself may be written, the file is written in place instead, once its old content is safe: in the backup,
// or without one in a copy (beside it, else in the temporary directory) removed when the write has succeeded.
// Returns a sentence saying so in that case, for the user; an empty string when the file was replaced.
std::string writeFileAtomically(const std::string& path, std::string_view bytes,
                                const AtomicWriteOptions& options = {});

// Several files written as one save. Every new content is prepared first (written beside its file and synced, so
// that a full disk or a name that cannot be written stops the save before any file changes); then they replace
// their files in the order given. When a replacement fails, the files already replaced get their previous content
// back, and the error says what every file holds. Just before each replacement stillAsChecked(path) is asked
// whether the file is still what was checked before the save: when it is not, the files already replaced are put
// back and the outcome names that file (nothing saved). A file written without a backup cannot be put back: give
// it last.
struct FileToWrite {
    std::string path;
    std::string bytes;
    AtomicWriteOptions options;
};
struct SaveOutcome {
    std::vector<std::string> notes; // what the writes had to do differently (see writeFileAtomically)
    std::string changedMeanwhile;   // the file that stillAsChecked refused; empty when the save was made
};
SaveOutcome writeFilesTogether(std::vector<FileToWrite> files,
                               const std::function<bool(const std::string& path)>& stillAsChecked = {});

// Holds an advisory lock (flock) on ".glymconf.lock" in the directory while it lives, so that two saves of this
// program (two windows, the command line) never interleave: the second waits. Where the lock file cannot be made
// (a directory that cannot be written), it holds nothing.
class SaveLock {
public:
    explicit SaveLock(const std::string& directory);
    ~SaveLock();
    SaveLock(const SaveLock&) = delete;
    SaveLock& operator=(const SaveLock&) = delete;

private:
    int fd_ = -1;
};

// A symbolic link a save does not follow: one that belongs neither to the user saving nor to the owner of the
// directory holding it (the rule of the kernel's protected symbolic links, here applied in every directory). Anyone
// who may create a file in a directory can put a link there under the name of a file still to be created, and
// through it have the next save replace any file the saving user may write.
struct UntrustedLink {
    std::string link;    // its name: the path walked up to it, its own links resolved
    bool isPath = false; // the link is the path itself, not a link on the way to it
    uid_t owner = 0;
    uid_t directoryOwner = 0;
};

// The first untrusted symbolic link met while path is resolved (links in its directories, the name itself and the
// targets of links followed on the way); nothing when every link there may be followed, or when the walk ends at a
// part that does not exist. Relative names count from the current directory.
std::optional<UntrustedLink> untrustedLink(const std::string& path);

// Why such a link is not followed, naming it and its owner: "it is a symbolic link of user 4321 ("nobody"), ...".
std::string untrustedLinkReason(const UntrustedLink& link);
