#include "base/TextOrder.h"

#include "base/Text.h"
#include "common/Cp1251.h"

#include <QCollator>
#include <algorithm>
#include <array>
#include <numeric>

namespace textorder {

namespace {

// A byte's place in the collation (1 for the first), or 0 when the table cannot order texts holding it.
struct Places {
    std::array<unsigned char, 256> place{};
    std::array<unsigned char, 256> byteOf{}; // a byte of each place, to spell a text of places again
};

QString character(int byte) {
    return QString(QChar(cp1251::toUnicode(static_cast<unsigned char>(byte))));
}

// The places the collator gives the single characters of the code page. Characters it finds equal (a capital and
// its small letter) share a place. A character keeps its place only if it weighs one part in the collation: one
// that weighs like the character before it plus a mark ("Ё" after "Е"), or like that character and more ("№" after
// "N"), sorts before that character followed by the last character of all; a character of one part of its own
// sorts after it. Ignored characters (the controls) get no place either.
Places makePlaces() {
    const QCollator& order = collator();
    std::vector<int> bytes;
    const QString letter = QStringLiteral("a");
    for (int byte = 0; byte < 256; ++byte)
        if (order.compare(character(byte) + letter, letter) != 0) // an ignored character leaves "a" as it is
            bytes.push_back(byte);
    std::stable_sort(bytes.begin(), bytes.end(),
                     [&order](int a, int b) { return order.compare(character(a), character(b)) < 0; });
    Places result;
    if (bytes.empty())
        return result;
    const QString last = character(bytes.back());
    int place = 0;
    int previous = -1;       // the first byte of the place before
    int previousSimple = -1; // the first byte of the last place that stands alone
    for (const int byte : bytes) {
        if (previous < 0 || order.compare(character(previous), character(byte)) != 0) {
            if (previous >= 0 && result.place[static_cast<std::size_t>(previous)] != 0)
                previousSimple = previous;
            previous = byte;
            ++place;
        }
        const bool simple = previousSimple < 0 || order.compare(character(byte), character(previousSimple) + last) > 0;
        if (simple && place < 256) {
            result.place[static_cast<std::size_t>(byte)] = static_cast<unsigned char>(place);
            result.byteOf[static_cast<std::size_t>(place)] = static_cast<unsigned char>(byte);
        }
    }
    return result;
}

const Places& places() {
    static const Places kPlaces = makePlaces();
    return kPlaces;
}

std::uint64_t packed(const unsigned char* places, std::size_t count) {
    std::uint64_t result = 0;
    for (std::size_t i = 0; i < 8; ++i)
        result = result << 8 | (i < count ? places[i] : 0);
    return result;
}

int sign(int value) {
    return (value > 0) - (value < 0);
}

} // namespace

const QCollator& collator() {
    static const QCollator kCollator = [] {
        QCollator result{QLocale(QLocale::English, QLocale::UnitedStates)};
        result.setCaseSensitivity(Qt::CaseInsensitive);
        result.setNumericMode(false);
        result.setIgnorePunctuation(false);
        return result;
    }();
    return kCollator;
}

void TextKeys::reserve(std::size_t count) {
    heads_.reserve(count);
    tailStarts_.reserve(count + 1);
}

TextKeys::Head TextKeys::add(std::string_view text) {
    const Places& table = places();
    std::array<unsigned char, 16> first{};
    std::size_t at = 0;
    for (; at < text.size(); ++at) {
        const unsigned char place = table.place[static_cast<unsigned char>(text[at])];
        if (place == 0) {
            others_.emplace_back(heads_.size(), std::string(text));
            heads_.push_back({});
            tailStarts_.push_back(tails_.size());
            return {};
        }
        if (at < first.size())
            first[at] = place;
        else
            tails_.push_back(static_cast<char>(place));
    }
    heads_.push_back({packed(first.data(), std::min<std::size_t>(at, 8)),
                      packed(first.data() + 8, at > 8 ? std::min<std::size_t>(at - 8, 8) : 0)});
    tailStarts_.push_back(tails_.size());
    return heads_.back();
}

void TextKeys::finish() {
    if (others_.empty())
        return;
    // A text the table cannot key: the collator keys every text, those keyed by places spelled again from them.
    const Places& table = places();
    collated_.reserve(heads_.size());
    auto other = others_.begin();
    for (std::size_t text = 0; text < heads_.size(); ++text) {
        QString spelled;
        if (other != others_.end() && other->first == text) {
            spelled = fromFileBytes(other->second);
            ++other;
        } else {
            std::string bytes;
            for (const std::uint64_t part : {heads_[text].high, heads_[text].low})
                for (int shift = 56; shift >= 0; shift -= 8)
                    if (const auto place = static_cast<unsigned char>(part >> shift))
                        bytes.push_back(static_cast<char>(table.byteOf[place]));
            for (std::size_t i = tailStarts_[text]; i < tailStarts_[text + 1]; ++i)
                bytes.push_back(static_cast<char>(table.byteOf[static_cast<unsigned char>(tails_[i])]));
            spelled = fromFileBytes(bytes);
        }
        collated_.push_back(collator().sortKey(spelled));
        heads_[text] = {};
    }
    others_.clear();
    tails_.clear();
}

int TextKeys::compareRest(std::size_t a, std::size_t b) const {
    if (!collated_.empty())
        return sign(collated_[a].compare(collated_[b]));
    const std::string_view all(tails_);
    return sign(all.substr(tailStarts_[a], tailStarts_[a + 1] - tailStarts_[a])
                    .compare(all.substr(tailStarts_[b], tailStarts_[b + 1] - tailStarts_[b])));
}

int TextKeys::compare(std::size_t a, std::size_t b) const {
    const Head& x = heads_[a];
    const Head& y = heads_[b];
    if (x.high != y.high)
        return x.high < y.high ? -1 : 1;
    if (x.low != y.low)
        return x.low < y.low ? -1 : 1;
    return compareRest(a, b);
}

} // namespace textorder
