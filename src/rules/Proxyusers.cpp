#include "rules/Proxyusers.h"

#include "common/Numbers.h"

#include <stdexcept>

void TProxyUsers::WriteTo(std::vector<std::string>& lines) const {
    auto addIfSet = [&lines](const std::string& line) {
        if (!line.empty())
            lines.push_back(line);
    };
    addIfSet(GroupLine);
    for (const RuleLines* list :
         {&NetworkRules, &HostRules, &UrlRules, &WordRules, &TimeRules, &PortAccessRules, &PortBlockRules})
        for (const auto& entry : *list)
            lines.push_back(entry.text);
    for (const std::string* single : {&LimitRule, &SpeedRule, &InputAuthRule, &OutputAuthRule})
        addIfSet(*single);
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
