#include "stats/ConnectionStats.h"

#include "common/Cp1251.h"
#include "common/Error.h"
#include "common/FileIo.h"
#include "common/Numbers.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

// SSE2 is part of every x86-64 processor; elsewhere (or with GLYM_PORTABLE_SCAN, which the tests use to check
// that path too) the scan works on 64-bit words in plain C++.
#if defined(__SSE2__) && !defined(GLYM_PORTABLE_SCAN)
#include <emmintrin.h>
#define GLYM_SCAN_SSE2 1
#endif

// How the reading goes fast. A line is scanned once, in chunks of 16 bytes (SSE2) or 8 bytes (one 64-bit word
// elsewhere): a chunk gives, without a branch, the bit sets of its blanks and of its control bytes (CR and LF end
// the line), and a table turns the blank bits into positions. A line without other control bytes needs no
// trimming. Numbers of up to eight digits are converted in one word. Counted lines wait in a small batch while
// the hash-table slots and client records they need are prefetched; then they are applied one after the other in
// file order, so the result is exactly that of reading line by line. Lines over 256 bytes, or with a tab or the
// like, take a plain byte-by-byte path. Nothing is allocated per line, and a line with more than 8 blanks is never
// kept in memory beyond the block it is in.

namespace {

constexpr std::uint64_t kOnes = 0x0101010101010101;
constexpr std::uint64_t kHigh = 0x8080808080808080;
constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7F;
constexpr std::uint64_t kZeros = kOnes * '0';

constexpr std::size_t kFieldCount = 9;
constexpr std::size_t kBlankCount = kFieldCount - 1;
// Lines are scanned chunk-wise for their first kShortLine bytes (blank positions fit in a byte); what a longer
// line holds beyond them is scanned byte by byte.
constexpr std::size_t kShortLine = 256;
// Addresses up to this length are kept inside the client record.
constexpr std::size_t kInlineKeyWords = 3;
constexpr std::size_t kInlineKey = 8 * kInlineKeyWords;
// Counted lines gathered before they are applied.
constexpr std::size_t kBatch = 32;

constexpr std::size_t kFeedChunk = std::size_t{1} << 20;

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

// Mask of the low n bytes of a word (n < 8).
inline std::uint64_t lowBytesMask(std::size_t n) {
    return (std::uint64_t{1} << (8 * n)) - 1;
}

// High bit of every byte of word that is zero (exact: no borrow runs from one byte into the next).
inline std::uint64_t zeroBytes(std::uint64_t word) {
    return ~(((word & kLow7) + kLow7) | word | kLow7);
}

// One bit per byte (bit i for byte i) out of a word of high-bit flags.
inline unsigned flagBits(std::uint64_t flags) {
    return static_cast<unsigned>(((flags >> 7) * 0x0102040810204080) >> 56);
}

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
inline ChunkBits chunkBits(const char* p) {
    const std::uint64_t word = loadWord(p);
    const std::uint64_t controls = ~(((word & kLow7) + kOnes * (0x80 - 32)) | word) & kHigh;
    return {flagBits(zeroBytes(word ^ (kOnes * ' '))), flagBits(controls)};
}
#endif

// Readable bytes kept after the data, so that loads running past the data stay in the buffer: a chunk at any
// byte of the data, a word at any byte of a field, the whole inline key at the start of an address.
constexpr std::size_t kPadding = 32;
static_assert(kPadding >= kChunk && kPadding >= kInlineKey);

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

// For every address size up to kInlineKey: the masks of its bytes in each of the inline key's words.
constexpr std::array<std::array<std::uint64_t, kInlineKeyWords>, kInlineKey + 1> makeKeyMasks() {
    std::array<std::array<std::uint64_t, kInlineKeyWords>, kInlineKey + 1> masks{};
    for (std::size_t size = 0; size <= kInlineKey; ++size)
        for (std::size_t byte = 0; byte < size; ++byte)
            masks[size][byte / 8] |= std::uint64_t{0xFF} << (8 * (byte % 8));
    return masks;
}
constexpr auto kKeyMasks = makeKeyMasks();

// Hot helpers are inlined into the scan whatever the optimiser's estimate (an unknown attribute is ignored).
#define GLYM_HOT [[gnu::always_inline]] inline

// Latin capitals of a word of 7-bit bytes turned into small letters.
inline std::uint64_t foldAsciiWord(std::uint64_t word) {
    const std::uint64_t atLeastA = word + kOnes * (0x80 - 'A');
    const std::uint64_t aboveZ = word + kOnes * (0x80 - 'Z' - 1);
    return word | ((atLeastA & ~aboveZ & kHigh) >> 2);
}

inline std::uint64_t finishHash(std::uint64_t hash) {
    hash ^= hash >> 32;
    hash *= 0xD6E8FEB86659FD93;
    return hash ^ (hash >> 32);
}

// The hash of a folded address of size bytes, given as zero-padded words.
inline std::uint64_t hashKey(const std::uint64_t* words, std::size_t size) {
    if (size <= kInlineKey) // three independent products rather than a chain
        return finishHash((words[0] * 0x9E3779B97F4A7C15) ^ std::rotl(words[1] * 0xC2B2AE3D27D4EB4F, 21) ^
                          std::rotl(words[2] * 0x165667B19E3779F9, 42) ^ size);
    std::uint64_t hash = size * 0xC2B2AE3D27D4EB4F;
    for (std::size_t i = 0, n = (size + 7) / 8; i < n; ++i) {
        hash = (hash ^ words[i]) * 0x9E3779B97F4A7C15;
        hash ^= hash >> 29;
    }
    return finishHash(hash);
}

inline bool addChecked(std::int64_t a, std::int64_t b, std::int64_t& sum) {
    if ((b > 0 && a > std::numeric_limits<std::int64_t>::max() - b) ||
        (b < 0 && a < std::numeric_limits<std::int64_t>::min() - b))
        return false;
    sum = a + b;
    return true;
}

struct Field {
    const char* begin;
    const char* end;
    std::size_t size() const { return static_cast<std::size_t>(end - begin); }
    std::string_view view() const { return {begin, size()}; }
};

inline bool isLineEnd(char c) {
    return c == '\n' || c == '\r';
}

inline bool isPadding(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

// A field without its leading and trailing bytes 0..32, as the tokenizer hands fields out.
inline Field trimmed(Field field) {
    if (field.begin < field.end && !isPadding(*field.begin) && !isPadding(field.end[-1]))
        return field; // the usual case
    while (field.begin < field.end && isPadding(*field.begin))
        ++field.begin;
    while (field.end > field.begin && isPadding(field.end[-1]))
        --field.end;
    return field;
}

// The value of 1 to 8 decimal digits at p (the 8 bytes at p must be readable); false for anything else.
inline bool eightDigits(const char* p, std::size_t size, std::int64_t& value) {
    const unsigned shift = static_cast<unsigned>(8 * (8 - size)); // digits to the top, '0' below them
    const std::uint64_t word = (loadWord(p) << shift) | (kZeros & ~(~std::uint64_t{0} << shift));
    constexpr std::uint64_t kHighNibbles = 0xF0F0F0F0F0F0F0F0;
    if (((word & kHighNibbles) != kZeros) | (((word + kOnes * 6) & kHighNibbles) != kZeros))
        return false;
    std::uint64_t v = word - kZeros; // the first digit in the lowest byte
    v = (v * 10 + (v >> 8)) & 0x00FF00FF00FF00FF;
    v = (v * 100 + (v >> 16)) & 0x0000FFFF0000FFFF;
    v = (v * 10000 + (v >> 32)) & 0xFFFFFFFF;
    value = static_cast<std::int64_t>(v);
    return true;
}

} // namespace

struct ConnectionStatsCounter::Impl {
    static constexpr std::uint8_t kLastElsewhere = 0xFF;

