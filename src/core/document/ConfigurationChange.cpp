#include "document/ConfigurationChange.h"

#include <memory>
#include <utility>

namespace changes {

namespace {

using Index = std::ptrdiff_t;

// An id for a line not yet in any list: ids are unique across all lists, so the line keeps it wherever it goes.
RuleLines::Id newLineId() {
    RuleLines scratch;
    return scratch.append({});
}

} // namespace

ConfigurationChange addGroupLine(GroupTable& groups, RuleLines TProxyUsers::*member, int group, std::string line) {
    const RuleLines::Id id = newLineId();
    return {[&groups, member, group, id, line] {
                (groups.create(group).*member).restore({id, line});
            },
            [&groups, member, group, id] { (groups.create(group).*member).remove(id); }, "add", id};
}

std::optional<ConfigurationChange> replaceGroupLine(GroupTable& groups, RuleLines TProxyUsers::*member, int group,
                                                    RuleLines::Id id, std::string line) {
    const TProxyUsers* record = groups.find(group);
    const std::string* old = record ? (record->*member).find(id) : nullptr;
    if (!old)
        return std::nullopt;
    auto set = [&groups, member, group, id](const std::string& text) {
        (groups.create(group).*member).replace(id, text);
    };
    return ConfigurationChange{[set, line] { set(line); }, [set, before = *old] { set(before); }, "edit"};
}

std::optional<ConfigurationChange> removeGroupLine(GroupTable& groups, RuleLines TProxyUsers::*member, int group,
                                                   RuleLines::Id id) {
    const TProxyUsers* record = groups.find(group);
    const std::string* old = record ? (record->*member).find(id) : nullptr;
    if (!old)
        return std::nullopt;
    return ConfigurationChange{[&groups, member, group, id] { (groups.create(group).*member).remove(id); },
                               [&groups, member, group, id, text = *old] {
                                   (groups.create(group).*member).restore({id, text});
                               },
                               "delete"};
}

ConfigurationChange setGroupLine(GroupTable& groups, std::string TProxyUsers::*member, int group, std::string line) {
    const TProxyUsers* record = groups.find(group);
    std::string old = record ? record->*member : std::string();
    const char* what = old.empty() ? "add" : "edit";
    auto set = [&groups, member, group](const std::string& text) {
        groups.create(group).*member = text;
    };
    return {[set, line] { set(line); }, [set, old = std::move(old)] { set(old); }, what};
}

ConfigurationChange clearGroupLine(GroupTable& groups, std::string TProxyUsers::*member, int group) {
    const TProxyUsers* record = groups.find(group);
    std::string old = record ? record->*member : std::string();
    return {[&groups, member, group] {
                if (TProxyUsers* held = groups.find(group))
                    (held->*member).clear();
            },
            [&groups, member, group, old = std::move(old)] { groups.create(group).*member = old; }, "delete"};
}

ConfigurationChange appendLine(std::vector<std::string>& lines, std::string line) {
    return {[&lines, line] { lines.push_back(line); }, [&lines] { lines.pop_back(); }, "add"};
}

ConfigurationChange replaceLine(std::vector<std::string>& lines, std::size_t index, std::string line) {
    return {[&lines, index, line] { lines[index] = line; }, [&lines, index, old = lines[index]] { lines[index] = old; },
            "edit"};
}

ConfigurationChange removeLine(std::vector<std::string>& lines, std::size_t index) {
    // The line goes into the step when it is taken: the step holds the one copy while the line is gone.
    auto held = std::make_shared<std::string>();
    return {[&lines, index, held] {
                *held = std::move(lines[index]);
                lines.erase(lines.begin() + static_cast<Index>(index));
            },
            [&lines, index, held] { lines.insert(lines.begin() + static_cast<Index>(index), std::move(*held)); },
            "delete"};
}

ConfigurationChange reorderLines(std::vector<std::string>& lines, std::vector<int> order) {
    std::vector<int> back(order.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        back[static_cast<std::size_t>(order[i])] = static_cast<int>(i);
    auto permute = [&lines](const std::vector<int>& permutation) {
        std::vector<std::string> moved;
        moved.reserve(lines.size());
        for (const int from : permutation)
            moved.push_back(std::move(lines[static_cast<std::size_t>(from)]));
        lines = std::move(moved);
    };
    return {[permute, order = std::move(order)] { permute(order); },
            [permute, back = std::move(back)] { permute(back); }, "sort"};
}

ConfigurationChange appendLine(RuleLines& lines, std::string line) {
    const RuleLines::Id id = newLineId();
    return {[&lines, id, line] { lines.restore({id, line}); }, [&lines, id] { lines.remove(id); }, "add", id};
}

ConfigurationChange replaceLine(RuleLines& lines, std::size_t index, std::string line) {
    const RuleLines::Id id = lines[index].id;
    return {[&lines, id, line] { lines.replace(id, line); },
            [&lines, id, old = lines[index].text] { lines.replace(id, old); }, "edit"};
}

ConfigurationChange removeLine(RuleLines& lines, std::size_t index) {
    const RuleLines::Id id = lines[index].id;
    return {[&lines, id] { lines.remove(id); }, [&lines, entry = lines[index]] { lines.restore(entry); }, "delete"};
}

ConfigurationChange both(ConfigurationChange first, ConfigurationChange second) {
    auto apply = [a = std::move(first.apply), b = second.apply] {
        a();
        b();
    };
    auto revert = [a = std::move(first.revert), b = std::move(second.revert)] {
        b();
        a();
    };
    return {std::move(apply), std::move(revert), std::move(first.what), second.line ? second.line : first.line};
}

} // namespace changes
