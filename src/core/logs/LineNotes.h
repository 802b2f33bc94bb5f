#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace logstats {

// Why a line of the log gave no connection.
enum class LineFault : std::uint8_t {
    Malformed, // not 9 fields: more or fewer blanks than 8 (an empty line too)
    NoTime,    // a period was asked for, and the start of the connection (fields 3 and 4) is no date and time
    Outside,   // its start lies outside the period asked for: counted, never listed
};

struct LineNote {
    std::size_t file = 0;   // the file's index among those read
    std::uint64_t line = 0; // 1-based, in its file
    LineFault fault = LineFault::Malformed;
    std::string text; // the line's first kNoteText bytes
};

// The lines that gave no connection: counted all, the first kListed of them kept with their place and text.
struct LineNotes {
    static constexpr std::size_t kListed = 1000;
    static constexpr std::size_t kNoteText = 200;

    std::uint64_t malformed = 0;
    std::uint64_t noTime = 0;
    std::uint64_t outside = 0;
    std::vector<LineNote> listed;

    // Lines the statistics leave out because they cannot be read (not those outside the period).
    std::uint64_t notRead() const { return malformed + noTime; }
    bool wantsText() const { return listed.size() < kListed; }

    void add(LineFault fault, std::uint64_t line, std::string_view text) {
        count(fault);
        if (fault != LineFault::Outside && wantsText())
            listed.push_back({0, line, fault, std::string(text.substr(0, kNoteText))});
    }
    // The notes of the lines after those of this one, their line numbers shifted by lineOffset, their file set.
    void append(LineNotes&& later, std::uint64_t lineOffset, std::size_t file) {
        malformed += later.malformed;
        noTime += later.noTime;
        outside += later.outside;
        for (LineNote& note : later.listed) {
            if (!wantsText())
                break;
            note.line += lineOffset;
            note.file = file;
            listed.push_back(std::move(note));
        }
        later = LineNotes();
    }
    void count(LineFault fault) {
        switch (fault) {
        case LineFault::Malformed:
            ++malformed;
            break;
        case LineFault::NoTime:
            ++noTime;
            break;
        case LineFault::Outside:
            ++outside;
            break;
        }
    }
};

} // namespace logstats
