#include "common/FileIo.h"

#include "common/Error.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

std::string systemReason(int error) {
    return std::strerror(error);
}

std::string directoryOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
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

mode_t permissionsForNewFile() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

bool isWriteProtected(const std::string& path, const struct stat& info) {
    return (info.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0;
}

void syncDirectory(const std::string& directory) {
    FileDescriptor fd(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() >= 0)
        ::fsync(fd.get()); // best effort: the rename itself has already happened
}

// Gives the current file a second name beside it (staging), so that it can become path + ".bak" once the new
// file has taken its place. A hard link keeps the file under its own name meanwhile; where links are not
// possible it is renamed, and put back if the new file cannot take its place.
enum class Staged { None, Linked, Moved };

Staged stageBackup(const std::string& path, const std::string& staging) {
    if (::link(path.c_str(), staging.c_str()) == 0)
        return Staged::Linked;
    if (::rename(path.c_str(), staging.c_str()) == 0)
        return Staged::Moved;
    return Staged::None;
}

} // namespace

bool fileExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

std::string readWholeFile(const std::string& path) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        throw GlymError("Cannot open file \"" + path + "\". " + systemReason(errno));
    std::string content;
    struct stat info {};
    if (::fstat(fd.get(), &info) == 0 && info.st_size > 0)
        content.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw GlymError("Cannot read file \"" + path + "\". " + systemReason(errno));
        }
        content.append(buffer, static_cast<std::size_t>(got));
    }
    return content;
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

void writeFileAtomically(const std::string& path, std::string_view bytes, const AtomicWriteOptions& options) {
    auto fail = [&path](int error) {
        throw GlymError("Unable to write to " + path + ": " + systemReason(error));
    };

    // A symbolic link stays a link: the file it points to is the one replaced, and backed up beside it.
    std::string file = path;
    if (struct stat link{}; ::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
        if (!resolved)
            fail(errno);
        file = resolved.get();
    }

    struct stat existing {};
    const bool exists = ::stat(file.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode))
        fail(EISDIR);
    if (exists && options.refuseWriteProtected && isWriteProtected(file, existing))
        fail(EACCES);

    const std::string backup = file + ".bak";
    if (struct stat info{}; options.keepBackup && ::stat(backup.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        throw GlymError("Unable to write to " + backup + ": " + systemReason(EISDIR));

    std::string tempPath = file + ".XXXXXX";
    FileDescriptor fd(::mkstemp(tempPath.data()));
    if (fd.get() < 0)
        fail(errno);
    auto abandon = [&](int error) {
        ::unlink(tempPath.c_str());
        fail(error);
    };

    if (!writeAll(fd.get(), bytes) || ::fsync(fd.get()) != 0)
        abandon(errno);
    if (exists) {
        ::fchmod(fd.get(), existing.st_mode & 07777);
        if (::fchown(fd.get(), existing.st_uid, existing.st_gid) != 0) {
            // Only root may give a file away; anyone else keeps the new file as their own.
        }
    } else {
        ::fchmod(fd.get(), permissionsForNewFile());
    }
    if (::close(fd.release()) != 0)
        abandon(errno);

    // The old backup is replaced only after the new file is in place: any failure before that leaves the old
    // file and its old backup as they were.
    const std::string staging = tempPath + ".bak";
    Staged staged = Staged::None;
    if (options.keepBackup && exists) {
        staged = stageBackup(file, staging);
        if (staged == Staged::None)
            abandon(errno);
    }
    if (::rename(tempPath.c_str(), file.c_str()) != 0) {
        const int error = errno;
        if (staged == Staged::Moved)
            ::rename(staging.c_str(), file.c_str()); // put the old file back under its name
        else if (staged == Staged::Linked)
            ::unlink(staging.c_str());
        abandon(error);
    }
    if (options.keepBackup) {
        const bool backedUp = staged != Staged::None ? ::rename(staging.c_str(), backup.c_str()) == 0
                                                     : ::unlink(backup.c_str()) == 0 || errno == ENOENT;
        if (!backedUp) {
            const int error = errno;
            ::unlink(staging.c_str());
            throw GlymError("Unable to write to " + backup + ": " + systemReason(error));
        }
    }
    syncDirectory(directoryOf(file));
}