    // What a line of a known client touches: two cache lines.
    struct alignas(64) Client {
        std::uint64_t key[kInlineKeyWords]; // folded address, zero-padded, when it fits; else in ClientTexts
        std::uint32_t keySize;
        std::uint8_t lastSize; // bytes of last in use, or kLastElsewhere: "Last Disconnect" is in ClientTexts
        bool sentIsText;
        bool queryIsText;
        std::int64_t sent;  // valid once sentIsText is false
        std::int64_t query; // valid once queryIsText is false
        std::int64_t count;
        char last[72]; // kInlineLast bytes, and room for a whole-word copy to run past them
    };
    static_assert(sizeof(Client) == 128);
    static constexpr std::size_t kInlineLast = sizeof(Client::last) - 8;

    // What is written once per client, or only for unusual lines.
    struct ClientTexts {
        std::string address;
        std::string firstAccess;
        std::string sentText;               // kept only until the cell is first summed
        std::string queryText;              // likewise
        std::string lastLong;               // "Last Disconnect" when it does not fit the client record
        std::vector<std::uint64_t> longKey; // folded address longer than kInlineKey
    };

    // A counted line: its client's key, and where its fields are.
    struct LineKey {
        Field address; // field 2, trimmed
        std::uint64_t key[kInlineKeyWords];
        std::uint64_t hash;
        std::uint64_t lineNumber;
    };
    // A line and the offsets of its 8 blanks. A line without control bytes needs no trimming of its fields: blanks
    // separate them, and no other byte below 33 is there.
    template <typename Offset, bool hasControls> struct Line : LineKey {
        const char* line;
        const char* end; // its line end
        Offset* blankAt;
        // Field i (2 to 8; fields 0 and 1 are not read), trimmed.
        Field field(std::size_t i) const {
            const Field cut{line + blankAt[i - 1] + 1, i == kBlankCount ? end : line + blankAt[i]};
            return hasControls ? trimmed(cut) : cut;
        }
    };
    // A line of at most kShortLine bytes without control bytes, waiting in the batch. The scan writes the offsets
    // of all its blanks into blanks directly (with room for the positions of one chunk more).
    struct PendingLine : Line<std::uint8_t, false> {
        std::uint8_t blanks[kShortLine + kChunk + 8];
        PendingLine() { blankAt = blanks; }
        PendingLine(const PendingLine&) = delete;
        PendingLine& operator=(const PendingLine&) = delete;
    };

