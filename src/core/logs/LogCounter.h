#pragma once

#include "logs/BlockScanner.h"
#include "logs/ClientTable.h"
#include "logs/ConnectionStats.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace logstats {

// Counts a log, or a part of one that starts at a line start, fed to it in pieces of any size. The bytes come
// into one buffer: the unfinished line the last piece left, then the new data, then padding for the scanner's
// whole-word loads.
class LogCounter {
public:
    // table: what the lines before this part gave, to be counted on; linesBefore: how many there were.
    // period: when not null, only the lines that start within it count.
    explicit LogCounter(ClientTable table = ClientTable(), std::uint64_t linesBefore = 0,
                        const logtime::Period* period = nullptr);

    // Room for the next size bytes, to be filled by the caller and handed over with commit(count), count <= size.
    std::span<char> prepare(std::size_t size);
    void commit(std::size_t count);
    // The end of the data: a last line without a line end counts like any other.
    void finish();

    bool stopped() const { return table_.stopped(); }
    // Lines seen so far, those before the part included.
    std::uint64_t lines() const { return scanner_.lines(); }
    // The lines that did not count.
    LineNotes& notes() { return scanner_.notes(); }
    const LineNotes& notes() const { return scanner_.notes(); }
    // Bytes of an unfinished last line, kept until more data or finish() ends it.
    std::size_t unfinished() const { return used_; }
    ClientTable& table() { return table_; }
    const ClientTable& table() const { return table_; }

private:
    std::vector<char> buffer_;
    std::size_t used_ = 0; // bytes in buffer_: the unfinished line carried over, then new data
    BlockScanner scanner_;
    ClientTable table_;
};

// The page's figures from a table and the lines read (cancelled left false).
ConnectionStats statsOf(const ClientTable& table, std::uint64_t lines);

} // namespace logstats
