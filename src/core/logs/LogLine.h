#pragma once

// The lines of the connection log as the block scanner hands them to the client table, and the word-at-a-time
// helpers both of them use. Internal to the statistics reader.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace logstats {

constexpr std::size_t kFieldCount = 9;
constexpr std::size_t kBlankCount = kFieldCount - 1;

// Lines of up to kShortLine bytes without control bytes are found chunk by chunk and counted in batches; every
// other line is taken byte by byte.
constexpr std::size_t kShortLine = 256;

// Readable bytes the reader keeps after the data it scans, so that whole-word loads running past the end of a
// line (a chunk at any byte, a word at any byte of a field, an address's key words) stay inside the buffer.
constexpr std::size_t kReadPadding = 32;

constexpr std::uint64_t kOnes = 0x0101010101010101;
constexpr std::uint64_t kHigh = 0x8080808080808080;

// A hint that p will be read soon; nothing where the compiler has no such hint.
inline void prefetch(const void* p) {
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(p);
#else
    (void)p;
#endif
}

// The eight bytes at p, the byte at p in the lowest bits.
inline std::uint64_t loadWord(const char* p) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    if constexpr (std::endian::native == std::endian::big) {
        std::uint64_t swapped = 0;
        for (int i = 0; i < 8; ++i)
            swapped |= ((word >> (8 * i)) & 0xFF) << (8 * (7 - i));
        word = swapped;
    }
    return word;
}

// Bytes 0..32 surround a field without belonging to it, as the rule-line tokenizer trims them.
inline bool isPadding(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

struct Field {
    const char* begin;
    const char* end;
    std::size_t size() const { return static_cast<std::size_t>(end - begin); }
    std::string_view view() const { return {begin, size()}; }
};

// The field without its leading and trailing bytes 0..32.
inline Field trimmed(Field field) {
    if (field.begin < field.end && !isPadding(*field.begin) && !isPadding(field.end[-1]))
        return field; // the usual case
    while (field.begin < field.end && isPadding(*field.begin))
        ++field.begin;
    while (field.end > field.begin && isPadding(field.end[-1]))
        --field.end;
    return field;
}

// A line with exactly 8 blanks, of at most kShortLine bytes and without control bytes, so that its fields need
// no trimming. The scanner writes the offsets of the line's blanks into blankAt a chunk at a time, hence the
// room beyond kShortLine.
struct ShortLine {
    const char* begin;
    const char* end; // its line end
    std::uint64_t number;
    std::uint8_t blankAt[kShortLine + 32];

    // Field i (2 to 8; fields 0 and 1 are not read).
    Field field(std::size_t i) const {
        return {begin + blankAt[i - 1] + 1, i == kBlankCount ? end : begin + blankAt[i]};
    }
};

// Any other line with exactly 8 blanks: long, or holding tabs, NULs or the like.
struct LongLine {
    const char* begin;
    const char* end;
    std::uint64_t number;
    std::size_t blankAt[kBlankCount];

    Field field(std::size_t i) const {
        return trimmed({begin + blankAt[i - 1] + 1, i == kBlankCount ? end : begin + blankAt[i]});
    }
};

} // namespace logstats
