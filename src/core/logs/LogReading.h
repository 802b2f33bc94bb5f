#pragma once

#include "logs/ConnectionStats.h"
#include "logs/LineTime.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct LogReadingOptions {
    ConnectionStatsOptions reading; // progress (over all files), cancel, block size, parts of a plain file
    // Only the connections that start within it count; the others, and the lines whose start cannot be read, are
    // noted (ConnectionStats::notes).
    std::optional<logtime::Period> period;
    // The last file is followed: its unfinished last line waits for its line end, and follow() reads on.
    bool follow = false;
};

// Several connection logs read as one, in the order given (inTimeOrder gives the usual one): a client's rows go on
// from file to file as if the files were one log, whose lines are numbered file by file. A file compressed with
// gzip or zstd is decompressed as it is read (in one pass, on one core); a plain one is read in parts side by side
// (readInParts). Only the logs are read, with no lock.
//
// Following, the last file is read on from where the reading left it, as the proxy appends to it: follow() reads
// only the bytes appended since. When the file has been replaced (a rotation renamed it and the proxy started a new
// one) the rest of the old file is read, then the new one from its start; when it has been cut shorter (emptied),
// it is read again from its start, the rows counted before staying.
class LogReading {
public:
    LogReading(std::vector<std::string> paths, LogReadingOptions options);
    ~LogReading();
    LogReading(const LogReading&) = delete;
    LogReading& operator=(const LogReading&) = delete;

    // Reads every file. Throws GlymError when one cannot be opened or read, is no regular file, or is compressed in
    // a form not read; the rows of the files before it are then lost with the reading.
    void read();

    enum class FollowStep { Unchanged, Appended, Replaced, Truncated };
    // Reads what was appended to the last file since the last reading (throws GlymError as read() does).
    FollowStep follow();
    // Whether follow() can read on: the last file is plain (not compressed) and no line stopped the reading.
    bool followable() const;

    // The figures of every line read so far.
    ConnectionStats stats() const;
    // The files read, in order: the paths given, and the followed file once more after each rotation or
    // truncation (the notes' file indexes count in this list).
    const std::vector<std::string>& files() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The logs in the order they were written: rotations named "<log>.<N>" (with ".gz" or ".zst" after it, or not)
// first, the highest number first, as it is the oldest; then the others, oldest modification first (the log
// itself, still written to, is the newest).
std::vector<std::string> inTimeOrder(std::vector<std::string> paths);

// Reads a whole log (plain or compressed) at once: the statistics the page shows.
ConnectionStats readLogs(const std::vector<std::string>& paths, const LogReadingOptions& options = {});
