#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// An ordered list of rule lines in which every line keeps an id for as long as it lives. A list view row carries
// the id of the line it shows, so Edit and Delete always reach that very line, whatever its text looks like
// (hand-written spacing, leading zeros, extra fields) and however the rows are sorted.
class RuleLines {
public:
    using Id = std::uint64_t;
    struct Entry {
        Id id;
        std::string text;
    };

    // Appends a line and returns its new id (ids are unique across all lists of the program).
    Id append(std::string text);

    // The line with that id, or nullptr when this list holds no such line.
    const std::string* find(Id id) const;
    // The place of the line with that id, or npos. `hint` is where the caller saw it last: a line still there is
    // found at once, as most are (only the lines after one removed or put back move, by one place).
    static constexpr std::size_t npos = ~std::size_t(0);
    std::size_t indexOf(Id id, std::size_t hint = npos) const;
    bool replace(Id id, std::string text);
    bool remove(Id id);
    // Puts back a line removed before, under its id, so that it stands where it stood.
    void restore(Entry entry);

    // The first line equal to text, letters compared without regard to case.
    std::optional<Id> findIgnoringCase(std::string_view text) const;

    bool empty() const { return entries_.empty(); }
    std::size_t size() const { return entries_.size(); }
    const Entry& operator[](std::size_t index) const { return entries_[index]; }
    auto begin() const { return entries_.begin(); }
    auto end() const { return entries_.end(); }
    void clear() { entries_.clear(); }
    void reserve(std::size_t count) { entries_.reserve(count); }

private:
    std::vector<Entry>::const_iterator locate(Id id) const;

    std::vector<Entry> entries_; // ordered by id: ids grow with every append and the order never changes
};
