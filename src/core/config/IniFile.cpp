#include "config/IniFile.h"

#include "common/Cp1251.h"
#include "common/Error.h"
#include "common/FileIo.h"
#include "common/FileRecord.h"
#include "common/Numbers.h"
#include "config/IniDocument.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What reading a profile file gave: its bytes, or why it cannot be written (empty when it can).
struct FileContent {
    std::string bytes;
    std::string unwritable;
};

// Reads the file only when it is a regular file: opening does not wait (a FIFO would block the open until a
// writer came), and nothing else is read (a device such as /dev/zero never ends). A missing file is empty.
FileContent readProfileFile(const std::string& path) {
    const std::string failure = "Unable to write to " + path;
    auto unreadable = [&](const std::string& reason) {
        FileRecord::noteUnreadable(path, reason);
        return FileContent{{}, failure + ": " + reason};
    };
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno != ENOENT)
            return unreadable(std::strerror(errno));
        FileRecord::noteMissing(path);
        return {}; // a missing file is created by the first write
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        return unreadable(std::strerror(errno));
    if (!S_ISREG(info.st_mode))
        return unreadable(S_ISDIR(info.st_mode) ? std::strerror(EISDIR) : "Not a regular file");

    // Straight into the string, in blocks of at least 64 KiB: a file may still grow while it is read.
    std::string bytes(static_cast<std::size_t>(std::max<off_t>(info.st_size, 0)) + (1 << 16), '\0');
    std::size_t size = 0;
    for (;;) {
        if (bytes.size() - size < (1 << 16))
            bytes.resize(bytes.size() * 2);
        const ssize_t got = ::read(fd.get(), bytes.data() + size, bytes.size() - size);
        if (got == 0) {
            bytes.resize(size);
            FileRecord::noteRead(path, info, bytes);
            return {std::move(bytes), {}};
        }
        if (got < 0 && errno != EINTR && errno != EAGAIN)
            return unreadable(std::strerror(errno)); // the file's other lines cannot be kept
        if (got > 0)
            size += static_cast<std::size_t>(got);
    }
}

// Names are used without the spaces around them; other blanks (a tab) are characters of the name.
std::string_view withoutSpaces(std::string_view name) {
    while (!name.empty() && name.front() == ' ')
        name.remove_prefix(1);
    while (!name.empty() && name.back() == ' ')
        name.remove_suffix(1);
    return name;
}

bool holdsLineBreakOrNul(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// The file trims these around every name it holds, so a name beginning or ending with one is never found again.
bool hasOuterBlank(std::string_view name) {
    auto blank = [](char c) {
        return c == '\t' || c == '\v' || c == '\f' || c == 0x1A;
    };
    return !name.empty() && (blank(name.front()) || blank(name.back()));
}

// Why the names and the value cannot be stored so that they read back as written; empty when they can.
std::string unstorable(std::string_view section, std::string_view key, std::string_view value) {
    const std::string where = "[" + std::string(section) + "] " + std::string(key);
    // A line break would turn into lines of its own, e.g. a new section.
    if (holdsLineBreakOrNul(section) || holdsLineBreakOrNul(key) || holdsLineBreakOrNul(value))
        return "a line break cannot be stored in " + where;
    const char* why = nullptr;
    if (section.find(']') != std::string_view::npos)
        why = "a section name cannot hold \"]\"";
    else if (key.starts_with('['))
        why = "a key name cannot start with \"[\"";
    else if (key.starts_with(';'))
        why = "a key name cannot start with \";\"";
    else if (key.find('=') != std::string_view::npos)
        why = "a key name cannot hold \"=\"";
    else if (hasOuterBlank(section) || hasOuterBlank(key))
        why = "a name cannot begin or end with a tab or a control character";
    return why ? std::string(why) + ", so " + where + " would not read back" : std::string();
}

// A value as the caller gets it: up to a NUL byte, without one pair of enclosing quotes, at most 2047 bytes.
std::string valueAsRead(std::string_view stored) {
    if (const auto nul = stored.find('\0'); nul != std::string_view::npos)
        stored = IniDocument::trimBlanks(stored.substr(0, nul));
    if (stored.size() >= 2 && (stored.front() == '"' || stored.front() == '\'') && stored.back() == stored.front())
        stored = stored.substr(1, stored.size() - 2);
    return std::string(stored.substr(0, IniFile::kMaxValueLength));
}

std::string defaultAsRead(const std::string& defaultValue) {
    std::string_view text = defaultValue;
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return std::string(text.substr(0, IniFile::kMaxValueLength));
}

} // namespace

IniSession::IniSession(std::string path) : path_(std::move(path)) {
    FileContent content = readProfileFile(path_);
    unwritable_ = std::move(content.unwritable);
    document_ = std::make_unique<IniDocument>(std::move(content.bytes));
}

