#include "document/RuleEdits.h"

#include "common/FileIo.h"
#include "document/Configuration.h"
#include "rules/PortMapFile.h"
#include "rules/RulesFile.h"
#include "rules/Strings.h"

#include <algorithm>
#include <array>
#include <limits>
#include <unordered_map>
#include <unordered_set>

namespace {

// The setting that names each rule file, by RuleFileKind.
constexpr std::array<std::string_view, 3> kFileControls = {"CheckFile", "CacheSkipFile", "RouterFile"};
constexpr std::array<std::string_view, 3> kFileNouns = {"access rules file", "cache-skip file", "port-mapping file"};
constexpr std::array<std::string_view, 3> kFileKeys = {"Check", "Cache Skip", "Router"};
constexpr std::size_t kNone = ~std::size_t(0);

// The lines of a file's bytes (ended by CR, LF or CR LF), as parts of them.
std::vector<std::string_view> lineViews(std::string_view bytes) {
    std::vector<std::string_view> lines;
    while (!bytes.empty()) {
        const std::size_t end = std::min(bytes.find_first_of("\r\n"), bytes.size());
        lines.push_back(bytes.substr(0, end));
        const std::size_t next = end + (bytes.substr(end, 2) == "\r\n" ? 2 : 1);
        bytes.remove_prefix(std::min(next, bytes.size()));
    }
    return lines;
}

std::string tagOf(std::string_view line) {
    return std::string(TrimField(ruleField(line, 0)));
}

const std::string& settingText(const Configuration& configuration, std::string_view control) {
    return configuration.setting(Configuration::settingOfControl(control)).text;
}

// The member of a group record that holds lines of the tag: a list, or a single line.
struct Member {
    RuleLines TProxyUsers::*list = nullptr;
    std::string TProxyUsers::*single = nullptr;
};
Member memberOf(std::string_view tag) {
    static const std::pair<std::string_view, Member> kMembers[] = {
        {"GN", {nullptr, &TProxyUsers::GroupLine}},
        {"GD", {&TProxyUsers::NetworkRules}},
        {"CD", {&TProxyUsers::HostRules}},
        {"PA", {&TProxyUsers::UrlRules}},
        {"PD", {&TProxyUsers::UrlRules}},
        {"BW", {&TProxyUsers::WordRules}},
        {"WT", {&TProxyUsers::TimeRules}},
        {"RP", {&TProxyUsers::PortAccessRules}},
        {"BP", {&TProxyUsers::PortBlockRules}},
        {"TL", {nullptr, &TProxyUsers::LimitRule}},
        {"RL", {nullptr, &TProxyUsers::SpeedRule}},
        {"IA", {nullptr, &TProxyUsers::InputAuthRule}},
        {"OA", {nullptr, &TProxyUsers::OutputAuthRule}},
    };
    for (const auto& [known, member] : kMembers)
        if (known == tag)
            return member;
    return {};
}

std::optional<RuleLines::Id> findExact(const RuleLines& lines, std::string_view text) {
    for (const auto& entry : lines)
        if (entry.text == text)
            return entry.id;
    return std::nullopt;
}

std::size_t standardSlot(std::string_view tag) {
    return tag == "CS" ? 0 : (tag == "CP" ? 1 : 2);
}

RuleRefusal refusal(std::string message) {
    return {std::move(message), {}, 0};
}

std::string groupNotFound() {
    return "Group not found!!! Greate group first!";
}

std::string manualServiceTakes(std::size_t slot) {
    return "Port " + std::to_string(standardPort(static_cast<int>(slot))) +
           " used by a manual service! Delete service first!";
}

std::string proxyPortOf(const Configuration& configuration) {
    return settingText(configuration, "EditProxyPort");
}

// Rules need a file to be saved into: a kind whose file no setting names is refused (a save would lose it).
std::optional<RuleRefusal> fileProblem(const Configuration& configuration, const RuleKind& kind) {
    const auto file = static_cast<std::size_t>(kind.file);
    if (!settingText(configuration, kFileControls[file]).empty())
        return std::nullopt;
    return refusal("no " + std::string(kFileNouns[file]) + " is named: set [" + std::string(kFileKeys[file]) +
                   "] File Name first.");
}

} // namespace

// ---------------------------------------------------------------------------------------------------------------
// Listing

