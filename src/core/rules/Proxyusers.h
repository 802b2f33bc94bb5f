#pragma once

#include "rules/RuleLines.h"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The rules of one user group, kept as whole rule lines by kind. A value is read by parsing its line and
// changed by building the whole line again.
class TProxyUsers {
public:
    explicit TProxyUsers(int groupNumber) : GroupNumber(groupNumber) {}

    void SetGroupLine(std::string line) { GroupLine = std::move(line); }

    // Appends the group's lines in the order the access rules file holds them: the "GN" line, the list kinds,
    // then the single lines; empty single lines are left out.
    void WriteTo(std::vector<std::string>& lines) const;
    // Calls line(text) for each of those lines, in that order.
    template <class Line> void forEachLine(Line line) const;

    // The lines that bring a group into being when the access rules file is loaded: its "GN" line (when set) and
    // its "GD" and "CD" lines. Group 0 comes into being without one.
    std::size_t namingLineCount() const;
    // The lines that the load keeps only for a group that comes into being: URL, word, time and port rules, the
    // limit, the speed and the two authorization lines (those set).
    std::size_t dependentRuleCount() const;

    int GroupNumber;
    std::string GroupLine;      // "GN"; empty when the group has no name line
    RuleLines NetworkRules;     // "GD"
    RuleLines HostRules;        // "CD"
    RuleLines UrlRules;         // "PA" and "PD", mixed
    RuleLines WordRules;        // "BW"
    RuleLines TimeRules;        // "WT"
    RuleLines PortAccessRules;  // "RP"
    RuleLines PortBlockRules;   // "BP"
    std::string LimitRule;      // "TL"
    std::string SpeedRule;      // "RL"
    std::string InputAuthRule;  // "IA"
    std::string OutputAuthRule; // "OA"
};

// The 65 group slots, indexed by group number 0 to 64. A group exists when its slot holds a record; records
// live until the program ends.
class GroupTable {
public:
    static constexpr int kSlotCount = 65;

    // The group number a rule line's field names: a whole number from 0 to 64, or nothing.
    static std::optional<int> groupNumber(std::string_view field);

    bool exists(int group) const { return find(group) != nullptr; }
    TProxyUsers* find(int group);
    const TProxyUsers* find(int group) const;
    // The group's record, created in its slot when missing. group must be 0 to 64.
    TProxyUsers& create(int group);

private:
    std::array<std::unique_ptr<TProxyUsers>, kSlotCount> slots_;
};

template <class Line> void TProxyUsers::forEachLine(Line line) const {
    if (!GroupLine.empty())
        line(GroupLine);
    for (const RuleLines* list :
         {&NetworkRules, &HostRules, &UrlRules, &WordRules, &TimeRules, &PortAccessRules, &PortBlockRules})
        for (const auto& entry : *list)
            line(entry.text);
    for (const std::string* single : {&LimitRule, &SpeedRule, &InputAuthRule, &OutputAuthRule})
        if (!single->empty())
            line(*single);
}
