#pragma once

// Applies a unified diff (as `diff -u` prints it, one file) to the older text, checking every context and removed
// line against it and every "@@" line's counts, the way `patch` would. The tests of the diff compare the result with
// the newer text.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace patchoracle {

struct Applied {
    std::string text;
    std::string fault; // empty when the diff applied cleanly
    std::size_t added = 0;
    std::size_t removed = 0;
};

inline std::vector<std::string> linesKeepingEnds(std::string_view text) {
    std::vector<std::string> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::size_t length = end == std::string_view::npos ? text.size() : end + 1;
        lines.emplace_back(text.substr(0, length));
        text.remove_prefix(length);
    }
    return lines;
}

// The numbers of "@@ -a[,b] +c[,d] @@".
inline bool readRange(std::string_view& text, char sign, std::size_t& start, std::size_t& count) {
    if (text.empty() || text.front() != sign)
        return false;
    text.remove_prefix(1);
    auto number = [&text](std::size_t& value) {
        if (text.empty() || text.front() < '0' || text.front() > '9')
            return false;
        value = 0;
        while (!text.empty() && text.front() >= '0' && text.front() <= '9') {
            value = value * 10 + static_cast<std::size_t>(text.front() - '0');
            text.remove_prefix(1);
        }
        return true;
    };
    if (!number(start))
        return false;
    count = 1;
    if (!text.empty() && text.front() == ',') {
        text.remove_prefix(1);
        return number(count);
    }
    return true;
}

inline Applied apply(std::string_view older, std::string_view diff) {
    Applied result;
    const std::vector<std::string> source = linesKeepingEnds(older);
    std::vector<std::string> patch = linesKeepingEnds(diff);
    // A "\ No newline at end of file" takes the line end off the line before it.
    std::vector<std::string> lines;
    for (std::string& line : patch) {
        if (line.starts_with("\\ No newline at end of file")) {
            if (lines.empty() || !lines.back().ends_with('\n')) {
                result.fault = "a stray no-newline mark";
                return result;
            }
            lines.back().pop_back();
        } else {
            lines.push_back(std::move(line));
        }
    }
    std::size_t at = 0;      // lines of the older text used
    std::size_t written = 0; // lines of the newer text made
    std::size_t i = 0;
    if (i + 1 < lines.size() && lines[i].starts_with("--- ") && lines[i + 1].starts_with("+++ "))
        i += 2;
    while (i < lines.size()) {
        std::string_view header = lines[i];
        std::size_t olderStart = 0, olderCount = 0, newerStart = 0, newerCount = 0;
        if (!header.starts_with("@@ ") || (header.remove_prefix(3), !readRange(header, '-', olderStart, olderCount)) ||
            !header.starts_with(' ') || (header.remove_prefix(1), !readRange(header, '+', newerStart, newerCount)) ||
            !header.starts_with(" @@")) {
            result.fault = "not a hunk header: " + lines[i];
            return result;
        }
        const std::size_t first = olderCount == 0 ? olderStart : olderStart - 1;
        if (first < at || first > source.size()) {
            result.fault = "a hunk out of order: " + lines[i];
            return result;
        }
        for (; at < first; ++at, ++written)
            result.text += source[at];
        if ((newerCount == 0 ? newerStart : newerStart - 1) != written) {
            result.fault = "the newer side's start is wrong: " + lines[i];
            return result;
        }
        std::size_t seenOlder = 0, seenNewer = 0;
        for (++i; i < lines.size() && !lines[i].starts_with("@@ "); ++i) {
            const char kind = lines[i].empty() ? '?' : lines[i][0];
            const std::string body = lines[i].substr(1);
            if (kind == ' ' || kind == '-') {
                if (at >= source.size() || source[at] != body) {
                    result.fault = "line " + std::to_string(at + 1) + " is not \"" + body + "\"";
                    return result;
                }
                ++at;
                ++seenOlder;
            }
            if (kind == ' ' || kind == '+') {
                result.text += body;
                ++seenNewer;
                ++written;
            }
            if (kind == '+')
                ++result.added;
            else if (kind == '-')
                ++result.removed;
            else if (kind != ' ') {
                result.fault = "a line of no kind: " + lines[i];
                return result;
            }
        }
        if (seenOlder != olderCount || seenNewer != newerCount) {
            result.fault = "the counts of a hunk are wrong";
            return result;
        }
    }
    for (; at < source.size(); ++at)
        result.text += source[at];
    return result;
}

} // namespace patchoracle
