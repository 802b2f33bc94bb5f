#include "logs/StatsReport.h"

#include "common/Cp1251.h"
#include "common/Numbers.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <numeric>
#include <optional>

namespace statsreport {

namespace {

// The UTF-8 form of every Windows-1251 byte, built once.
struct Utf8Table {
    std::array<std::array<char, 4>, 256> bytes{};
    std::array<unsigned char, 256> lengths{};

    Utf8Table() {
        for (unsigned byte = 0; byte < 256; ++byte) {
            const char16_t code = cp1251::toUnicode(static_cast<unsigned char>(byte));
            auto& out = bytes[byte];
            if (code < 0x80) {
                out[0] = static_cast<char>(code);
                lengths[byte] = 1;
            } else if (code < 0x800) {
                out[0] = static_cast<char>(0xC0 | (code >> 6));
                out[1] = static_cast<char>(0x80 | (code & 0x3F));
                lengths[byte] = 2;
            } else {
                out[0] = static_cast<char>(0xE0 | (code >> 12));
                out[1] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
                out[2] = static_cast<char>(0x80 | (code & 0x3F));
                lengths[byte] = 3;
            }
        }
    }
};

const Utf8Table& utf8Table() {
    static const Utf8Table table;
    return table;
}

void appendUtf8(std::string& out, std::string_view cp1251Text) {
    const Utf8Table& table = utf8Table();
    for (const char c : cp1251Text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80)
            out.push_back(c);
        else
            out.append(table.bytes[byte].data(), table.lengths[byte]);
    }
}

// What a cell's bytes ask of it: nothing (written as they are), conversion (letters beyond ASCII) or quotes.
enum CellNeeds : unsigned char { kAsIs = 0, kConversion = 1, kQuotes = 2 };

CellNeeds needsOf(std::string_view cell, char separator) {
    unsigned needs = kAsIs;
    for (const char c : cell) {
        if (static_cast<unsigned char>(c) >= 0x80)
            needs |= kConversion;
        else if (c == separator || c == '"' || c == '\r' || c == '\n')
            needs |= kQuotes;
    }
    return static_cast<CellNeeds>(needs);
}

std::string lowerAscii(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return out;
}

// a + b, held at the end of the range instead of overflowing.
std::int64_t addClamped(std::int64_t a, std::int64_t b) {
    std::int64_t sum = 0;
    if (!__builtin_add_overflow(a, b, &sum))
        return sum;
    return b > 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
}

const std::string& cellOf(const ConnectionStatsRow& row, Measure measure) {
    return measure == Measure::Traffic ? row.sent : row.countAccess;
}

} // namespace

// ---------------------------------------------------------------------------------------------------------------
// Export

TableFormat formatForFile(std::string_view fileName, TableFormat otherwise) {
    const auto slash = fileName.find_last_of('/');
    const std::string_view base = slash == std::string_view::npos ? fileName : fileName.substr(slash + 1);
    const auto dot = base.find_last_of('.');
    if (dot == std::string_view::npos || dot == 0)
        return otherwise;
    const std::string extension = lowerAscii(base.substr(dot + 1));
    if (extension == "csv")
        return TableFormat::Csv;
    if (extension == "tsv" || extension == "txt")
        return TableFormat::Tsv;
    return otherwise;
}

TableText::TableText(TableFormat format, std::size_t expectedBytes)
    : separator_(format == TableFormat::Csv ? ',' : '\t') {
    text_.reserve(expectedBytes);
}

void TableText::addRecord(std::span<const std::string_view> cells) {
    bool first = true;
    for (const std::string_view cell : cells) {
        if (!first)
            text_.push_back(separator_);
        first = false;
        const CellNeeds needs = needsOf(cell, separator_);
        if (needs == kAsIs) {
            text_.append(cell); // the common case: ASCII digits, dots and blanks
            continue;
        }
        if (!(needs & kQuotes)) {
            appendUtf8(text_, cell);
            continue;
        }
        text_.push_back('"');
        for (std::size_t start = 0;;) {
            const auto quote = cell.find('"', start);
            appendUtf8(text_, cell.substr(start, quote == std::string_view::npos ? quote : quote + 1 - start));
            if (quote == std::string_view::npos)
                break;
            text_.push_back('"'); // the quote once more
            start = quote + 1;
        }
        text_.push_back('"');
    }
    text_ += "\r\n";
}

// ---------------------------------------------------------------------------------------------------------------
// Totals

