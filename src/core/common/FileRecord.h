#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct stat;

// What the configurator knows of each file it has read or written, so that a later save can tell whether someone
// else has changed the file since: its size, modification time and identity (device and inode) as the reading saw
// them, and a hash of the bytes read. A file that was missing, or that could not be read, is known as such.
struct FileFingerprint {
    enum class State { Missing, Read, Unreadable };

    State state = State::Missing;
    std::uint64_t size = 0;
    std::int64_t modified = 0; // nanoseconds since the epoch
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::size_t hash = 0;
    std::string reason; // Unreadable: why ("Permission denied")
    // Read: the bytes themselves, kept only by a record that keeps them (see FileRecord), shared by its copies.
    std::shared_ptr<const std::string> bytes;
};

// How a file on disk differs from what was last read or written.
enum class DiskChange {
    None,    // the same bytes (a file only touched, or rewritten with the same content, counts as the same)
    Changed, // other bytes
    Created, // it was missing and now exists
    Deleted, // it was read and now is gone
};

// "changed", "created", "deleted"; empty for None.
std::string_view describe(DiskChange change);

// The fingerprints of the files read or written while a Recording of it lived, by the name they were read under.
// The readers and the writer of FileIo (and the INI layer) report to the recording of their thread, if any.
class FileRecord {
public:
    // A record that keeps the bytes of what it hears of as well, so that what was read can be shown beside what the
    // file holds now (the configuration's own record: its rule files are a few megabytes at most).
    explicit FileRecord(bool keepBytes = false) : keepBytes_(keepBytes) {}

    // Reports the file operations of the current thread to record for as long as it lives. Recordings nest: the
    // innermost one is told. With writesOnly, reads are not noted (a save reads the settings file to merge into it,
    // but the window does not hold what it read there).
    class Recording {
    public:
        explicit Recording(FileRecord& record, bool writesOnly = false);
        ~Recording();
        Recording(const Recording&) = delete;
        Recording& operator=(const Recording&) = delete;

    private:
        Recording* outer_;
        FileRecord& record_;
        bool writesOnly_;
        friend class FileRecord;
    };

    // What the file operations of this thread report to (nothing when no Recording lives).
    static void noteRead(const std::string& name, const struct stat& info, std::string_view bytes);
    // The writer hands over the bytes it wrote (no copy of them is made for a record that keeps them).
    static void noteWritten(const std::string& name, const struct stat& info, std::string bytes);
    static void noteMissing(const std::string& name);
    static void noteUnreadable(const std::string& name, const std::string& reason);

    void clear() { files_.clear(); }

    // The bytes of the file of that name as they were read or written last; nothing when the record keeps no bytes,
    // or the file was missing, unreadable or never read.
    std::shared_ptr<const std::string> bytes(const std::string& name) const;

    // Why the file of that name could not be read when it was read last; nothing when it was read (or missing,
    // or never read). Two names of one file (see sameFile) are one file.
    std::optional<std::string> unreadable(const std::string& name) const;

    // Whether the record knows the file of that name (under this name or another one of it).
    bool knows(const std::string& name) const { return find(name) != nullptr; }

    // Whether the file of that name was read (or written) last time, under this name or another one of it.
    bool wasRead(const std::string& name) const;

    // How the file of that name differs now from what was read or written last. A file the record does not know,
    // or knows as unreadable, gives None. A file that has become unreadable since it was read counts as Changed
    // when its size or time has changed (its bytes cannot be compared).
    DiskChange changeOnDisk(const std::string& name) const;

private:
    void note(const std::string& name, FileFingerprint fingerprint);
    const FileFingerprint* find(const std::string& name) const;

    std::vector<std::pair<std::string, FileFingerprint>> files_;
    bool keepBytes_ = false;
};