    std::vector<char> buffer;
    std::size_t used = 0;         // bytes in buffer: the unfinished line carried over, then new data
    std::size_t carryChecked = 0; // leading bytes of a long unfinished line known to hold no line end
    std::size_t carryBlanks = 0;  // and the blanks among them
    bool skippingLine = false;    // the line has more than 8 blanks: its bytes are dropped up to its end
    bool skipLineFeed = false;    // the data so far ended with CR: an LF right after it belongs to that line end

    std::vector<Client> clients;
    std::vector<ClientTexts> texts;
    std::vector<std::uint64_t> slots; // open addressing: (hash high half << 32) | (client index + 1); 0 = empty
    std::array<unsigned char, 256> fold{};
    std::vector<std::uint64_t> scratchKey; // the long address of the line being applied, folded

    std::array<PendingLine, kBatch> batch;
    std::size_t pending = 0;

    std::uint64_t lines = 0;
    bool stopped = false;
    std::optional<std::string> error;
    std::uint64_t errorLine = 0;

    Impl() {
        for (int i = 0; i < 256; ++i)
            fold[static_cast<std::size_t>(i)] = cp1251::foldCase(static_cast<unsigned char>(i));
        slots.assign(1024, 0);
    }

    void stop(std::string message, std::uint64_t line) {
        stopped = true;
        error = std::move(message);
        errorLine = line;
        lines = line;
    }

    std::uint64_t foldWord(std::uint64_t word) const {
        if ((word & kHigh) == 0)
            return foldAsciiWord(word);
        std::uint64_t folded = 0;
        for (int i = 0; i < 64; i += 8)
            folded |= std::uint64_t{fold[(word >> i) & 0xFF]} << i;
        return folded;
    }

    // The folded word i of a field (zero-padded after its end); reads 8 bytes from the word's start.
    std::uint64_t foldedWord(Field field, std::size_t i) const {
        std::uint64_t word = loadWord(field.begin + 8 * i);
        const std::size_t rest = field.size() - 8 * i;
        if (rest < 8)
            word &= lowBytesMask(rest);
        return foldWord(word);
    }

