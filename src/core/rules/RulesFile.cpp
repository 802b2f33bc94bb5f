#include "rules/RulesFile.h"

#include "common/FileIo.h"
#include "rules/RuleTags.h"
#include "rules/Strings.h"

#include <algorithm>
#include <array>

namespace {

// Appends every line of a line list of the port-mapping rules: the three standard slots (an unset one as an
// empty line), then the manual services.
void appendPortMapping(std::vector<std::string>& lines, const StandardServices& standard, const RuleLines& manual) {
    lines.insert(lines.end(), standard.begin(), standard.end());
    for (const auto& entry : manual)
        lines.push_back(entry.text);
}

void storeRule(TProxyUsers& group, const std::string& tag, std::string line) {
    if (tag == "GN")
        group.SetGroupLine(std::move(line));
    else if (tag == "GD")
        group.NetworkRules.append(std::move(line));
    else if (tag == "CD")
        group.HostRules.append(std::move(line));
    else if (tag == "PA" || tag == "PD")
        group.UrlRules.append(std::move(line));
    else if (tag == "TL")
        group.LimitRule = std::move(line);
    else if (tag == "RL")
        group.SpeedRule = std::move(line);
    else if (tag == "BW")
        group.WordRules.append(std::move(line));
    else if (tag == "BP")
        group.PortBlockRules.append(std::move(line));
    else if (tag == "RP")
        group.PortAccessRules.append(std::move(line));
    else if (tag == "WT")
        group.TimeRules.append(std::move(line));
    else if (tag == "IA")
        group.InputAuthRule = std::move(line);
    else if (tag == "OA")
        group.OutputAuthRule = std::move(line);
}

bool namesGroup(const std::string& tag) {
    return tag == "GN" || tag == "GD" || tag == "CD";
}

// The tags of which a group keeps one line: a later line replaces the earlier one.
constexpr std::array<std::string_view, 5> kSingleLineTags = {"GN", "TL", "RL", "IA", "OA"};

// Which line of the file each group's single-line rules came from, to name the ones a later line replaces.
class ReplacedLines {
public:
    explicit ReplacedLines(DropReport& report) : report_(report) {}

    void store(int group, const std::string& tag, std::size_t index, const std::vector<std::string>& lines) {
        const auto kind = std::find(kSingleLineTags.begin(), kSingleLineTags.end(), tag);
        if (!report_.active() || kind == kSingleLineTags.end())
            return;
        std::size_t& earlier =
            from_[static_cast<std::size_t>(group)][static_cast<std::size_t>(kind - kSingleLineTags.begin())];
        if (earlier != 0)
            report_.drop(earlier, lines[earlier - 1],
                         "replaced by line " + std::to_string(index + 1) + " (one \"" + tag + "\" line per group)");
        earlier = index + 1;
    }

private:
    DropReport& report_;
    std::array<std::array<std::size_t, kSingleLineTags.size()>, GroupTable::kSlotCount> from_{}; // line numbers
};

} // namespace

std::vector<RuleFileClash> ruleFileClashes(const RuleFileNames& names, const OtherFiles& others) {
    struct Named {
        std::string name;
        std::string what;
    };
    const std::array<Named, 3> rules = {{
        {names.accessRules, "access rules file"},
        {names.cacheSkip, "cache-skip rules file"},
        {names.portMapping, "port-mapping rules file"},
    }};
    const std::vector<Named> files = {
        {others.settings, "the server settings file"},
        {others.preferences, "the configurator's preferences file"},
        {others.connectionLog, "the proxy's connection log"},
    };
    std::vector<Named> backups = {{others.settings + ".bak", "the backup of the server settings file"}};
    for (const Named& rule : rules)
        backups.push_back({rule.name + ".bak", "the backup of the " + rule.what + " \"" + rule.name + "\""});

    std::vector<RuleFileClash> clashes;
    for (std::size_t which = 0; which < rules.size(); ++which) {
        const Named& rule = rules[which];
        if (rule.name.empty())
            continue;
        const std::string named = "The " + rule.what + " \"" + rule.name + "\"";
        for (const Named& file : files) {
            if (file.name.empty())
                continue;
            if (sameFile(rule.name, file.name))
                clashes.push_back({which, named + " is " + file.what + ": saving rules there would destroy it."});
            else if (sameFile(rule.name + ".bak", file.name))
                clashes.push_back({which, named + " keeps its backup in " + file.what + ": saving would destroy it."});
        }
        for (const Named& backup : backups)
            if (backup.name != ".bak" && backup.name != rule.name + ".bak" && sameFile(rule.name, backup.name))
                clashes.push_back({which, named + " is " + backup.what + ": the next save would replace it."});
    }
    return clashes;
}

bool hasUtf8Signature(std::string_view bytes) {
    return bytes.starts_with("\xEF\xBB\xBF");
}

std::optional<std::vector<std::string>> readRuleFileIfPresent(const std::string& path) {
    const std::optional<std::string> content = readWholeFileIfPresent(path);
    if (!content)
        return std::nullopt;
    std::string_view bytes = *content;
    if (hasUtf8Signature(bytes))
        bytes.remove_prefix(3);
    return splitTextLines(bytes);
}

