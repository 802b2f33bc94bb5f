#include "logs/LineTime.h"

namespace logtime {

namespace {

// The value of the digits text[at, at + count), or -1 when one is no digit.
int digits(std::string_view text, std::size_t at, std::size_t count) {
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

bool allDigits(std::string_view text) {
    for (const char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

bool isLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

unsigned daysInMonth(int year, int month) {
    static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

// Days since 01.01.1970 of a date of the proleptic Gregorian calendar.
std::int64_t daysFromCivil(int year, unsigned month, unsigned day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

struct Date {
    int year, month, day;
};

std::optional<Date> parseDate(std::string_view text) {
    if (text.size() != 10)
        return std::nullopt;
    Date date{};
    if (text[2] == '.' && text[5] == '.')
        date = {digits(text, 6, 4), digits(text, 3, 2), digits(text, 0, 2)};
    else if (text[4] == '-' && text[7] == '-')
        date = {digits(text, 0, 4), digits(text, 5, 2), digits(text, 8, 2)};
    else
        return std::nullopt;
    if (date.year < 0 || date.month < 1 || date.month > 12 || date.day < 1 ||
        static_cast<unsigned>(date.day) > daysInMonth(date.year, date.month))
        return std::nullopt;
    return date;
}

// Seconds into the day of "hh:mm", "hh:mm:ss" or "hh:mm:ss" followed by a fraction.
std::optional<int> parseTime(std::string_view text) {
    if (text.size() < 5 || text[2] != ':')
        return std::nullopt;
    const int hour = digits(text, 0, 2), minute = digits(text, 3, 2);
    int second = 0;
    if (text.size() > 5) {
        if (text.size() < 8 || text[5] != ':')
            return std::nullopt;
        second = digits(text, 6, 2);
        if (text.size() > 8 && (text.size() == 9 || (text[8] != '.' && text[8] != ',') || !allDigits(text.substr(9))))
            return std::nullopt;
    }
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 60)
        return std::nullopt;
    return (hour * 60 + minute) * 60 + second;
}

} // namespace

std::int64_t civilSeconds(int year, unsigned month, unsigned day, unsigned hour, unsigned minute, unsigned second) {
    return daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
}

std::optional<std::int64_t> startSeconds(std::string_view date, std::string_view time) {
    const auto day = parseDate(date);
    const auto seconds = parseTime(time);
    if (!day || !seconds)
        return std::nullopt;
    return daysFromCivil(day->year, static_cast<unsigned>(day->month), static_cast<unsigned>(day->day)) * 86400 +
           *seconds;
}

} // namespace logtime
