#pragma once

// The connection-log statistics reckoned in a deliberately plain way, to hold the reader against: the whole log
// split into lines, each line split at every blank, rows found by a linear search, every cell kept as text and
// converted at each addition, as the page always did it (with 64-bit sums). Standard C++ only, so that the fuzz
// targets use it too.

#include "common/Cp1251.h"
#include "common/FileIo.h"
#include "common/Numbers.h"
#include "logs/ConnectionStats.h"
#include "logs/LineTime.h"

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace plainreckoning {

inline std::vector<std::string> splitAtBlanks(const std::string& line) {
    std::vector<std::string> fields(1);
    for (char c : line) {
        if (c == ' ')
            fields.emplace_back();
        else
            fields.back() += c;
    }
    return fields;
}

inline std::string trimControls(const std::string& field) {
    std::size_t begin = 0, end = field.size();
    while (begin < end && static_cast<unsigned char>(field[begin]) <= 32)
        ++begin;
    while (end > begin && static_cast<unsigned char>(field[end - 1]) <= 32)
        --end;
    return field.substr(begin, end - begin);
}

// period: when not null, only the lines that start within it count; the notes say which lines did not count.
inline ConnectionStats reckon(std::string_view log, const logtime::Period* period = nullptr) {
    ConnectionStats stats;
    const std::vector<std::string> lines = splitTextLines(log);
    // Adds the number in text to the number in cell; false (with the reason in stats.error) when it cannot.
    auto add = [&stats](std::string& cell, const std::string& text) {
        const auto a = parseInt64(cell);
        if (!a) {
            stats.error = notAnIntegerMessage(cell);
            return false;
        }
        const auto b = parseInt64(text);
        if (!b) {
            stats.error = notAnIntegerMessage(text);
            return false;
        }
        if ((*b > 0 && *a > std::numeric_limits<std::int64_t>::max() - *b) ||
            (*b < 0 && *a < std::numeric_limits<std::int64_t>::min() - *b)) {
            stats.error = "Integer overflow";
            return false;
        }
        cell = std::to_string(*a + *b);
        return true;
    };
    for (std::size_t n = 0; n < lines.size(); ++n) {
        std::vector<std::string> f = splitAtBlanks(lines[n]);
        if (f.size() != 9) {
            stats.notes.add(logstats::LineFault::Malformed, n + 1, lines[n]);
            continue;
        }
        for (std::string& field : f)
            field = trimControls(field);
        if (period != nullptr) {
            const auto start = logtime::startSeconds(f[3], f[4]);
            if (!start || !period->contains(*start)) {
                stats.notes.add(start ? logstats::LineFault::Outside : logstats::LineFault::NoTime, n + 1, lines[n]);
                continue;
            }
        }
        ConnectionStatsRow* row = nullptr;
        for (ConnectionStatsRow& candidate : stats.rows)
            if (cp1251::equalsIgnoreCase(candidate.address, f[2]))
                row = &candidate;
        if (row == nullptr) {
            stats.rows.push_back({f[2], f[8], f[3] + " " + f[4], f[5] + " " + f[6], "1", f[7]});
            continue;
        }
        bool ok = add(row->sent, f[8]);
        if (ok) {
            row->lastDisconnect = f[5] + " " + f[6];
            ok = add(row->countAccess, "1") && add(row->countQuery, f[7]);
        }
        if (!ok) {
            stats.errorLine = stats.linesRead = n + 1;
            return stats;
        }
    }
    stats.linesRead = lines.size();
    return stats;
}

} // namespace plainreckoning
