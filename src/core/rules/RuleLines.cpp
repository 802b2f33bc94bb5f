#include "rules/RuleLines.h"

#include "common/Cp1251.h"

#include <algorithm>
#include <atomic>

namespace {
std::atomic<RuleLines::Id> nextId{1};
} // namespace

RuleLines::Id RuleLines::append(std::string text) {
    const Id id = nextId.fetch_add(1, std::memory_order_relaxed);
    entries_.push_back({id, std::move(text)});
    return id;
}

std::vector<RuleLines::Entry>::const_iterator RuleLines::locate(Id id) const {
    const auto it = std::lower_bound(entries_.begin(), entries_.end(), id,
                                     [](const Entry& entry, Id wanted) { return entry.id < wanted; });
    return it != entries_.end() && it->id == id ? it : entries_.end();
}

std::size_t RuleLines::indexOf(Id id, std::size_t hint) const {
    if (hint < entries_.size() && entries_[hint].id == id)
        return hint;
    const auto it = locate(id);
    return it == entries_.end() ? npos : static_cast<std::size_t>(it - entries_.begin());
}

const std::string* RuleLines::find(Id id) const {
    const auto it = locate(id);
    return it == entries_.end() ? nullptr : &it->text;
}

bool RuleLines::replace(Id id, std::string text) {
    const auto it = locate(id);
    if (it == entries_.end())
        return false;
    entries_[static_cast<std::size_t>(it - entries_.begin())].text = std::move(text);
    return true;
}

bool RuleLines::remove(Id id) {
    const auto it = locate(id);
    if (it == entries_.end())
        return false;
    entries_.erase(it);
    return true;
}

void RuleLines::restore(Entry entry) {
    const auto at = std::lower_bound(entries_.begin(), entries_.end(), entry.id,
                                     [](const Entry& held, Id wanted) { return held.id < wanted; });
    entries_.insert(at, std::move(entry));
}

std::optional<RuleLines::Id> RuleLines::findIgnoringCase(std::string_view text) const {
    for (const Entry& entry : entries_)
        if (cp1251::equalsIgnoreCase(entry.text, text))
            return entry.id;
    return std::nullopt;
}
