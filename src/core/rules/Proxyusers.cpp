#include "rules/Proxyusers.h"

#include "common/Numbers.h"

#include <stdexcept>

void TProxyUsers::WriteTo(std::vector<std::string>& lines) const {
    forEachLine([&lines](const std::string& line) { lines.push_back(line); });
}

std::size_t TProxyUsers::namingLineCount() const {
    return (GroupLine.empty() ? 0 : 1) + NetworkRules.size() + HostRules.size();
}

std::size_t TProxyUsers::dependentRuleCount() const {
    std::size_t count = 0;
    for (const RuleLines* list : {&UrlRules, &WordRules, &TimeRules, &PortAccessRules, &PortBlockRules})
        count += list->size();
    for (const std::string* single : {&LimitRule, &SpeedRule, &InputAuthRule, &OutputAuthRule})
        count += single->empty() ? 0 : 1;
    return count;
}

std::optional<int> GroupTable::groupNumber(std::string_view field) {
    const auto number = parseInt32(field);
    if (!number || *number < 0 || *number >= kSlotCount)
        return std::nullopt;
    return *number;
}

TProxyUsers* GroupTable::find(int group) {
    return group >= 0 && group < kSlotCount ? slots_[static_cast<std::size_t>(group)].get() : nullptr;
}

const TProxyUsers* GroupTable::find(int group) const {
    return group >= 0 && group < kSlotCount ? slots_[static_cast<std::size_t>(group)].get() : nullptr;
}

TProxyUsers& GroupTable::create(int group) {
    if (group < 0 || group >= kSlotCount)
        throw std::out_of_range("group number outside 0 to 64");
    auto& slot = slots_[static_cast<std::size_t>(group)];
    if (!slot)
        slot = std::make_unique<TProxyUsers>(group);
    return *slot;
}