    // Fills the line's inline key (when the address fits) and its hash.
    GLYM_HOT void foldAddress(LineKey& line) {
        const Field address = line.address;
        const std::size_t size = address.size();
        if (size > kInlineKey) {
            foldLongKey(address);
            line.key[0] = line.key[1] = line.key[2] = 0;
            line.hash = hashKey(scratchKey.data(), size);
            return;
        }
        // The three words at the address, the bytes after it zeroed; no branch on its length.
        static_assert(kInlineKeyWords == 3);
        const std::uint64_t w0 = loadWord(address.begin) & kKeyMasks[size][0];
        const std::uint64_t w1 = loadWord(address.begin + 8) & kKeyMasks[size][1];
        const std::uint64_t w2 = loadWord(address.begin + 16) & kKeyMasks[size][2];
        if (((w0 | w1 | w2) & kHigh) == 0) {
            line.key[0] = foldAsciiWord(w0);
            line.key[1] = foldAsciiWord(w1);
            line.key[2] = foldAsciiWord(w2);
        } else {
            line.key[0] = foldWord(w0);
            line.key[1] = foldWord(w1);
            line.key[2] = foldWord(w2);
        }
        line.hash = hashKey(line.key, size);
    }

    // Folds a long address into scratchKey.
    void foldLongKey(Field address) {
        scratchKey.resize((address.size() + 7) / 8);
        for (std::size_t i = 0; i < scratchKey.size(); ++i)
            scratchKey[i] = foldedWord(address, i);
    }

    const std::uint64_t* keyOf(std::size_t index) const {
        return clients[index].keySize <= kInlineKey ? clients[index].key : texts[index].longKey.data();
    }

    GLYM_HOT bool keyEquals(std::size_t index, const LineKey& line) const {
        const Client& client = clients[index];
        const std::size_t size = line.address.size();
        if (client.keySize != size)
            return false;
        if (size <= kInlineKey)
            return ((client.key[0] ^ line.key[0]) | (client.key[1] ^ line.key[1]) | (client.key[2] ^ line.key[2])) == 0;
        return texts[index].longKey == scratchKey;
    }

    // The slot holding the line's client, or the empty slot where it belongs.
    GLYM_HOT std::size_t findSlot(const LineKey& line) {
        if (line.address.size() > kInlineKey)
            foldLongKey(line.address);
        const std::size_t mask = slots.size() - 1;
        const std::uint64_t tag = line.hash >> 32;
        for (std::size_t i = line.hash & mask;; i = (i + 1) & mask) {
            const std::uint64_t slot = slots[i];
            if (slot == 0 || ((slot >> 32) == tag && keyEquals((slot & 0xFFFFFFFF) - 1, line)))
                return i;
        }
    }

    void growSlots() {
        std::vector<std::uint64_t> bigger(slots.size() * 2, 0);
        const std::size_t mask = bigger.size() - 1;
        for (std::size_t index = 0; index < clients.size(); ++index) {
            const std::uint64_t hash = hashKey(keyOf(index), clients[index].keySize);
            std::size_t i = hash & mask;
            while (bigger[i] != 0)
                i = (i + 1) & mask;
            bigger[i] = ((hash >> 32) << 32) | (index + 1);
        }
        slots = std::move(bigger);
    }

    // Copies n bytes in whole words: reads and writes up to 7 bytes more.
    static void copyWords(char* to, const char* from, std::size_t n) {
        for (std::size_t i = 0; i < n; i += 8)
            std::memcpy(to + i, from + i, 8);
    }

    // "Last Disconnect" becomes first + " " + second.
    GLYM_HOT void setLast(std::size_t index, Field first, Field second) {
        Client& client = clients[index];
        const std::size_t a = first.size();
        const std::size_t b = second.size();
        if (a + 1 + b <= kInlineLast) {
            client.lastSize = static_cast<std::uint8_t>(a + 1 + b);
            if (second.begin == first.end + 1) { // the two stand in the line with their blank between them
                copyWords(client.last, first.begin, a + 1 + b);
            } else {
                copyWords(client.last, first.begin, a);
                client.last[a] = ' ';
                copyWords(client.last + a + 1, second.begin, b);
            }
            return;
        }
        client.lastSize = kLastElsewhere;
        std::string& text = texts[index].lastLong;
        text.resize(a + 1 + b);
        std::memcpy(text.data(), first.begin, a);
        text[a] = ' ';
        std::memcpy(text.data() + a + 1, second.begin, b);
    }

