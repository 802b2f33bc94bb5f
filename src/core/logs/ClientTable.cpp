#include "logs/ClientTable.h"

#include "common/Cp1251.h"
#include "common/Numbers.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <optional>
#include <utility>

// How the counting goes fast. A client's hot part (folded address, sums, "Last Disconnect") fits two cache lines;
// its texts live apart. Addresses of up to 24 bytes are folded and hashed as three words without a branch on their
// length, and numbers of up to eight digits are converted in one word. A batch of lines is hashed first, its table
// slots and client records prefetched, and only then applied one after the other in file order, so the result is
// exactly that of counting line by line.

// Hot helpers are inlined into the counting whatever the optimiser's estimate (an unknown attribute is ignored).
#define GLYM_HOT [[gnu::always_inline]] inline

namespace logstats {

namespace {

constexpr std::uint64_t kZeros = kOnes * '0';

// Mask of the low n bytes of a word (n < 8).
inline std::uint64_t lowBytesMask(std::size_t n) {
    return (std::uint64_t{1} << (8 * n)) - 1;
}

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
    if (size <= 24) // three independent products rather than a chain
        return finishHash((words[0] * 0x9E3779B97F4A7C15) ^ std::rotl(words[1] * 0xC2B2AE3D27D4EB4F, 21) ^
                          std::rotl(words[2] * 0x165667B19E3779F9, 42) ^ size);
    std::uint64_t hash = size * 0xC2B2AE3D27D4EB4F;
    for (std::size_t i = 0, n = (size + 7) / 8; i < n; ++i) {
        hash = (hash ^ words[i]) * 0x9E3779B97F4A7C15;
        hash ^= hash >> 29;
    }
    return finishHash(hash);
}

// For every address size up to 24 bytes: the masks of its bytes in each of the three key words.
constexpr std::array<std::array<std::uint64_t, 3>, 25> makeKeyMasks() {
    std::array<std::array<std::uint64_t, 3>, 25> masks{};
    for (std::size_t size = 0; size <= 24; ++size)
        for (std::size_t byte = 0; byte < size; ++byte)
            masks[size][byte / 8] |= std::uint64_t{0xFF} << (8 * (byte % 8));
    return masks;
}
constexpr auto kKeyMasks = makeKeyMasks();

inline bool addChecked(std::int64_t a, std::int64_t b, std::int64_t& sum) {
    if ((b > 0 && a > std::numeric_limits<std::int64_t>::max() - b) ||
        (b < 0 && a < std::numeric_limits<std::int64_t>::min() - b))
        return false;
    sum = a + b;
    return true;
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

// Copies n bytes in whole words: reads and writes up to 7 bytes more.
inline void copyWords(char* to, const char* from, std::size_t n) {
    for (std::size_t i = 0; i < n; i += 8)
        std::memcpy(to + i, from + i, 8);
}

} // namespace

static_assert(kReadPadding >= 24, "an address's three key words are loaded whole");

struct ClientTable::Impl {
    static constexpr std::size_t kInlineKeyWords = 3;
    static constexpr std::size_t kInlineKey = 8 * kInlineKeyWords; // addresses up to this size live in the record
    static constexpr std::uint8_t kLastElsewhere = 0xFF;
    static constexpr std::size_t kMaxClients = 0xFFFFFFFE; // a slot holds a client's index + 1 in 32 bits

    // What a line of a known client touches: two cache lines.
    struct alignas(64) Client {
        std::uint64_t key[kInlineKeyWords]; // folded address, zero-padded, when it fits; else in ClientTexts
        std::uint32_t keySize;
        std::uint8_t lastSize; // bytes of last in use, or kLastElsewhere: "Last Disconnect" is in ClientTexts
        bool sentIsText;
        bool queryIsText;
        // A number below zero went into one of its sums: their running values may have fallen on the way, so
        // only the lines themselves tell whether a larger start would have passed the 64-bit range.
        bool sawNegative;
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

    // The address of a line, folded, and its hash.
    struct LineKey {
        Field address; // field 2, trimmed
        std::uint64_t key[kInlineKeyWords];
        std::uint64_t hash;
    };

    std::vector<Client> clients;
    std::vector<ClientTexts> texts;
    std::vector<std::uint64_t> slots; // open addressing: (hash high half << 32) | (client index + 1); 0 = empty
    std::array<unsigned char, 256> fold{};
    std::vector<std::uint64_t> scratchKey; // the long address of the line being counted, folded
    std::array<LineKey, kBatch> keys;      // of the batch being counted
    std::optional<std::string> error;
    std::uint64_t errorLine = 0;

