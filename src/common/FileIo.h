#pragma once

#include <string>
#include <unistd.h>
#include <utility>
#include <string_view>
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
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

// True when path names an existing file (a directory does not count).
bool fileExists(const std::string& path);

// The file's bytes. Throws GlymError ("Cannot open file ...") when it cannot be opened or read.
std::string readWholeFile(const std::string& path);

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
};

// Replaces the file's content with bytes, all or nothing: the bytes go to a temporary file beside it,
// which is flushed to disk and given the permissions of the file it replaces before it takes its name.
// If anything fails, the old file (and its old backup) is untouched and GlymError says
// "Unable to write to <path>: <reason>". A symbolic link is followed: the file it points to is replaced (its backup
// lies beside it) and the link stays; a link to nothing is refused.
void writeFileAtomically(const std::string& path, std::string_view bytes, const AtomicWriteOptions& options = {});