    template <typename L> void addClient(std::size_t slot, const L& line) {
        if (clients.size() >= 0xFFFFFFFE) {
            stop("Too many client addresses", line.lineNumber);
            return;
        }
        const std::size_t index = clients.size();
        Client& client = clients.emplace_back();
        client.keySize = static_cast<std::uint32_t>(line.address.size());
        std::copy(std::begin(line.key), std::end(line.key), client.key);
        client.sentIsText = client.queryIsText = true;
        client.count = 1;

        ClientTexts& text = texts.emplace_back();
        if (line.address.size() > kInlineKey)
            text.longKey = scratchKey;
        text.address.assign(line.address.view());
        const Field start = line.field(3), startTime = line.field(4);
        text.firstAccess.reserve(start.size() + 1 + startTime.size());
        text.firstAccess.append(start.view()).append(1, ' ').append(startTime.view());
        text.sentText.assign(line.field(8).view());
        text.queryText.assign(line.field(7).view());
        setLast(index, line.field(5), line.field(6));

        slots[slot] = ((line.hash >> 32) << 32) | (index + 1);
        if (clients.size() * 2 > slots.size())
            growSlots();
    }

    // cell + field, the cell converted from its text first while it still is text. False stops the reading.
    GLYM_HOT bool addToCell(std::int64_t& value, bool& isText, std::string& text, Field field,
                            std::uint64_t lineNumber) {
        std::int64_t addend = 0;
        if (!isText && field.size() - 1 < 8 && eightDigits(field.begin, field.size(), addend) &&
            value <= std::numeric_limits<std::int64_t>::max() - addend) {
            value += addend; // the usual case: a small plain number added to a number
            return true;
        }
        return addToCellInFull(value, isText, text, field, lineNumber);
    }

    bool addToCellInFull(std::int64_t& value, bool& isText, std::string& text, Field field, std::uint64_t lineNumber) {
        std::int64_t current = value;
        if (isText) {
            const auto parsed = parseInt64(text);
            if (!parsed) {
                stop(notAnIntegerMessage(text), lineNumber);
                return false;
            }
            current = *parsed;
        }
        const auto addend = parseInt64(field.view());
        if (!addend) {
            stop(notAnIntegerMessage(field.view()), lineNumber);
            return false;
        }
        std::int64_t sum = 0;
        if (!addChecked(current, *addend, sum)) {
            stop("Integer overflow", lineNumber);
            return false;
        }
        value = sum;
        if (isText) {
            isText = false;
            std::string().swap(text);
        }
        return true;
    }

    template <typename L> GLYM_HOT void apply(const L& line) {
        const std::size_t slot = findSlot(line);
        if (slots[slot] == 0) {
            addClient(slot, line);
            return;
        }
        const std::size_t index = (slots[slot] & 0xFFFFFFFF) - 1;
        Client& client = clients[index];
        ClientTexts& text = texts[index];
        if (!addToCell(client.sent, client.sentIsText, text.sentText, line.field(8), line.lineNumber))
            return;
        setLast(index, line.field(5), line.field(6));
        if (client.count == std::numeric_limits<std::int64_t>::max()) {
            stop("Integer overflow", line.lineNumber);
            return;
        }
        ++client.count;
        addToCell(client.query, client.queryIsText, text.queryText, line.field(7), line.lineNumber);
    }

    // Applies the batch in file order, after bringing its table slots and client records near.
    void flush() {
        const std::size_t mask = slots.size() - 1;
        for (std::size_t i = 0; i < pending; ++i) {
            const std::uint64_t slot = slots[batch[i].hash & mask];
            if (slot != 0) {
                const char* client = reinterpret_cast<const char*>(&clients[(slot & 0xFFFFFFFF) - 1]);
                prefetch(client);
                prefetch(client + 64);
            }
        }
        for (std::size_t i = 0; i < pending && !stopped; ++i)
            apply(batch[i]);
        pending = 0;
    }