namespace {

void addRow(Totals& totals, const ConnectionStatsRow& row) {
    auto add = [&totals](std::int64_t& sum, const std::string& cell) {
        if (const auto value = parseInt64(cell))
            sum = addClamped(sum, *value);
        else
            ++totals.unreadableCells;
    };
    ++totals.clients;
    add(totals.connections, row.countAccess);
    add(totals.queries, row.countQuery);
    add(totals.kilobytes, row.sent);
}

} // namespace

Totals totalsOf(std::span<const ConnectionStatsRow> rows) {
    Totals totals;
    for (const ConnectionStatsRow& row : rows)
        addRow(totals, row);
    return totals;
}

KilobyteUnit unitFor(std::int64_t kilobytes) {
    static constexpr KilobyteUnit kUnits[] = {{"KiB", 1.0},
                                              {"MiB", 1024.0},
                                              {"GiB", 1024.0 * 1024},
                                              {"TiB", 1024.0 * 1024 * 1024},
                                              {"PiB", 1024.0 * 1024 * 1024 * 1024}};
    const double size = std::fabs(static_cast<double>(kilobytes));
    std::size_t unit = 0;
    // The next unit as soon as one decimal of this one would round up to 1024 of it ("1.0 GiB", not "1024.0 MiB").
    while (unit + 1 < std::size(kUnits) && size >= kUnits[unit + 1].kilobytes - kUnits[unit].kilobytes * 0.05)
        ++unit;
    return kUnits[unit];
}

const NumberFormat& plainNumbers() {
    static const NumberFormat plain{[](std::int64_t value) { return std::to_string(value); },
                                    [](double value) {
                                        char text[64];
                                        std::snprintf(text, sizeof text, "%.1f", value);
                                        return std::string(text);
                                    }};
    return plain;
}

std::string humanKilobytes(std::int64_t kilobytes, const NumberFormat& format) {
    const KilobyteUnit unit = unitFor(kilobytes);
    if (unit.kilobytes == 1.0)
        return format.whole(kilobytes) + " KiB";
    return format.oneDecimal(static_cast<double>(kilobytes) / unit.kilobytes) + " " + unit.name;
}

std::string totalsText(const Totals& totals, double seconds, const NumberFormat& format) {
    char time[32];
    std::snprintf(time, sizeof time, "%.2f s", seconds);
    auto counted = [&format](auto count, const char* one, const char* many) {
        return format.whole(static_cast<std::int64_t>(count)) + (count == 1 ? one : many);
    };
    std::string text = counted(totals.clients, " client, ", " clients, ") +
                       counted(totals.connections, " connection, ", " connections, ") +
                       counted(totals.queries, " query, ", " queries, ") + humanKilobytes(totals.kilobytes, format) +
                       " sent; read in " + time;
    if (totals.unreadableCells == 1)
        text += " (1 cell is not a number and is not counted)";
    else if (totals.unreadableCells > 1)
        text += " (" + format.whole(static_cast<std::int64_t>(totals.unreadableCells)) +
                " cells are not numbers and are not counted)";
    return text;
}

std::vector<GroupTotals> groupTotals(std::span<const ConnectionStatsRow> rows, std::span<const int> groupOfRow) {
    // The groups by number, then kSeveralGroups, then kNoGroup.
    auto place = [](int group) {
        return group >= 0 ? static_cast<unsigned>(group) : ~0u + 1u + group - 16u;
    };
    std::map<unsigned, GroupTotals> byPlace;
    for (std::size_t i = 0; i < rows.size() && i < groupOfRow.size(); ++i) {
        GroupTotals& group = byPlace.try_emplace(place(groupOfRow[i]), GroupTotals{groupOfRow[i], {}}).first->second;
        addRow(group.totals, rows[i]);
    }
    std::vector<GroupTotals> totals;
    for (auto& [key, group] : byPlace)
        totals.push_back(group);
    return totals;
}

// ---------------------------------------------------------------------------------------------------------------
// Ranking

std::vector<RankedClient> topClients(std::span<const ConnectionStatsRow> rows, Measure measure, std::size_t count) {
    struct Candidate {
        std::int64_t value;
        std::size_t row;
    };
    std::vector<Candidate> candidates;
    candidates.reserve(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (const auto value = parseInt64(cellOf(rows[i], measure)))
            candidates.push_back({*value, i});
    }
    const auto ranked = candidates.begin() + static_cast<std::ptrdiff_t>(std::min(count, candidates.size()));
    std::partial_sort(candidates.begin(), ranked, candidates.end(), [](const Candidate& a, const Candidate& b) {
        return a.value != b.value ? a.value > b.value : a.row < b.row;
    });
    std::vector<RankedClient> top;
    for (auto it = candidates.begin(); it != ranked; ++it)
        top.push_back({rows[it->row].address, it->value});
    return top;
}

} // namespace statsreport
