#pragma once

#include <QCollatorSortKey>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class QCollator;

// The order of texts wherever the program sorts them (a column of a list, the cache-skip lines): the collation of
// one fixed locale, so that a sort writes the same file order on every machine, with letter case ignored. Marks
// and digits come before letters, Latin before Cyrillic, and "Ё" stands between "Е" and "Ж".
namespace textorder {

// The collator of that order.
const QCollator& collator();

// The sort keys of many texts (Windows-1251 bytes), each taken once, for one sort: comparing two keys costs about
// what comparing two numbers does. Most characters of the code page each weigh one place in the collation, so a
// text made of them is keyed by the places of its bytes, read from a table the collator fills once; when one text
// holds any other character (one the collation weighs in several parts, as "Ё" or "№"), every text is keyed by
// the collator itself.
class TextKeys {
public:
    // The first 16 places of a text as two numbers: keys that differ there compare as these numbers do.
    struct Head {
        std::uint64_t high = 0;
        std::uint64_t low = 0;
        friend bool operator==(const Head&, const Head&) = default;
    };

    void reserve(std::size_t count);
    // Adds the key of the next text and returns its head; call finish() after the last one.
    Head add(std::string_view text);
    void finish();
    // Whether finish() found a text the table cannot key: then every head is zero and every text has a rest.
    bool collated() const { return !collated_.empty(); }

    std::size_t size() const { return heads_.size(); }
    // Compare the heads first, then the rest of the texts whose heads are equal (-1, 0, 1).
    const Head& head(std::size_t text) const { return heads_[text]; }
    int compareRest(std::size_t a, std::size_t b) const;
    // Whether the text has a rest to compare: two texts without one are equal when their heads are.
    bool hasRest(std::size_t text) const { return !collated_.empty() || tailStarts_[text + 1] != tailStarts_[text]; }
    int compare(std::size_t a, std::size_t b) const;

private:
    std::vector<Head> heads_;
    std::string tails_;                      // the places after the 16th, text after text
    std::vector<std::size_t> tailStarts_{0}; // where each text's tail starts, and where the last one ends
    std::vector<std::pair<std::size_t, std::string>> others_; // the texts the table cannot key, by index
    std::vector<QCollatorSortKey> collated_;                  // every text's key, when there are any such
};

} // namespace textorder