    // Queues a counted line of at most kShortLine bytes whose blanks the scan has put in the next line's blanks.
    GLYM_HOT void queue(const char* line, const char* end) {
        PendingLine& next = batch[pending];
        next.line = line;
        next.end = end;
        next.address = next.field(2);
        next.lineNumber = lines;
        foldAddress(next);
        prefetch(&slots[next.hash & (slots.size() - 1)]);
        if (++pending == kBatch)
            flush();
    }

    // A line without CR or LF, of any length, byte by byte.
    void countLine(const char* line, const char* end) {
        ++lines;
        std::size_t blankAt[kBlankCount];
        std::size_t blanks = 0;
        for (const char* q = line; q < end; ++q) {
            if (*q == ' ') {
                if (blanks == kBlankCount)
                    return;
                blankAt[blanks++] = static_cast<std::size_t>(q - line);
            }
        }
        if (blanks != kBlankCount)
            return;
        flush(); // the lines before it first: one of them may stop the reading
        if (stopped)
            return;
        Line<std::size_t, true> counted;
        counted.line = line;
        counted.end = end;
        counted.blankAt = blankAt;
        counted.address = counted.field(2);
        counted.lineNumber = lines;
        foldAddress(counted);
        apply(counted);
    }

    // Where the line after the line end at lineEnd starts. A CR at the end of the data may have the LF of the same
    // line end at the start of the next data.
    const char* nextLineStart(const char* lineEnd, const char* end) {
        const char* next = lineEnd + 1;
        if (*lineEnd == '\r') {
            if (next == end)
                skipLineFeed = true;
            else if (*next == '\n')
                ++next;
        }
        return next;
    }

    static const char* find(const char* from, const char* end, char c) {
        const void* found = std::memchr(from, c, static_cast<std::size_t>(end - from));
        return found != nullptr ? static_cast<const char*>(found) : end;
    }

    // Counts the complete lines of buffer[start, used) and returns where the unfinished last line begins.
    std::size_t scan(std::size_t start) {
        const char* const data = buffer.data();
        const char* const end = data + used;
        const char* p = data + start;
        // Bytes of the first line known to hold no line end, and their blanks, when it was carried over as a long
        // line.
        std::size_t checked = std::exchange(carryChecked, 0);
        std::size_t checkedBlanks = std::exchange(carryBlanks, 0);
        // The next LF and CR for lines that are not quick to count, searched for again only once passed.
        const char* nextLf = nullptr;
        const char* nextCr = nullptr;
        while (p < end && !stopped) {
            std::uint8_t* const blankAt = batch[pending].blanks;
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
                    const std::size_t blanks =
                        checkedBlanks + static_cast<std::size_t>(std::count(p + checked, end, ' '));
                    if (blanks > kBlankCount) {
                        skippingLine = true;
                        p = end;
                    } else {
                        carryChecked = static_cast<std::size_t>(end - p);
                        carryBlanks = blanks;
                    }
                    break;
                }
                countLine(p, lineEnd);
            } else {
                ++lines;
                if (blanks == kBlankCount)
                    queue(p, lineEnd);
            }
            checked = checkedBlanks = 0;
            p = nextLineStart(lineEnd, end);
        }
        flush();
        return static_cast<std::size_t>(p - data);
    }

    std::span<char> prepare(std::size_t size) {
        const std::size_t needed = used + size + kPadding;
        if (buffer.size() < needed)
            buffer.resize(std::max(needed, buffer.size() + buffer.size() / 2));
        return {buffer.data() + used, size};
    }

    void commit(std::size_t count) {
        if (stopped || count == 0)
            return;
        const std::size_t carried = used;
        used += count;
        std::size_t start = 0;
        if (skipLineFeed) {
            skipLineFeed = false;
            if (carried == 0 && buffer[0] == '\n')
                start = 1;
        }
        if (skippingLine) { // nothing is carried: drop the bytes up to the line end
            const char* const data = buffer.data();
            const char* const end = data + used;
            const char* const lineEnd = std::min(find(data + start, end, '\n'), find(data + start, end, '\r'));
            if (lineEnd == end) {
                used = 0;
                return;
            }
            skippingLine = false;
            ++lines;
            start = static_cast<std::size_t>(nextLineStart(lineEnd, end) - data);
        }
        const std::size_t consumed = scan(start);
        if (stopped) {
            used = 0;
            return;
        }
        used -= consumed;
        if (consumed != 0 && used != 0)
            std::memmove(buffer.data(), buffer.data() + consumed, used);
    }

    void finish() {
        if (stopped)
            return;
        if (skippingLine) { // the last line, without line end, dropped
            skippingLine = false;
            ++lines;
            return;
        }
        if (used == 0)
            return;
        // What is left holds no line end: it is the last line, without one.
        countLine(buffer.data(), buffer.data() + used);
        flush();
        used = carryChecked = carryBlanks = 0;
    }

    ConnectionStats result() const {
        ConnectionStats stats;
        stats.rows.reserve(clients.size());
        for (std::size_t i = 0; i < clients.size(); ++i) {
            const Client& client = clients[i];
            const ClientTexts& text = texts[i];
            stats.rows.push_back(
                {text.address, client.sentIsText ? text.sentText : std::to_string(client.sent), text.firstAccess,
                 client.lastSize == kLastElsewhere ? text.lastLong : std::string(client.last, client.lastSize),
                 std::to_string(client.count), client.queryIsText ? text.queryText : std::to_string(client.query)});
        }
        stats.error = error;
        stats.errorLine = errorLine;
        stats.linesRead = lines;
        return stats;
    }
};