std::vector<ListedRule> listRules(const Configuration& configuration) {
    const RuleFileNames names = configuration.ruleFileNames();
    const std::vector<RuleFileContent> contents =
        ruleFileContents(names, configuration.groups(), configuration.cacheSkipLines(),
                         configuration.standardServices(), configuration.manualServices());
    auto shownName = [&](const std::string& path) {
        const std::array<const std::string*, 3> paths = {&names.accessRules, &names.cacheSkip, &names.portMapping};
        for (std::size_t i = 0; i < paths.size(); ++i)
            if (*paths[i] == path)
                return settingText(configuration, kFileControls[i]);
        return path;
    };

    std::vector<ListedRule> listed;
    for (const RuleFileContent& content : contents) {
        const std::string shown = shownName(content.name);
        const std::size_t first = listed.size();
        std::size_t position = 0;
        for (std::string& text : splitTextLines(content.bytes)) {
            ++position;
            if (const RuleKind* kind = ruleKindOfTag(tagOf(text)))
                listed.push_back({std::move(text), kind, shown, position});
        }
        const auto asRead = configuration.bytesAsRead(content.name);
        if (asRead && *asRead == content.bytes)
            continue; // the file holds the lines where a save puts them
        // Otherwise each line takes the number of the first line of the file that holds it (as read, or trimmed
        // as a load trims it), and the lines follow the file's order. Equal lines are chained, first to last.
        std::unordered_map<std::string_view, std::size_t> firstOf;
        firstOf.reserve(listed.size() - first);
        std::vector<std::size_t> nextOf(listed.size() - first, kNone);
        for (std::size_t i = listed.size(); i-- > first;) {
            listed[i].line = 0;
            const auto [place, added] = firstOf.try_emplace(listed[i].text, i);
            if (!added) {
                nextOf[i - first] = place->second;
                place->second = i;
            }
        }
        std::string_view bytes = asRead ? std::string_view(*asRead) : std::string_view();
        if (hasUtf8Signature(bytes))
            bytes.remove_prefix(3);
        const std::vector<std::string_view> fileLines = lineViews(bytes);
        auto take = [&](std::string_view text, std::size_t number) {
            const auto found = firstOf.find(text);
            if (found == firstOf.end() || found->second == kNone)
                return false;
            listed[found->second].line = number;
            found->second = nextOf[found->second - first];
            return true;
        };
        for (std::size_t n = 0; n < fileLines.size(); ++n)
            if (!take(fileLines[n], n + 1))
                take(NormalizeRuleLine(fileLines[n]), n + 1);
        std::stable_sort(listed.begin() + static_cast<std::ptrdiff_t>(first), listed.end(),
                         [](const ListedRule& a, const ListedRule& b) {
                             const auto key = [](const ListedRule& r) {
                                 return r.line == 0 ? std::numeric_limits<std::size_t>::max() : r.line;
                             };
                             return key(a) < key(b);
                         });
    }
    return listed;
}

// ---------------------------------------------------------------------------------------------------------------
// Adding and deleting

RuleEdits::RuleEdits(Configuration& configuration) : configuration_(configuration) {}

std::string RuleEdits::heldForm(std::string_view line) {
    const RuleKind* kind = ruleKindOfTag(tagOf(line));
    return kind && kind->file == RuleFileKind::CacheSkip ? std::string(line) : NormalizeRuleLine(line);
}

std::optional<RuleRefusal> RuleEdits::add(std::string_view given) {
    const std::string line = heldForm(given);
    if (const std::string problem = ruleLineProblem(line); !problem.empty())
        return refusal(problem);
    const std::string tag = tagOf(line);
    const RuleKind& kind = *ruleKindOfTag(tag);
    if (auto problem = fileProblem(configuration_, kind))
        return problem;
    switch (kind.file) {
    case RuleFileKind::AccessRules: {
        const int number = *GroupTable::groupNumber(ruleField(line, 1));
        TProxyUsers* group = configuration_.groups().find(number);
        if (!group && !kind.createsGroup)
            return refusal(groupNotFound());
        if (!group)
            group = &configuration_.groups().create(number);
        const Member member = memberOf(tag);
        if (member.single) {
            group->*member.single = line;
        } else if (!findExact(group->*member.list, line)) {
            (group->*member.list).append(line);
        }
        return std::nullopt;
    }
    case RuleFileKind::CacheSkip: {
        auto& lines = configuration_.cacheSkipLines();
        if (std::find(lines.begin(), lines.end(), line) == lines.end())
            lines.push_back(line);
        return std::nullopt;
    }
    case RuleFileKind::PortMapping:
        break;
    }
    RuleLines& manual = configuration_.manualServices();
    StandardServices& standard = configuration_.standardServices();
    if (kind.count == RuleCount::OnePerFile) {
        const std::size_t slot = standardSlot(tag);
        if (listensOn(manual, std::to_string(standardPort(static_cast<int>(slot)))))
            return refusal(manualServiceTakes(slot));
        standard[slot] = line;
        return std::nullopt;
    }
    if (findExact(manual, line))
        return std::nullopt;
    if (auto refused = refusedLocalPort(ruleField(line, 1), standard, proxyPortOf(configuration_), manual))
        return refusal(*refused);
    manual.append(line);
    return std::nullopt;
}