std::vector<std::string> readRuleFileLines(const std::string& path) {
    return readRuleFileIfPresent(path).value_or(std::vector<std::string>());
}

void LoadAccessRules(const std::string& path, GroupTable& groups, LoadFindings* findings) {
    const std::optional<std::vector<std::string>> read = readRuleFileIfPresent(path);
    if (!read)
        return;
    const std::vector<std::string>& lines = *read;
    DropReport report(findings, path);
    TStructString tokenizer("", ":");

    for (const std::string& line : lines) {
        tokenizer.Parse(line);
        if (!namesGroup(tokenizer.Field(0)))
            continue;
        if (const auto group = GroupTable::groupNumber(tokenizer.Field(1)))
            groups.create(*group);
    }
    if (!groups.exists(0))
        groups.create(0).SetGroupLine("GN:0:AllUsers:");

    ReplacedLines replaced(report);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        std::string normalized = NormalizeRuleLine(line);
        tokenizer.Parse(normalized);
        const std::string tag = tokenizer.Field(0);
        if (ruleFileKindOfTag(tag) != RuleFileKind::AccessRules) {
            if (!isBlankRuleLine(line))
                report.drop(i + 1, line, otherTagMessage(tag, RuleFileKind::AccessRules), LoadFindings::Kind::Other);
            continue;
        }
        const auto group = GroupTable::groupNumber(tokenizer.Field(1));
        if (!group) {
            report.drop(i + 1, line, "group " + quotedField(tokenizer.Field(1)) + " is not a number from 0 to 64");
            continue;
        }
        TProxyUsers* record = groups.find(*group);
        if (!record) {
            report.drop(i + 1, line,
                        "group " + std::to_string(*group) +
                            " does not exist (no \"GN\", \"GD\" or \"CD\" line names it)");
            continue;
        }
        replaced.store(*group, tag, i, lines);
        storeRule(*record, tag, std::move(normalized));
    }
}

std::string writeRuleFile(const std::string& name, const std::vector<std::string>& lines) {
    if (name.empty())
        return std::string();
    return writeFileAtomically(name, joinCrLfLines(lines), {.keepBackup = true, .refuseWriteProtected = false});
}

std::vector<RuleFileContent> ruleFileContents(const RuleFileNames& names, const GroupTable& groups,
                                              const std::vector<std::string>& cacheSkipLines,
                                              const StandardServices& standardServices,
                                              const RuleLines& manualServices) {
    std::vector<RuleFileContent> files;
    auto add = [&files](const std::string& name, const std::vector<std::string>& lines) {
        if (!name.empty())
            files.push_back({name, joinCrLfLines(lines)});
    };
    std::vector<std::string> lines;
    bool cacheSkipWritten = false;
    bool portMappingWritten = false;
    const bool cacheSkipInAccess = sameFile(names.cacheSkip, names.accessRules);
    const bool portMappingInAccess = sameFile(names.portMapping, names.accessRules);
    const bool portMappingInCacheSkip = sameFile(names.portMapping, names.cacheSkip);

    for (int group = 0; group < GroupTable::kSlotCount; ++group)
        if (const TProxyUsers* record = groups.find(group))
            record->WriteTo(lines);
    if (cacheSkipInAccess) {
        lines.insert(lines.end(), cacheSkipLines.begin(), cacheSkipLines.end());
        cacheSkipWritten = true;
    }
    if (portMappingInAccess) {
        appendPortMapping(lines, standardServices, manualServices);
        portMappingWritten = true;
    }
    add(names.accessRules, lines);
    lines.clear();

    if (!cacheSkipWritten) {
        lines = cacheSkipLines;
        if (portMappingInCacheSkip) {
            appendPortMapping(lines, standardServices, manualServices);
            portMappingWritten = true;
        }
        add(names.cacheSkip, lines);
        lines.clear();
    }
    if (!portMappingWritten) {
        appendPortMapping(lines, standardServices, manualServices);
        add(names.portMapping, lines);
    }
    return files;
}

std::vector<std::string> writeRuleFiles(const std::vector<RuleFileContent>& files, const std::string& settingsFile) {
    std::vector<std::string> notes;
    for (const RuleFileContent& file : files)
        if (std::string note =
                writeFileAtomically(file.name, file.bytes,
                                    {.keepBackup = true, .refuseWriteProtected = false, .newFileLike = settingsFile});
            !note.empty())
            notes.push_back(std::move(note));
    return notes;
}

std::vector<std::string> SaveRuleFiles(const RuleFileNames& names, const GroupTable& groups,
                                       const std::vector<std::string>& cacheSkipLines,
                                       const StandardServices& standardServices, const RuleLines& manualServices) {
    // Decided before anything is written: a file the save creates must not change which names are one file.
    return writeRuleFiles(ruleFileContents(names, groups, cacheSkipLines, standardServices, manualServices));
}