ConnectionStatsCounter::ConnectionStatsCounter() : impl_(std::make_unique<Impl>()) {}
ConnectionStatsCounter::~ConnectionStatsCounter() = default;

std::span<char> ConnectionStatsCounter::prepare(std::size_t size) {
    return impl_->prepare(size);
}
void ConnectionStatsCounter::commit(std::size_t count) {
    impl_->commit(count);
}

void ConnectionStatsCounter::feed(std::string_view bytes) {
    while (!bytes.empty() && !impl_->stopped) {
        const std::size_t chunk = std::min(bytes.size(), kFeedChunk);
        std::memcpy(prepare(chunk).data(), bytes.data(), chunk);
        commit(chunk);
        bytes.remove_prefix(chunk);
    }
}

void ConnectionStatsCounter::finish() {
    impl_->finish();
}
bool ConnectionStatsCounter::stopped() const {
    return impl_->stopped;
}
ConnectionStats ConnectionStatsCounter::result() const {
    return impl_->result();
}

ConnectionStats readConnectionStats(const std::string& path, const ConnectionStatsOptions& options) {
    // Read-only and without a lock: the proxy keeps appending while we read, and must never wait for us. O_NONBLOCK
    // only keeps a named pipe in the log's place from holding up the open; such a file is then refused.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0)
        throw GlymError("Cannot open file \"" + path + "\". " + std::strerror(errno));
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        throw GlymError("Cannot read file \"" + path + "\". " + std::strerror(errno));
    if (!S_ISREG(info.st_mode))
        throw GlymError("Cannot read file \"" + path + "\". " +
                        (S_ISDIR(info.st_mode) ? std::strerror(EISDIR) : "Not a regular file"));
    const std::uint64_t total = static_cast<std::uint64_t>(std::max<off_t>(info.st_size, 0));
#ifdef POSIX_FADV_SEQUENTIAL
    ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
#endif

    const std::size_t blockSize = std::clamp<std::size_t>(options.blockSize, 1, std::size_t{1} << 30);
    ConnectionStatsCounter counter;
    bool cancelled = false;
    std::uint64_t done = 0;
    for (;;) {
        if (options.cancel != nullptr && options.cancel->load(std::memory_order_relaxed)) {
            cancelled = true;
            break;
        }
        const std::span<char> room = counter.prepare(blockSize);
        const ssize_t got = ::read(fd.get(), room.data(), room.size());
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw GlymError("Cannot read file \"" + path + "\". " + std::strerror(errno));
        }
        if (got == 0)
            break;
        counter.commit(static_cast<std::size_t>(got));
        done += static_cast<std::uint64_t>(got);
        if (options.progress)
            options.progress(done, std::max(total, done));
        if (counter.stopped())
            break;
    }
    if (!cancelled)
        counter.finish();
    ConnectionStats stats = counter.result();
    stats.cancelled = cancelled;
    return stats;
}
