#pragma once

#include "common/FileIo.h"

#include <memory>
#include <optional>
#include <string>

class IniDocument;

// A Windows-style profile (INI) file, read and written the way the proxy and its tools always have:
// - a section starts at a line whose first non-blank character is "["; its name ends at the first "]" (or at the
//   end of the line), blanks around it do not count; a line starting with ";" is a comment; any other line is a key,
//   "name=value" (blanks around the name and the value do not count), or a name alone without a value;
// - section and key names match without regard to letter case; the first section of a name and the first key
//   of a name in it are the ones used; lines before the first section belong to no section; a UTF-8 signature
//   at the start of the file does not hide the first section;
// - the names passed in are used without their surrounding spaces (tabs are characters of the name);
// - a value read loses one pair of enclosing quotation marks (" or ') and is cut to 2047 bytes;
// - writing replaces the key's line where it stands, or adds the key after the last key of its section (before
//   the comments and blank lines that end it), or appends the section at the end of the file; every other line is
//   kept byte for byte. Lines written end in CR LF.
// Only regular files are read or written: a file that cannot be read, or something else in its place (a
// directory, a FIFO, a device), reads like a missing file and cannot be written.
// A write fails with "Unable to write to <path>: <reason>", the path as given.

// A series of reads and writes of one file: the file is read once when the session starts, the writes are applied
// in memory, and commit() replaces the file once with all of them (one temporary file, one fsync, one rename) or,
// when anything fails, leaves it as it was.
class IniSession {
public:
    explicit IniSession(std::string path);
    // A session over content given instead of the file's (what the file held once): nothing is read, and what it
    // would write comes back through pendingWrite only.
    IniSession(std::string path, std::string content);
    ~IniSession();
    IniSession(const IniSession&) = delete;
    IniSession& operator=(const IniSession&) = delete;

    const std::string& path() const { return path_; }

    std::string readString(const std::string& section, const std::string& key, const std::string& defaultValue) const;
    // Decimal, or hexadecimal after "0x", "0X" or "$"; text that is not a whole number gives the default.
    int readInteger(const std::string& section, const std::string& key, int defaultValue) const;
    // An integer that is not 0.
    bool readBool(const std::string& section, const std::string& key, bool defaultValue) const;
    // The number (from 1) of the line that holds the key in the file as read, or nothing when it has none.
    std::optional<std::size_t> lineOf(const std::string& section, const std::string& key) const;
    // The value as the file stores it, writes of this session applied: without the blanks around it but with its
    // quotes, whole; nothing when the file has no such key (or the key's line no "=").
    std::optional<std::string> storedValue(const std::string& section, const std::string& key) const;

    // A name or value that would not read back as written (a line break, a key starting with "[" or ";" or holding
    // "=", a section name holding "]") is refused, as is any write to a file that cannot be read.
    void writeString(const std::string& section, const std::string& key, const std::string& value);
    void writeInteger(const std::string& section, const std::string& key, int value);
    void writeBool(const std::string& section, const std::string& key, bool value); // "1" or "0"
    // Starts from an empty file, whatever the file holds now (it could not be read, or not as a profile): the next
    // commit replaces it with the keys written since, keeping its present content as path + ".bak".
    void startAfresh();

    // What commit() would store: the file and its new content with the options of its write; nothing when nothing
    // was written. For a caller that writes it together with other files (writeFilesTogether).
    std::optional<FileToWrite> pendingWrite() const;

    // Stores what was written since the session started (or since the last commit); nothing when nothing was.
    // Returns what the write had to do differently (see writeFileAtomically); empty when nothing.
    std::string commit();

private:
    std::string path_;
    std::string unwritable_; // why the file cannot be written; empty when it can
    std::unique_ptr<IniDocument> document_;
    bool written_ = false;
    bool afresh_ = false;
};

// Writes a profile's new content (IniSession::pendingWrite); an error names the file as it was given.
std::string writeProfileFile(const FileToWrite& write);

// What IniSession::readString gives for the key in a profile of that content ("" when it has none), for a caller
// that holds the file's bytes already.
std::string readProfileString(std::string content, const std::string& section, const std::string& key);

// Why the file cannot serve as a profile: "cannot be read: <reason>" (it exists, but is no readable regular file)
// or "is UTF-16 text" (whose keys no reader finds); empty when it can, or when it does not exist.
std::string profileFileProblem(const std::string& path);

// The same operations, each one on the file itself: a read reads the file, a write replaces it at once.
class IniFile {
public:
    explicit IniFile(std::string path);

    const std::string& path() const { return path_; }

    std::string readString(const std::string& section, const std::string& key, const std::string& defaultValue) const;
    void writeString(const std::string& section, const std::string& key, const std::string& value);

    int readInteger(const std::string& section, const std::string& key, int defaultValue) const;
    void writeInteger(const std::string& section, const std::string& key, int value);

    bool readBool(const std::string& section, const std::string& key, bool defaultValue) const;
    void writeBool(const std::string& section, const std::string& key, bool value);

    // Makes sure everything written has reached the disk.
    void flush();

    // The longest value a read returns, in bytes.
    static constexpr std::size_t kMaxValueLength = 2047;

private:
    std::string path_;
};
