#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

// The start of a connection as the log writes it, field 3 the date and field 4 the time: "15.01.2024" or
// "2024-01-15", and "08:30:12" (a fraction after it, ".345", is dropped; "08:30" is 08:30:00). Times are the
// wall-clock times the proxy wrote, compared as they stand: seconds counted from 01.01.1970 00:00:00 of that same
// clock, with no time zone.
namespace logtime {

// The seconds of a date and time (month 1 to 12, day 1 to 31), not checked.
std::int64_t civilSeconds(int year, unsigned month, unsigned day, unsigned hour = 0, unsigned minute = 0,
                          unsigned second = 0);

// The seconds of a log's date and time, or nothing when either is no valid date or time.
std::optional<std::int64_t> startSeconds(std::string_view date, std::string_view time);

// Connections whose start lies from `from` to `to`, both included.
struct Period {
    std::int64_t from = std::numeric_limits<std::int64_t>::min();
    std::int64_t to = std::numeric_limits<std::int64_t>::max();

    bool contains(std::int64_t seconds) const { return seconds >= from && seconds <= to; }
};

} // namespace logtime
