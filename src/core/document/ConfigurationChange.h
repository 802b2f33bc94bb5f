#pragma once

#include "rules/Proxyusers.h"
#include "rules/RuleLines.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// A change of the configuration's rules as a step that can be taken back: apply makes the change, revert undoes
// it, and the two may alternate any number of times (apply first). A step holds only what it touches (a line, a
// place, an order), never a copy of a list. The functions below build a step and leave it unapplied; the caller
// applies it (the window's undo stack does as it takes the step).
//
// A step expects the lists as they were when it was built (or as its apply or revert left them): the steps of
// one list are applied and reverted in order, as an undo stack runs them.
struct ConfigurationChange {
    std::function<void()> apply;
    std::function<void()> revert;
    std::string what;       // the kind of change: "add", "edit", "delete" or "sort"
    RuleLines::Id line = 0; // the line a step adds to a list of ids, under the id it keeps through every apply
};

namespace changes {

// The list members of the group records (NetworkRules, ...): a line added to a group, created when missing (a
// revert leaves the group, empty, as groups are); the line with an id replaced or removed (a remove's revert puts
// it back where it stood). A group or line that does not exist: no step.
ConfigurationChange addGroupLine(GroupTable& groups, RuleLines TProxyUsers::*member, int group, std::string line);
std::optional<ConfigurationChange> replaceGroupLine(GroupTable& groups, RuleLines TProxyUsers::*member, int group,
                                                    RuleLines::Id id, std::string line);
std::optional<ConfigurationChange> removeGroupLine(GroupTable& groups, RuleLines TProxyUsers::*member, int group,
                                                   RuleLines::Id id);

// The single-line members (GroupLine, LimitRule, ...): set on a group, created when missing; emptied (the group and
// its other rules stay).
ConfigurationChange setGroupLine(GroupTable& groups, std::string TProxyUsers::*member, int group, std::string line);
ConfigurationChange clearGroupLine(GroupTable& groups, std::string TProxyUsers::*member, int group);

// The cache-skip lines: a line appended, line i replaced or removed, the lines put in a new order (order[i]: the
// line that becomes line i).
ConfigurationChange appendLine(std::vector<std::string>& lines, std::string line);
ConfigurationChange replaceLine(std::vector<std::string>& lines, std::size_t index, std::string line);
ConfigurationChange removeLine(std::vector<std::string>& lines, std::size_t index);
ConfigurationChange reorderLines(std::vector<std::string>& lines, std::vector<int> order);

// The manual port-mapping services, a list of ids, which keeps its order: a line appended, line i replaced or
// removed.
ConfigurationChange appendLine(RuleLines& lines, std::string line);
ConfigurationChange replaceLine(RuleLines& lines, std::size_t index, std::string line);
ConfigurationChange removeLine(RuleLines& lines, std::size_t index);

// Two steps as one: first applied, then second; reverted the other way round.
ConfigurationChange both(ConfigurationChange first, ConfigurationChange second);

} // namespace changes