std::optional<RuleRefusal> RuleEdits::remove(std::string_view given) {
    const std::string line = heldForm(given);
    const std::string tag = tagOf(line);
    const RuleKind* kind = ruleKindOfTag(tag);
    const RuleRefusal notThere = refusal("no such rule line.");
    if (!kind || std::count(line.begin(), line.end(), ':') != static_cast<std::ptrdiff_t>(kind->fields.size()))
        return notThere;
    switch (kind->file) {
    case RuleFileKind::AccessRules: {
        const auto number = GroupTable::groupNumber(ruleField(line, 1));
        TProxyUsers* group = number ? configuration_.groups().find(*number) : nullptr;
        if (!group)
            return notThere;
        const Member member = memberOf(tag);
        if (member.single) {
            if (group->*member.single != line)
                return notThere;
            (group->*member.single).clear();
        } else {
            const auto id = findExact(group->*member.list, line);
            if (!id)
                return notThere;
            (group->*member.list).remove(*id);
        }
        if (kind->createsGroup && *number != 0)
            groupsLosingNames_.insert(*number);
        return std::nullopt;
    }
    case RuleFileKind::CacheSkip: {
        auto& lines = configuration_.cacheSkipLines();
        const auto found = std::find(lines.begin(), lines.end(), line);
        if (found == lines.end())
            return notThere;
        lines.erase(found);
        return std::nullopt;
    }
    case RuleFileKind::PortMapping:
        break;
    }
    if (kind->count == RuleCount::OnePerFile) {
        std::string& slot = configuration_.standardServices()[standardSlot(tag)];
        if (slot != line)
            return notThere;
        slot.clear();
        return std::nullopt;
    }
    const auto id = findExact(configuration_.manualServices(), line);
    if (!id)
        return notThere;
    configuration_.manualServices().remove(*id);
    return std::nullopt;
}

std::vector<RuleRefusal> RuleEdits::finish() const {
    std::vector<RuleRefusal> refused;
    for (const int number : groupsLosingNames_) {
        const TProxyUsers* group = configuration_.groups().find(number);
        if (group && group->namingLineCount() == 0 && group->dependentRuleCount() > 0)
            refused.push_back(refusal("group " + std::to_string(number) + " would keep " +
                                      std::to_string(group->dependentRuleCount()) +
                                      " rules but no \"GN\", \"GD\" or \"CD\" line, and the next load would drop "
                                      "them: delete them too, or keep a line that names the group."));
    }
    return refused;
}

// ---------------------------------------------------------------------------------------------------------------
// Replacing the whole

namespace {

// The rules of a configuration, taken out of it (and put back when a replacement is refused).
struct HeldRules {
    GroupTable groups;
    std::vector<std::string> cacheSkip;
    StandardServices standard;
    RuleLines manual;

    static HeldRules takeFrom(Configuration& configuration) {
        HeldRules held{std::move(configuration.groups()), std::move(configuration.cacheSkipLines()),
                       configuration.standardServices(), std::move(configuration.manualServices())};
        configuration.groups() = GroupTable();
        configuration.cacheSkipLines() = {};
        configuration.standardServices() = {};
        configuration.manualServices() = RuleLines();
        return held;
    }
    void putBack(Configuration& configuration) {
        configuration.groups() = std::move(groups);
        configuration.cacheSkipLines() = std::move(cacheSkip);
        configuration.standardServices() = standard;
        configuration.manualServices() = std::move(manual);
    }
};

std::string secondLine(const RuleKind& kind, const std::string& where) {
    return "a second " + std::string(kind.noun) + " line" + where + ": there is one, which this would replace.";
}

} // namespace

