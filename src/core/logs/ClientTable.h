#pragma once

#include "logs/ConnectionStats.h"
#include "logs/LogLine.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace logstats {

// The rows of the statistics page, counted line by line: one client per address (letter case ignored,
// Windows-1251), in order of first appearance. A client starts with its first line's texts as they stand; only
// when a second line of it arrives are the cells converted and summed (64-bit). A text that is not a whole number,
// or a sum out of range, stops the counting at that line; the updates the line made before the failure stay, in
// this order: "Send, kB" (cell, then field 8), "Last Disconnect", "Count Access", "Count Query" (cell, then
// field 7). Once stopped, the table takes no more lines.
//
// Nothing in a client depends on where in the log its lines were, so two tables counted over consecutive parts
// of a log add up (absorb): the later table's clients, in its order, either extend a client of the earlier one
// (cells summed as a further line would, last disconnect taken from the later part) or follow as new rows. Only
// where a line would stop the counting does the place matter: the rows must then be those at that line, which
// only counting the later part's lines here gives.
class ClientTable {
public:
    // Lines counted at once, so that their table slots and client records are fetched while the others wait.
    static constexpr std::size_t kBatch = 32;

    ClientTable();
    ~ClientTable();
    ClientTable(ClientTable&&) noexcept;
    ClientTable& operator=(ClientTable&&) noexcept;

    // Count the lines in file order. Each returns false once the counting has stopped, at these lines or before.
    bool count(std::span<const ShortLine> lines);
    bool count(const LongLine& line);

    bool stopped() const;
    // Why the counting stopped, and the number of the line that stopped it.
    const std::optional<std::string>& error() const;
    std::uint64_t errorLine() const;

    // Takes in the clients of a table counted over the part of the log right after this table's, leaving it
    // empty, when that gives exactly what counting the part's lines here would. False, with both tables
    // unchanged, when either has stopped or when counting those lines here would stop the counting, or might:
    // a conversion that fails, a sum out of range, or a client whose later lines mix signs.
    bool absorb(ClientTable& later);

    std::vector<ConnectionStatsRow> rows() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace logstats
