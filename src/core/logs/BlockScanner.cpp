#include "logs/BlockScanner.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

// SSE2 is part of every x86-64 processor; elsewhere (or with GLYM_PORTABLE_SCAN, which the tests use to check
// that path too) the scan works on 64-bit words in plain C++.
#if defined(__SSE2__) && !defined(GLYM_PORTABLE_SCAN)
#include <emmintrin.h>
#define GLYM_SCAN_SSE2 1
#endif

// How the scan goes fast. A line is scanned once, in chunks of 16 bytes (SSE2) or 8 bytes (one 64-bit word
// elsewhere): a chunk gives, without a branch, the bit sets of its blanks and of its control bytes (CR and LF end
// the line), and a table turns the blank bits into positions, written straight into the batch the client table
// will count. A line without other control bytes needs no trimming. Lines over kShortLine bytes, or with a tab or
// the like, take a plain byte-by-byte path. Nothing is allocated per line, and a line with more than 8 blanks is
// never kept beyond the block it is in.

namespace logstats {

namespace {

// Bit i set for each byte i of the chunk at p that is a blank, and for each below 32 (a control byte: CR and LF,
// but also a tab or a NUL).
struct ChunkBits {
    unsigned blanks;
    unsigned controls;
};
#if defined(GLYM_SCAN_SSE2)
constexpr std::size_t kChunk = 16;
inline ChunkBits chunkBits(const char* p) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i controls = _mm_cmpeq_epi8(_mm_max_epu8(bytes, _mm_set1_epi8(31)), _mm_set1_epi8(31));
    return {static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(' ')))),
            static_cast<unsigned>(_mm_movemask_epi8(controls))};
}
#else
constexpr std::size_t kChunk = 8;
constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7F;

// High bit of every byte of word that is zero (exact: no borrow runs from one byte into the next).
inline std::uint64_t zeroBytes(std::uint64_t word) {
    return ~(((word & kLow7) + kLow7) | word | kLow7);
}

// One bit per byte (bit i for byte i) out of a word of high-bit flags.
inline unsigned flagBits(std::uint64_t flags) {
    return static_cast<unsigned>(((flags >> 7) * 0x0102040810204080) >> 56);
}

inline ChunkBits chunkBits(const char* p) {
    const std::uint64_t word = loadWord(p);
    const std::uint64_t controls = ~(((word & kLow7) + kOnes * (0x80 - 32)) | word) & kHigh;
    return {flagBits(zeroBytes(word ^ (kOnes * ' '))), flagBits(controls)};
}
#endif

static_assert(kReadPadding >= kChunk, "a chunk is loaded whole at any byte of the data");
static_assert(sizeof(ShortLine::blankAt) >= kShortLine + kChunk + 8, "a chunk's blank positions are written whole");

// For every 8-bit set: the positions of its bits, one per byte in increasing order, and their number.
struct BitPositions {
    std::array<std::uint64_t, 256> positions{};
    std::array<std::uint8_t, 256> count{};
};
constexpr BitPositions makeBitPositions() {
    BitPositions table;
    for (unsigned bits = 0; bits < 256; ++bits) {
        unsigned n = 0;
        for (unsigned bit = 0; bit < 8; ++bit)
            if (bits & (1u << bit))
                table.positions[bits] |= std::uint64_t{bit} << (8 * n++);
        table.count[bits] = static_cast<std::uint8_t>(n);
    }
    return table;
}
constexpr BitPositions kBitPositions = makeBitPositions();

inline bool isLineEnd(char c) {
    return c == '\n' || c == '\r';
}

const char* find(const char* from, const char* end, char c) {
    const void* found = std::memchr(from, c, static_cast<std::size_t>(end - from));
    return found != nullptr ? static_cast<const char*>(found) : end;
}

const char* findLineEnd(const char* from, const char* end) {
    return std::min(find(from, end, '\n'), find(from, end, '\r'));
}

} // namespace

// Hands the waiting lines to the table. False once the table has stopped.
bool BlockScanner::flush(ClientTable& table) {
    const std::size_t count = std::exchange(pending_, 0);
    const bool counting = count == 0 ? !table.stopped() : table.count(std::span<const ShortLine>(batch_.data(), count));
    if (!waiting_.empty()) {
        for (const WaitingNote& waiting : waiting_)
            if (counting || waiting.line < table.errorLine())
                notes_.add(waiting.fault, waiting.line, waiting.text);
        waiting_.clear();
    }
    return counting;
}

