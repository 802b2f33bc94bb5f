#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// Splitting and joining the ":"-separated rule lines (and, with a blank as delimiter, connection-log lines).
// There is no quoting: every delimiter character separates two fields.

// Splits a line into fields: a line with k delimiter characters has k+1 fields, empty ones included.
class TStructString {
public:
    TStructString(std::string_view line, std::string delimiters);

    // Splits line, replacing the fields held before. Returns the number of fields (at least 1).
    int Parse(std::string_view line);

    // The field with blanks and control characters (bytes 0 to 32) cut from both ends; "" beyond the last field.
    std::string Field(int index) const;

    int Count() const { return static_cast<int>(fields_.size()); }

private:
    std::string delimiters_;
    std::vector<std::string> fields_;
};

// Collects fields and joins them with a separator; values are taken as they are, nothing is escaped.
class TUnStructString {
public:
    explicit TUnStructString(std::string separator);

    void Clear() { parts_.clear(); }
    void Add(std::string_view field) { parts_.emplace_back(field); }
    std::string Join() const;

private:
    std::string separator_;
    std::vector<std::string> parts_;
};

// The field with bytes 0 to 32 cut from both ends (bytes of 128 and above are letters, never cut).
std::string_view TrimField(std::string_view field);

// Field `index` of a ":"-separated rule line as the line holds it (blanks kept), without copying; "" beyond the
// last field. TrimField of it is what TStructString::Field gives.
std::string_view ruleField(std::string_view line, int index);

// The line with every ":"-separated field trimmed, the number of fields kept: "GN: 1 : Sales : " gives "GN:1:Sales:".
std::string NormalizeRuleLine(std::string_view line);

// Joins a rule line from its tag and values with ":".
std::string joinRuleLine(std::initializer_list<std::string_view> fields);
