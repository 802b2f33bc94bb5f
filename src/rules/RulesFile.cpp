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

void writeRuleFile(const std::string& name, const std::vector<std::string>& lines) {
    if (name.empty())
        return;
    writeFileAtomically(name, joinCrLfLines(lines), {.keepBackup = true, .refuseWriteProtected = false});
}

void SaveRuleFiles(const RuleFileNames& names, const GroupTable& groups, const std::vector<std::string>& cacheSkipLines,
                   const StandardServices& standardServices, const RuleLines& manualServices) {
    std::vector<std::string> lines;
    bool cacheSkipWritten = false;
    bool portMappingWritten = false;
    // Decided before anything is written: a file the save creates must not change the answers.
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
    writeRuleFile(names.accessRules, lines);
    lines.clear();

    if (!cacheSkipWritten) {
        lines = cacheSkipLines;
        if (portMappingInCacheSkip) {
            appendPortMapping(lines, standardServices, manualServices);
            portMappingWritten = true;
        }
        writeRuleFile(names.cacheSkip, lines);
        lines.clear();
    }
    if (!portMappingWritten) {
        appendPortMapping(lines, standardServices, manualServices);
        writeRuleFile(names.portMapping, lines);
    }
}