// Notes the line just passed (lines_). While lines before it wait in the batch, the note waits with them: one of
// them may yet stop the counting, and nothing after that line is read.
void BlockScanner::note(LineFault fault, std::string_view text) {
    if (pending_ == 0) {
        notes_.add(fault, lines_, text);
        return;
    }
    const bool listed = fault != LineFault::Outside && notes_.listed.size() + waiting_.size() < LineNotes::kListed;
    waiting_.push_back({lines_, fault, listed ? std::string(text.substr(0, LineNotes::kNoteText)) : std::string()});
}

// Whether the line starts within the period; a line whose start cannot be read is noted as such.
template <typename Line> bool BlockScanner::inPeriod(const Line& line) {
    const auto start = logtime::startSeconds(line.field(3).view(), line.field(4).view());
    if (!start) {
        note(LineFault::NoTime, std::string_view(line.begin, static_cast<std::size_t>(line.end - line.begin)));
        return false;
    }
    if (!period_->contains(*start)) {
        note(LineFault::Outside, {});
        return false;
    }
    return true;
}

// A line without CR or LF, of any length, byte by byte.
bool BlockScanner::countLongLine(const char* line, const char* end, ClientTable& table) {
    ++lines_;
    LongLine counted;
    std::size_t blanks = 0;
    const std::string_view text(line, static_cast<std::size_t>(end - line));
    for (const char* q = line; q < end; ++q) {
        if (*q == ' ') {
            if (blanks == kBlankCount) {
                note(LineFault::Malformed, text);
                return true;
            }
            counted.blankAt[blanks++] = static_cast<std::size_t>(q - line);
        }
    }
    if (blanks != kBlankCount) {
        note(LineFault::Malformed, text);
        return true;
    }
    counted.begin = line;
    counted.end = end;
    counted.number = lines_;
    if (period_ != nullptr && !inPeriod(counted))
        return true;
    if (!flush(table)) // the lines before it first: one of them may stop the counting
        return false;
    return table.count(counted);
}

// Where the line after the line end at lineEnd starts. A CR at the end of the data may have the LF of the same
// line end at the start of the next data.
const char* BlockScanner::nextLineStart(const char* lineEnd, const char* end) {
    const char* next = lineEnd + 1;
    if (*lineEnd == '\r') {
        if (next == end)
            skipLineFeed_ = true;
        else if (*next == '\n')
            ++next;
    }
    return next;
}

std::size_t BlockScanner::scan(const char* data, std::size_t carried, std::size_t size, ClientTable& table) {
    std::size_t start = 0;
    if (skipLineFeed_) {
        skipLineFeed_ = false;
        if (carried == 0 && size != 0 && data[0] == '\n')
            start = 1;
    }
    if (skippingLine_) { // nothing was carried: drop the bytes up to the line end
        const char* const end = data + size;
        const char* const lineEnd = findLineEnd(data + start, end);
        if (skippedStart_.size() < LineNotes::kNoteText)
            skippedStart_.append(data + start, std::min(static_cast<std::size_t>(lineEnd - (data + start)),
                                                        LineNotes::kNoteText - skippedStart_.size()));
        if (lineEnd == end)
            return size;
        skippingLine_ = false;
        ++lines_;
        note(LineFault::Malformed, skippedStart_);
        start = static_cast<std::size_t>(nextLineStart(lineEnd, end) - data);
    }
    return scanLines(data, start, size, table);
}

