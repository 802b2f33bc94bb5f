#pragma once

#include "logs/LineNotes.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Usage statistics from the proxy's connection log.
//
// Every line of the log is one client connection. Lines end at CR, LF or CR LF (a last line without a line end
// counts too); every other byte, NUL included, belongs to its line. A line counts when it has exactly 9 fields
// separated by single blanks (that is, exactly 8 blank bytes); each field is trimmed of leading and trailing
// bytes 0..32. Field 2 is the client address, fields 3+4 the start, 5+6 the end of the connection, 7 the number
// of queries and 8 the kilobytes sent. Every other line is skipped without a word.
//
// One row per address (letter case ignored, Windows-1251), in order of first appearance, captioned as first
// seen. A row starts with the first line's texts as they stand; only when a second line of the same address
// arrives are the cells converted to numbers and summed (64-bit). A text that is not a whole number, or a sum
// out of the 64-bit range, stops the reading at that line: the rows built so far stay, including the updates
// the failing line made before the failure, in this order: "Send, kB" (cell, then field 8), "Last
// Disconnect", "Count Access", "Count Query" (cell, then field 7). Nothing after that line counts.
//
// Inside, logstats::BlockScanner finds the lines of each block and logstats::ClientTable counts them;
// logstats::LogCounter owns the buffer between them. readConnectionStats reads the log in parts side by side, one
// per core, and merges their tables into what one pass gives (logstats::readInParts).

// One row of the statistics page, the cell texts in column order.
struct ConnectionStatsRow {
    std::string address;        // "IP Address"
    std::string sent;           // "Send, kB"
    std::string firstAccess;    // "First Access"
    std::string lastDisconnect; // "Last Disconnect"
    std::string countAccess;    // "Count Access"
    std::string countQuery;     // "Count Query"

    bool operator==(const ConnectionStatsRow&) const = default;
};

struct ConnectionStats {
    std::vector<ConnectionStatsRow> rows;
    // Why the reading stopped before the end of the log ("'abc' is not a valid integer value",
    // "Integer overflow"); the rows then hold what was built up to that line.
    std::optional<std::string> error;
    std::uint64_t errorLine = 0; // 1-based number of the line that stopped the reading, 0 without error
    std::size_t errorFile = 0;   // of several files, the index of the one that holds that line
    std::uint64_t linesRead = 0; // lines read, the line that stopped the reading included
    bool cancelled = false;      // the cancel flag was raised before the end of the log
    logstats::LineNotes notes;   // the lines that gave no connection, up to the line that stopped the reading
};

// Counts a log fed to it in pieces of any size; lines may span pieces. Feeding it costs no allocation per
// line: memory grows with the number of clients, not with the log (and with the longest line that may still
// count: one with more than 8 blanks is dropped as it comes in).
class ConnectionStatsCounter {
public:
    ConnectionStatsCounter();
    ~ConnectionStatsCounter();
    ConnectionStatsCounter(const ConnectionStatsCounter&) = delete;
    ConnectionStatsCounter& operator=(const ConnectionStatsCounter&) = delete;

    // Room for the next size bytes of the log, to be filled by the caller (a read() into it) and handed over
    // with commit(count), count <= size. Saves a copy for large logs.
    std::span<char> prepare(std::size_t size);
    void commit(std::size_t count);

    // The next bytes of the log (copied in).
    void feed(std::string_view bytes);

    // The end of the log: a last line without a line end counts like any other.
    void finish();

    // True once a line stopped the reading; later bytes are ignored.
    bool stopped() const;

    // The rows as the page shows them (cancelled is left false).
    ConnectionStats result() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

struct ConnectionStatsOptions {
    // Called after every block read, from the reading threads but one call at a time: bytes read so far, and the
    // file's size (at least the bytes read, as the proxy may still be appending).
    std::function<void(std::uint64_t done, std::uint64_t total)> progress;
    // Checked before every block; when raised, the reading ends with cancelled set, and the rows are those of the
    // first linesRead lines.
    const std::atomic<bool>* cancel = nullptr;
    // Bytes asked of every read.
    std::size_t blockSize = std::size_t{1} << 20;
    // Parts the log is read in side by side, a thread each: 0 for one per core (up to 8), 1 for one pass on the
    // calling thread. The result is the same whatever the number; a part is never smaller than a block.
    unsigned threads = 0;
};

// Reads the connection log at path, in blocks, so that it may run in a worker thread (progress, cancel). The file
// is only opened for reading, with no lock, so a proxy writing it is never held up. Throws GlymError when the
// file cannot be opened ("Cannot open file \"<path>\". <reason>"), is no regular file (a directory, a named
// pipe) or cannot be read; a failing line is not an exception but ConnectionStats::error.
ConnectionStats readConnectionStats(const std::string& path, const ConnectionStatsOptions& options = {});