    Impl() {
        static_assert(kInlineKey == 24);
        for (int i = 0; i < 256; ++i)
            fold[static_cast<std::size_t>(i)] = cp1251::foldCase(static_cast<unsigned char>(i));
        slots.assign(1024, 0);
    }

    void stop(std::string message, std::uint64_t line) {
        error = std::move(message);
        errorLine = line;
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

    // Fills the key's words (when the address fits them) and its hash.
    GLYM_HOT void foldAddress(LineKey& key, Field address) {
        key.address = address;
        const std::size_t size = address.size();
        if (size > kInlineKey) {
            foldLongKey(address);
            key.key[0] = key.key[1] = key.key[2] = 0;
            key.hash = hashKey(scratchKey.data(), size);
            return;
        }
        // The three words at the address, the bytes after it zeroed; no branch on its length.
        const std::uint64_t w0 = loadWord(address.begin) & kKeyMasks[size][0];
        const std::uint64_t w1 = loadWord(address.begin + 8) & kKeyMasks[size][1];
        const std::uint64_t w2 = loadWord(address.begin + 16) & kKeyMasks[size][2];
        if (((w0 | w1 | w2) & kHigh) == 0) {
            key.key[0] = foldAsciiWord(w0);
            key.key[1] = foldAsciiWord(w1);
            key.key[2] = foldAsciiWord(w2);
        } else {
            key.key[0] = foldWord(w0);
            key.key[1] = foldWord(w1);
            key.key[2] = foldWord(w2);
        }
        key.hash = hashKey(key.key, size);
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

    GLYM_HOT bool keyEquals(std::size_t index, const LineKey& key) const {
        const Client& client = clients[index];
        const std::size_t size = key.address.size();
        if (client.keySize != size)
            return false;
        if (size <= kInlineKey)
            return ((client.key[0] ^ key.key[0]) | (client.key[1] ^ key.key[1]) | (client.key[2] ^ key.key[2])) == 0;
        return texts[index].longKey == scratchKey;
    }

    // The slot holding the line's client, or the empty slot where it belongs.
    GLYM_HOT std::size_t findSlot(const LineKey& key) {
        if (key.address.size() > kInlineKey)
            foldLongKey(key.address); // scratchKey may hold the address of a later line of the batch
        const std::size_t mask = slots.size() - 1;
        const std::uint64_t tag = key.hash >> 32;
        for (std::size_t i = key.hash & mask;; i = (i + 1) & mask) {
            const std::uint64_t slot = slots[i];
            if (slot == 0 || ((slot >> 32) == tag && keyEquals((slot & 0xFFFFFFFF) - 1, key)))
                return i;
        }
    }

    // Points the empty slot at client index, growing the slots when they are half full.
    void fillSlot(std::size_t slot, std::uint64_t hash, std::size_t index) {
        slots[slot] = ((hash >> 32) << 32) | (index + 1);
        if (clients.size() * 2 > slots.size())
            growSlots();
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

    template <typename Line> void addClient(std::size_t slot, const Line& line, const LineKey& key) {
        if (clients.size() >= kMaxClients) {
            stop("Too many client addresses", line.number);
            return;
        }
        const std::size_t index = clients.size();
        Client& client = clients.emplace_back();
        client.keySize = static_cast<std::uint32_t>(key.address.size());
        std::copy(std::begin(key.key), std::end(key.key), client.key);
        client.sentIsText = client.queryIsText = true;
        client.count = 1;

        ClientTexts& text = texts.emplace_back();
        if (key.address.size() > kInlineKey)
            text.longKey = scratchKey;
        text.address.assign(key.address.view());
        const Field start = line.field(3), startTime = line.field(4);
        text.firstAccess.reserve(start.size() + 1 + startTime.size());
        text.firstAccess.append(start.view()).append(1, ' ').append(startTime.view());
        text.sentText.assign(line.field(8).view());
        text.queryText.assign(line.field(7).view());
        setLast(index, line.field(5), line.field(6));
        fillSlot(slot, key.hash, index);
    }

    // cell + field, the cell converted from its text first while it still is text. False stops the counting.
    GLYM_HOT bool addToCell(std::int64_t& value, bool& isText, std::string& text, Field field, std::uint64_t lineNumber,
                            bool& sawNegative) {
        std::int64_t addend = 0;
        if (!isText && field.size() - 1 < 8 && eightDigits(field.begin, field.size(), addend) &&
            value <= std::numeric_limits<std::int64_t>::max() - addend) {
            value += addend; // the usual case: a small plain number added to a number
            return true;
        }
        return addToCellInFull(value, isText, text, field, lineNumber, sawNegative);
    }

    bool addToCellInFull(std::int64_t& value, bool& isText, std::string& text, Field field, std::uint64_t lineNumber,
                         bool& sawNegative) {
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
        sawNegative = sawNegative || current < 0 || *addend < 0;
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

    template <typename Line> GLYM_HOT void apply(const Line& line, const LineKey& key) {
        const std::size_t slot = findSlot(key);
        if (slots[slot] == 0) {
            addClient(slot, line, key);
            return;
        }
        const std::size_t index = (slots[slot] & 0xFFFFFFFF) - 1;
        Client& client = clients[index];
        ClientTexts& text = texts[index];
        if (!addToCell(client.sent, client.sentIsText, text.sentText, line.field(8), line.number, client.sawNegative))
            return;
        setLast(index, line.field(5), line.field(6));
        if (client.count == std::numeric_limits<std::int64_t>::max()) {
            stop("Integer overflow", line.number);
            return;
        }
        ++client.count;
        addToCell(client.query, client.queryIsText, text.queryText, line.field(7), line.number, client.sawNegative);
    }

    // Up to kBatch lines: their keys first, prefetching the table slots they need; then the client records of
    // those slots; then the lines in file order.
    void countBatch(std::span<const ShortLine> lines) {
        for (std::size_t i = 0; i < lines.size(); ++i) {
            foldAddress(keys[i], lines[i].field(2));
            prefetch(&slots[keys[i].hash & (slots.size() - 1)]);
        }
        const std::size_t mask = slots.size() - 1;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const std::uint64_t slot = slots[keys[i].hash & mask];
            if (slot != 0) {
                const char* client = reinterpret_cast<const char*>(&clients[(slot & 0xFFFFFFFF) - 1]);
                prefetch(client);
                prefetch(client + 64);
            }
        }
        for (std::size_t i = 0; i < lines.size() && !error; ++i)
            apply(lines[i], keys[i]);
    }

    // --- taking in the table of the next part of the log ---

    // A client here that the later table's client `later` extends, with the sums one pass would reach.
    struct Extension {
        std::uint32_t earlier;
        std::uint32_t later;
        std::int64_t sent;
        std::int64_t query;
        bool sawNegative;
    };

    // The slot holding the client of a folded key, or the empty slot where it belongs.
    std::size_t findKeySlot(const std::uint64_t* key, std::size_t size, std::uint64_t hash) const {
        const std::size_t mask = slots.size() - 1;
        const std::size_t words = size <= kInlineKey ? kInlineKeyWords : (size + 7) / 8;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            const std::uint64_t slot = slots[i];
            if (slot == 0)
                return i;
            const std::size_t index = (slot & 0xFFFFFFFF) - 1;
            if ((slot >> 32) == (hash >> 32) && clients[index].keySize == size &&
                std::equal(key, key + words, keyOf(index)))
                return i;
        }
    }

    // What a cell holds, or will hold once a further line converts it; nothing when that conversion fails.
    std::optional<std::int64_t> sentValue(std::size_t index) const {
        return clients[index].sentIsText ? parseInt64(texts[index].sentText) : clients[index].sent;
    }
    std::optional<std::int64_t> queryValue(std::size_t index) const {
        return clients[index].queryIsText ? parseInt64(texts[index].queryText) : clients[index].query;
    }

    // A cell here plus the same cell of the client's lines in the later part, as one pass sums them line by line;
    // nothing when one pass would stop on the way, or might: a text that is no number, a sum out of range, or later
    // lines of both signs. With none below zero the running sums only rise, so the last one passes the range
    // whenever one on the way does; a single later line is a single step.
    static std::optional<std::int64_t> extendedSum(std::optional<std::int64_t> earlier,
                                                   std::optional<std::int64_t> later, bool laterRises) {
        std::int64_t sum = 0;
        if (!earlier || !later || !laterRises || !addChecked(*earlier, *later, sum))
            return std::nullopt;
        return sum;
    }

    // How the later table's clients extend or follow these; false when counting its lines here would stop, or
    // might stop, the counting somewhere.
    bool planAbsorb(const Impl& later, std::vector<Extension>& extensions, std::vector<std::uint32_t>& added) const {
        if (error || later.error)
            return false;
        for (std::size_t i = 0; i < later.clients.size(); ++i) {
            const Client& client = later.clients[i];
            const std::uint64_t* key = later.keyOf(i);
            const std::uint64_t slot = slots[findKeySlot(key, client.keySize, hashKey(key, client.keySize))];
            if (slot == 0) {
                added.push_back(static_cast<std::uint32_t>(i));
                continue;
            }
            const std::size_t index = (slot & 0xFFFFFFFF) - 1;
            const bool rises = client.count == 1 || !client.sawNegative;
            const auto earlierSent = sentValue(index), earlierQuery = queryValue(index);
            const auto laterSent = later.sentValue(i), laterQuery = later.queryValue(i);
            const auto sent = extendedSum(earlierSent, laterSent, rises);
            const auto query = extendedSum(earlierQuery, laterQuery, rises);
            std::int64_t count = 0;
            if (!sent || !query || !addChecked(clients[index].count, client.count, count))
                return false;
            const bool negative = clients[index].sawNegative || client.sawNegative || *earlierSent < 0 ||
                                  *earlierQuery < 0 || *laterSent < 0 || *laterQuery < 0;
            extensions.push_back(
                {static_cast<std::uint32_t>(index), static_cast<std::uint32_t>(i), *sent, *query, negative});
        }
        return clients.size() + added.size() <= kMaxClients;
    }

    void absorb(Impl& later, const std::vector<Extension>& extensions, const std::vector<std::uint32_t>& added) {
        for (const Extension& extension : extensions) {
            Client& client = clients[extension.earlier];
            ClientTexts& text = texts[extension.earlier];
            const Client& from = later.clients[extension.later];
            client.sent = extension.sent;
            client.query = extension.query;
            client.count += from.count;
            client.sawNegative = extension.sawNegative;
            if (std::exchange(client.sentIsText, false))
                std::string().swap(text.sentText);
            if (std::exchange(client.queryIsText, false))
                std::string().swap(text.queryText);
            client.lastSize = from.lastSize;
            std::memcpy(client.last, from.last, sizeof client.last);
            if (from.lastSize == kLastElsewhere)
                text.lastLong = std::move(later.texts[extension.later].lastLong);
        }
        clients.reserve(clients.size() + added.size());
        texts.reserve(texts.size() + added.size());
        for (const std::uint32_t i : added) {
            const std::uint64_t* key = later.keyOf(i);
            const std::size_t size = later.clients[i].keySize;
            const std::uint64_t hash = hashKey(key, size);
            const std::size_t slot = findKeySlot(key, size, hash);
            clients.push_back(later.clients[i]);
            texts.push_back(std::move(later.texts[i]));
            fillSlot(slot, hash, clients.size() - 1);
        }
    }

    std::vector<ConnectionStatsRow> rows() const {
        std::vector<ConnectionStatsRow> rows;
        rows.reserve(clients.size());
        for (std::size_t i = 0; i < clients.size(); ++i) {
            const Client& client = clients[i];
            const ClientTexts& text = texts[i];
            rows.push_back(
                {text.address, client.sentIsText ? text.sentText : std::to_string(client.sent), text.firstAccess,
                 client.lastSize == kLastElsewhere ? text.lastLong : std::string(client.last, client.lastSize),
                 std::to_string(client.count), client.queryIsText ? text.queryText : std::to_string(client.query)});
        }
        return rows;
    }
};

ClientTable::ClientTable() : impl_(std::make_unique<Impl>()) {}
ClientTable::~ClientTable() = default;
ClientTable::ClientTable(ClientTable&&) noexcept = default;
ClientTable& ClientTable::operator=(ClientTable&&) noexcept = default;

bool ClientTable::count(std::span<const ShortLine> lines) {
    for (std::size_t done = 0; done < lines.size() && !impl_->error; done += kBatch)
        impl_->countBatch(lines.subspan(done, std::min(kBatch, lines.size() - done)));
    return !impl_->error;
}

bool ClientTable::count(const LongLine& line) {
    if (impl_->error)
        return false;
    Impl::LineKey key;
    impl_->foldAddress(key, line.field(2));
    impl_->apply(line, key);
    return !impl_->error;
}

bool ClientTable::stopped() const {
    return impl_->error.has_value();
}
const std::optional<std::string>& ClientTable::error() const {
    return impl_->error;
}
std::uint64_t ClientTable::errorLine() const {
    return impl_->errorLine;
}

bool ClientTable::absorb(ClientTable& later) {
    std::vector<Impl::Extension> extensions;
    std::vector<std::uint32_t> added;
    if (!impl_->planAbsorb(*later.impl_, extensions, added))
        return false;
    impl_->absorb(*later.impl_, extensions, added);
    later = ClientTable();
    return true;
}

std::vector<ConnectionStatsRow> ClientTable::rows() const {
    return impl_->rows();
}

} // namespace logstats