// Counts the complete lines of data[start, size) and returns where the unfinished last line begins.
std::size_t BlockScanner::scanLines(const char* data, std::size_t start, std::size_t size, ClientTable& table) {
    const char* const end = data + size;
    const char* p = data + start;
    // Bytes of the first line known to hold no line end, and their blanks, when it was carried over as a long line.
    std::size_t checked = std::exchange(carryChecked_, 0);
    std::size_t checkedBlanks = std::exchange(carryBlanks_, 0);
    // The next LF and CR for lines that are not quick to count, searched for again only once passed.
    const char* nextLf = nullptr;
    const char* nextCr = nullptr;
    bool counting = !table.stopped();
    while (p < end && counting) {
        std::uint8_t* const blankAt = batch_[pending_].blankAt;
        // The line's first bytes chunk by chunk, up to its end, the end of the data or kShortLine bytes.
        const std::size_t limit = std::min(static_cast<std::size_t>(end - p), kShortLine);
        std::size_t blanks = 0;
        std::size_t offset = 0;
        std::uint64_t offsets = 0; // offset in every byte
        // The positions of the blanks among the chunk's bits, after those found so far.
        auto record = [&](unsigned bits) {
            for (std::size_t half = 0; half < kChunk; half += 8) {
                const unsigned eight = (bits >> half) & 0xFF;
                const std::uint64_t positions = kBitPositions.positions[eight] + offsets + kOnes * half;
                std::memcpy(blankAt + blanks, &positions, sizeof positions);
                blanks += kBitPositions.count[eight];
            }
        };
        ChunkBits bits = chunkBits(p);
        while (offset + kChunk < limit && bits.controls == 0) {
            record(bits.blanks);
            offset += kChunk;
            offsets += kOnes * kChunk;
            bits = chunkBits(p + offset);
        }
        if (offset + kChunk > limit) { // bytes past the limit are not looked at
            const unsigned inLimit = (1u << (limit - offset)) - 1;
            bits.blanks &= inLimit;
            bits.controls &= inLimit;
        }
        const char* lineEnd = nullptr;
        std::size_t searchFrom = kShortLine; // where a line that is not quick to count is searched for its end
        if (bits.controls != 0) {
            const int at = std::countr_zero(bits.controls);
            if (isLineEnd(p[offset + static_cast<std::size_t>(at)])) {
                bits.blanks &= (1u << at) - 1;
                lineEnd = p + offset + static_cast<std::size_t>(at);
            } else {
                searchFrom = offset + static_cast<std::size_t>(at); // a tab, a NUL or the like
            }
        }
        record(bits.blanks);
        if (lineEnd == nullptr) {
            if (searchFrom == kShortLine && limit < kShortLine)
                break; // an unfinished line, short so far: scanned again once more data is there
            // A long line, or one with control bytes: find its end, then go through it byte by byte.
            const char* from = p + std::max(searchFrom, checked);
            if (nextLf == nullptr || nextLf < from)
                nextLf = find(from, end, '\n');
            if (nextCr == nullptr || nextCr < from)
                nextCr = find(from, end, '\r');
            lineEnd = std::min(nextLf, nextCr);
            if (lineEnd == end) {
                // Unfinished: kept only while it may still be a counted line, so that junk without line ends
                // does not pile up in memory.
                const std::size_t seen = checkedBlanks + static_cast<std::size_t>(std::count(p + checked, end, ' '));
                if (seen > kBlankCount) {
                    skippingLine_ = true;
                    skippedStart_.assign(p, std::min(static_cast<std::size_t>(end - p), LineNotes::kNoteText));
                    p = end;
                } else {
                    carryChecked_ = static_cast<std::size_t>(end - p);
                    carryBlanks_ = seen;
                }
                break;
            }
            counting = countLongLine(p, lineEnd, table);
        } else {
            ++lines_;
            if (blanks == kBlankCount) { // counted: its blanks are in place already
                ShortLine& line = batch_[pending_];
                line.begin = p;
                line.end = lineEnd;
                line.number = lines_;
                if ((period_ == nullptr || inPeriod(line)) && ++pending_ == batch_.size())
                    counting = flush(table);
            } else {
                note(LineFault::Malformed, std::string_view(p, static_cast<std::size_t>(lineEnd - p)));
            }
        }
        checked = checkedBlanks = 0;
        p = nextLineStart(lineEnd, end);
    }
    flush(table);
    return static_cast<std::size_t>(p - data);
}

void BlockScanner::finish(const char* data, std::size_t size, ClientTable& table) {
    if (table.stopped())
        return;
    if (skippingLine_) { // the last line, without line end, dropped
        skippingLine_ = false;
        ++lines_;
        note(LineFault::Malformed, skippedStart_);
        return;
    }
    if (size != 0)
        countLongLine(data, data + size, table); // holds no line end: the last line, without one
    flush(table);
    carryChecked_ = carryBlanks_ = 0;
}

} // namespace logstats
