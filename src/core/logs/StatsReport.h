#pragma once

#include "logs/ConnectionStats.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// What the statistics page makes of its rows: the table an administrator exports, the totals of the status bar
// and the clients the chart ranks. The cells are those of ConnectionStatsRow: Windows-1251 text, the numbers as
// the reading left them (a cell the reading could not convert keeps its text).
namespace statsreport {

// ---------------------------------------------------------------------------------------------------------------
// Export

enum class TableFormat {
    Csv, // comma-separated values: quoted where needed, CR LF line ends
    Tsv, // tab-separated text, quoted the same way where a cell holds a tab, a quote or a line end
};

// The format a file's name asks for: ".csv" is CSV, ".tsv" and ".txt" are tab-separated (letter case ignored);
// any other name gets `otherwise`.
TableFormat formatForFile(std::string_view fileName, TableFormat otherwise);

// A table as text for a spreadsheet: UTF-8, one record a line, every line ended by CR LF.
class TableText {
public:
    explicit TableText(TableFormat format, std::size_t expectedBytes = 0);

    // One record; the cells are Windows-1251 bytes (written as UTF-8). A cell that holds the separator, a double
    // quote, CR or LF is put in double quotes with its quotes doubled; any other cell is written as it is.
    void addRecord(std::span<const std::string_view> cells);

    // Records made by another TableText of the same format, as they stand.
    void addText(std::string_view records) { text_.append(records); }

    const std::string& bytes() const { return text_; }

private:
    char separator_;
    std::string text_;
};

// ---------------------------------------------------------------------------------------------------------------
// Totals

struct Totals {
    std::size_t clients = 0;
    std::int64_t connections = 0; // "Count Access", summed
    std::int64_t queries = 0;     // "Count Query", summed
    std::int64_t kilobytes = 0;   // "Send, kB", summed
    // Cells that were no number (the text of a client seen once, or left by a reading stopped by it): not summed.
    std::size_t unreadableCells = 0;
};

// Sums the rows. A sum beyond the 64-bit range stays at the largest (or smallest) value.
Totals totalsOf(std::span<const ConnectionStatsRow> rows);

// How numbers are written: plainly ("5120", "1.5"), or as a locale groups them ("5,120", "1,5").
struct NumberFormat {
    std::function<std::string(std::int64_t)> whole;
    std::function<std::string(double)> oneDecimal;
};
const NumberFormat& plainNumbers();

// "12 clients, 340 connections, 5120 queries, 1.5 MiB sent; read in 0.42 s" (and a note of unreadable cells).
std::string totalsText(const Totals& totals, double seconds, const NumberFormat& format = plainNumbers());

// An amount of kilobytes in the binary unit that suits it: "512 KiB", "1.5 MiB", "20.0 GiB", "3.2 TiB" (1 MiB =
// 1024 KiB).
std::string humanKilobytes(std::int64_t kilobytes, const NumberFormat& format = plainNumbers());

// The sums of the clients of each user group. groupOfRow gives each row's group: a group number, kNoGroup or
// kSeveralGroups (a client that matches several groups is summed in that row only, never twice).
constexpr int kNoGroup = -1;
constexpr int kSeveralGroups = -2;
struct GroupTotals {
    int group;
    Totals totals;
};
// The groups in increasing number, then the clients of several groups, then those of none; only those with clients.
std::vector<GroupTotals> groupTotals(std::span<const ConnectionStatsRow> rows, std::span<const int> groupOfRow);

// The unit humanKilobytes gives an amount, and the kilobytes one of it holds.
struct KilobyteUnit {
    const char* name;
    double kilobytes;
};
KilobyteUnit unitFor(std::int64_t kilobytes);

// ---------------------------------------------------------------------------------------------------------------
// Ranking

enum class Measure {
    Traffic,     // "Send, kB"
    Connections, // "Count Access"
};

struct RankedClient {
    std::string address;
    std::int64_t value;

    bool operator==(const RankedClient&) const = default;
};

// The `count` clients with the largest value of the measure, largest first; of equal values the client seen first
// in the log comes first. A client whose cell is no number is not ranked.
std::vector<RankedClient> topClients(std::span<const ConnectionStatsRow> rows, Measure measure, std::size_t count = 20);

} // namespace statsreport
