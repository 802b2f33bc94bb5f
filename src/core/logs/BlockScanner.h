#pragma once

#include "logs/ClientTable.h"
#include "logs/LineNotes.h"
#include "logs/LineTime.h"
#include "logs/LogLine.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace logstats {

// Finds the lines of the connection log in the blocks handed to it, and hands those with exactly 8 blanks (and,
// when a period is given, a start within it) to a client table; the others are noted (LineNotes). Lines end at CR, LF
// or CR LF (a CR LF may be split between two blocks); every other byte, NUL included, belongs to its line. A line with
// more than 8 blanks is dropped as it comes in, however long.
//
// The scanner keeps no bytes: the caller keeps the unfinished last line of a block and hands it back in front of
// the next one. So a part of a log that starts at a line start can be scanned like a whole log.
class BlockScanner {
public:
    // linesBefore: the lines of the log before the data this scanner sees, so that line numbers are the log's.
    // period: when not null, only the lines that start within it count (it must outlive the scanner).
    explicit BlockScanner(std::uint64_t linesBefore = 0, const logtime::Period* period = nullptr)
        : lines_(linesBefore), period_(period) {}

    // Counts the complete lines of data[0, size) and returns how many bytes they take; the rest is an unfinished
    // line. carried is the number of leading bytes the previous call left unconsumed. kReadPadding readable bytes
    // must follow the data. Stops early once the table stops.
    std::size_t scan(const char* data, std::size_t carried, std::size_t size, ClientTable& table);

    // The end of the log: data[0, size) (what the last scan left) is its last line, without a line end.
    void finish(const char* data, std::size_t size, ClientTable& table);

    // Lines seen so far, counted or not, those before included.
    std::uint64_t lines() const { return lines_; }
    // The lines that did not count, up to the line that stopped the table.
    LineNotes& notes() { return notes_; }
    const LineNotes& notes() const { return notes_; }

private:
    template <typename Line> bool inPeriod(const Line& line);
    void note(LineFault fault, std::string_view text);
    bool countLongLine(const char* line, const char* end, ClientTable& table);
    bool flush(ClientTable& table);
    const char* nextLineStart(const char* lineEnd, const char* end);
    std::size_t scanLines(const char* data, std::size_t start, std::size_t size, ClientTable& table);

    std::array<ShortLine, ClientTable::kBatch> batch_;
    std::size_t pending_ = 0;
    std::uint64_t lines_ = 0;
    std::size_t carryChecked_ = 0; // leading bytes of a long unfinished line known to hold no line end
    std::size_t carryBlanks_ = 0;  // and the blanks among them
    bool skippingLine_ = false;    // the line has more than 8 blanks: its bytes are dropped up to its end
    bool skipLineFeed_ = false;    // the data so far ended with CR: an LF right after it belongs to that line end
    std::string skippedStart_;     // the first bytes of the line being dropped
    const logtime::Period* period_;
    LineNotes notes_;
    // Notes of lines after a line still waiting in the batch: taken into notes_ when the batch is counted, up to
    // the line that stops the counting, if one does.
    struct WaitingNote {
        std::uint64_t line;
        LineFault fault;
        std::string text;
    };
    std::vector<WaitingNote> waiting_;
};

} // namespace logstats
