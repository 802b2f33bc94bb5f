#pragma once

#include <cstdint>
#include <string>

// Deterministic connection logs for the statistics benchmark and tests. A line reads
//   <time stamp> <thread> <client> <start date> <start time> <end date> <end time> <queries> <kB>
// for example "15.01.2024/08:30:12.345 Thr-000A2C1F 10.0.3.17 15.01.2024 08:30:12 15.01.2024 08:31:40 12 345".
// Clients are IPv4 addresses and host names; host names come in letter-case variants ("PC-Acct-0005.office.lan",
// "pc-acct-0005.office.lan"), some in Cyrillic (Windows-1251 bytes). The same options and seed always give the same
// bytes.
struct LogGeneratorOptions {
    std::uint64_t lines = 1000; // lines written, malformed and empty ones included
    std::uint32_t clients = 50; // distinct addresses (letter case ignored); at least 1
    std::uint64_t seed = 1;
    bool crlf = false;                // CR LF line ends instead of LF
    bool finalLineEnd = true;         // false: the last line has no line end
    unsigned malformedPerMille = 10;  // lines of 8 or 10 fields, double blanks, leading or trailing blank, empty
    unsigned noisePerMille = 0;       // counted lines with tabs, NULs or other control bytes around their fields
    unsigned badNumberPerMillion = 0; // lines with a non-number in field 7 or 8
    bool bigNumbers = false;          // kB values up to 2e9, so that sums pass the 32-bit range
};

// Produces the lines one by one.
class LogGenerator {
public:
    explicit LogGenerator(const LogGeneratorOptions& options);

    bool done() const { return produced_ >= options_.lines; }
    // Appends the next line with its line end (none after the last one when finalLineEnd is false).
    void appendLine(std::string& out);

    // The address of client i as first written (its canonical spelling).
    std::string clientAddress(std::uint32_t client) const;

private:
    std::uint64_t next();
    std::uint64_t below(std::uint64_t bound) { return next() % bound; }
    void appendAddress(std::string& out, std::uint32_t client);
    void appendGoodLine(std::string& out);

    LogGeneratorOptions options_;
    std::uint64_t state_;
    std::uint64_t produced_ = 0;
    std::int64_t clock_; // seconds since 1970-01-01
    std::string line_;
};

// The whole log in memory.
std::string generateLog(const LogGeneratorOptions& options);

// The log written to path; returns false (errno set) when the file cannot be written.
bool writeLog(const std::string& path, const LogGeneratorOptions& options);