IniSession::IniSession(std::string path, std::string content)
    : path_(std::move(path)), document_(std::make_unique<IniDocument>(std::move(content))) {}

IniSession::~IniSession() = default;

std::string IniSession::readString(const std::string& section, const std::string& key,
                                   const std::string& defaultValue) const {
    if (const auto value = document_->value(withoutSpaces(section), withoutSpaces(key)))
        return valueAsRead(*value);
    return defaultAsRead(defaultValue);
}

int IniSession::readInteger(const std::string& section, const std::string& key, int defaultValue) const {
    return parseInt32(readString(section, key, std::string())).value_or(defaultValue);
}

bool IniSession::readBool(const std::string& section, const std::string& key, bool defaultValue) const {
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

std::optional<std::size_t> IniSession::lineOf(const std::string& section, const std::string& key) const {
    return document_->lineNumber(withoutSpaces(section), withoutSpaces(key));
}

std::optional<std::string> IniSession::storedValue(const std::string& section, const std::string& key) const {
    if (const auto value = document_->value(withoutSpaces(section), withoutSpaces(key)))
        return std::string(*value);
    return std::nullopt;
}

void IniSession::writeString(const std::string& section, const std::string& key, const std::string& value) {
    const std::string_view sectionName = withoutSpaces(section);
    const std::string_view keyName = withoutSpaces(key);
    if (const std::string why = unstorable(sectionName, keyName, value); !why.empty())
        throw GlymError("Unable to write to " + path_ + ": " + why);
    if (!unwritable_.empty())
        throw GlymError(unwritable_);
    document_->set(sectionName, keyName, value);
    written_ = true;
}

void IniSession::writeInteger(const std::string& section, const std::string& key, int value) {
    writeString(section, key, std::to_string(value));
}

void IniSession::writeBool(const std::string& section, const std::string& key, bool value) {
    writeString(section, key, value ? "1" : "0");
}

void IniSession::startAfresh() {
    document_ = std::make_unique<IniDocument>(std::string());
    unwritable_.clear();
    afresh_ = true;
}

std::string readProfileString(std::string content, const std::string& section, const std::string& key) {
    const IniDocument document(std::move(content));
    if (const auto value = document.value(withoutSpaces(section), withoutSpaces(key)))
        return valueAsRead(*value);
    return defaultAsRead(std::string());
}

std::string profileFileProblem(const std::string& path) {
    const FileContent content = readProfileFile(path);
    if (!content.unwritable.empty())
        return "cannot be read: " + content.unwritable.substr(("Unable to write to " + path + ": ").size());
    return cp1251::looksLikeUtf16(content.bytes) ? "is UTF-16 text" : std::string();
}

std::optional<FileToWrite> IniSession::pendingWrite() const {
    if (!written_)
        return std::nullopt;
    return FileToWrite{path_, document_->bytes(), {.keepBackup = afresh_, .refuseWriteProtected = true}};
}

std::string IniSession::commit() {
    const std::optional<FileToWrite> pending = pendingWrite();
    if (!pending)
        return std::string();
    std::string note = writeProfileFile(*pending);
    written_ = false;
    return note;
}

std::string writeProfileFile(const FileToWrite& write) {
    try {
        return writeFileAtomically(write.path, write.bytes, write.options);
    } catch (const GlymError& error) {
        // The reason follows the plain message, which names the file as it was given.
        const std::string plain = "Unable to write to " + write.path;
        const std::string detail = error.what();
        if (detail.compare(0, plain.size(), plain) == 0)
            throw;
        throw GlymError(plain + ": " + detail);
    }
}

IniFile::IniFile(std::string path) : path_(std::move(path)) {}

std::string IniFile::readString(const std::string& section, const std::string& key,
                                const std::string& defaultValue) const {
    return IniSession(path_).readString(section, key, defaultValue);
}

void IniFile::writeString(const std::string& section, const std::string& key, const std::string& value) {
    IniSession session(path_);
    session.writeString(section, key, value);
    session.commit();
}

int IniFile::readInteger(const std::string& section, const std::string& key, int defaultValue) const {
    return IniSession(path_).readInteger(section, key, defaultValue);
}

void IniFile::writeInteger(const std::string& section, const std::string& key, int value) {
    writeString(section, key, std::to_string(value));
}

bool IniFile::readBool(const std::string& section, const std::string& key, bool defaultValue) const {
    return IniSession(path_).readBool(section, key, defaultValue);
}

void IniFile::writeBool(const std::string& section, const std::string& key, bool value) {
    writeString(section, key, value ? "1" : "0");
}

void IniFile::flush() {
    // Every write has already been synced before it replaced the file; this syncs once more for callers that
    // wrote through other means, and never fails the caller. Only a regular file is opened, without waiting.
    FileDescriptor fd(::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    if (fd.get() >= 0 && ::fstat(fd.get(), &info) == 0 && S_ISREG(info.st_mode))
        ::fsync(fd.get());
}