std::vector<std::pair<std::size_t, RuleRefusal>> replaceRules(Configuration& configuration,
                                                              const std::vector<std::string>& lines) {
    std::unordered_multiset<std::string> before;
    for (ListedRule& rule : listRules(configuration))
        before.insert(std::move(rule.text));
    HeldRules held = HeldRules::takeFrom(configuration);

    std::vector<std::pair<std::size_t, RuleRefusal>> refused;
    std::vector<std::string> heldLines;
    std::vector<bool> isNew;
    for (const std::string& given : lines) {
        heldLines.push_back(RuleEdits::heldForm(given));
        const auto found = before.find(heldLines.back());
        isNew.push_back(found == before.end());
        if (found != before.end())
            before.erase(found);
    }
    // Groups come into being first, as a load brings them (group 0 always comes).
    GroupTable& groups = configuration.groups();
    groups.create(0);
    for (const std::string& line : heldLines)
        if (const RuleKind* kind = ruleKindOfTag(tagOf(line)); kind && kind->createsGroup)
            if (const auto number = GroupTable::groupNumber(ruleField(line, 1)))
                groups.create(*number);

    std::vector<std::size_t> newManual;
    for (std::size_t i = 0; i < heldLines.size(); ++i) {
        const std::string& line = heldLines[i];
        auto refuse = [&](std::string message) {
            refused.emplace_back(i, refusal(std::move(message)));
        };
        if (const std::string problem = ruleLineProblem(line); !problem.empty() && isNew[i]) {
            refuse(problem);
            continue;
        }
        const std::string tag = tagOf(line);
        const RuleKind* kind = ruleKindOfTag(tag);
        if (!kind) {
            refuse(ruleLineProblem(line));
            continue;
        }
        if (auto problem = fileProblem(configuration, *kind)) {
            refuse(problem->message);
            continue;
        }
        if (kind->file == RuleFileKind::AccessRules) {
            const auto number = GroupTable::groupNumber(ruleField(line, 1));
            TProxyUsers* group = number ? groups.find(*number) : nullptr;
            if (!group) {
                refuse(number ? groupNotFound() : "the group must be a whole number from 0 to 64.");
                continue;
            }
            const Member member = memberOf(tag);
            if (member.single && !(group->*member.single).empty())
                refuse(secondLine(*kind, " in group " + std::to_string(*number)));
            else if (member.single)
                group->*member.single = line;
            else
                (group->*member.list).append(line);
        } else if (kind->file == RuleFileKind::CacheSkip) {
            configuration.cacheSkipLines().push_back(line);
        } else if (kind->count == RuleCount::OnePerFile) {
            std::string& slot = configuration.standardServices()[standardSlot(tag)];
            if (!slot.empty())
                refuse(secondLine(*kind, ""));
            else
                slot = line;
        } else {
            configuration.manualServices().append(line);
            if (isNew[i])
                newManual.push_back(i);
        }
    }
    // The ports of the port mapping, once every service is in place: a new manual service on a port taken by a
    // standard service, the proxy or another manual service, and a new standard service on a manual one's port.
    const RuleLines& manual = configuration.manualServices();
    const StandardServices& standard = configuration.standardServices();
    for (const std::size_t i : newManual) {
        const std::string_view port = ruleField(heldLines[i], 1);
        RuleLines others; // every manual service but this one
        bool skipped = false;
        for (const auto& entry : manual) {
            if (!skipped && entry.text == heldLines[i])
                skipped = true;
            else
                others.append(entry.text);
        }
        if (auto problem = refusedLocalPort(port, standard, proxyPortOf(configuration), others))
            refused.emplace_back(i, refusal(*problem));
    }
    for (std::size_t i = 0; i < heldLines.size(); ++i) {
        const RuleKind* kind = ruleKindOfTag(tagOf(heldLines[i]));
        if (isNew[i] && kind && kind->file == RuleFileKind::PortMapping && kind->count == RuleCount::OnePerFile) {
            const std::size_t slot = standardSlot(kind->tag);
            if (listensOn(manual, std::to_string(standardPort(static_cast<int>(slot)))))
                refused.emplace_back(i, refusal(manualServiceTakes(slot)));
        }
    }
    if (!refused.empty()) {
        std::stable_sort(refused.begin(), refused.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        held.putBack(configuration);
    }
    return refused;
}
