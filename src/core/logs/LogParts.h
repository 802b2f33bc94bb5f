#pragma once

#include "common/FileIo.h"
#include "logs/ClientTable.h"
#include "logs/ConnectionStats.h"
#include "logs/LineTime.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace logstats {

// A log opened for reading, with its size then.
struct OpenLog {
    FileDescriptor fd;
    std::uint64_t size;
};

// Opens a log read-only and without a lock: the proxy keeps appending while we read, and must never wait for us.
// Throws GlymError when the file cannot be opened ("Cannot open file \"<path>\". <reason>") or is no regular file
// (a directory, a named pipe).
OpenLog openLog(const std::string& path);

// The parts a plain log is read in: options.threads, or one per core (up to 8) for 0.
std::size_t partsFor(const ConnectionStatsOptions& options);

// An open connection log, read by offsets so that its parts can be read side by side from one descriptor.
struct LogFile {
    int fd;
    std::string path;   // for messages
    std::uint64_t size; // when the reading starts
    // Whether the last part reads on to the end, as the proxy may still be appending; else the reading ends at size.
    bool toEnd = true;
};

// What the lines of a log (or of a log after others) gave.
struct PartsCount {
    ClientTable table;
    std::uint64_t lines = 0; // of this log
    LineNotes notes;         // of this log, its lines numbered in it
    bool cancelled = false;
};

// Reads up to size bytes at offset (fewer at the end of the file). Throws GlymError when the file cannot be read.
std::size_t readAt(const LogFile& log, char* to, std::size_t size, std::uint64_t offset);

// Reads the log in up to `parts` parts at line starts, each in a thread of its own but the first, which the
// calling thread reads, and merges their tables into exactly what one pass over the log gives, counting on from
// `start` (the table of the logs before it); one part is that one pass. period: when not null, only the lines that
// start within it count. Throws GlymError when the file cannot be read.
PartsCount countInParts(const LogFile& log, const ConnectionStatsOptions& options, std::size_t parts,
                        ClientTable start = ClientTable(), const logtime::Period* period = nullptr);

// The same, as the page's figures.
ConnectionStats readInParts(const LogFile& log, const ConnectionStatsOptions& options, std::size_t parts);

} // namespace logstats
