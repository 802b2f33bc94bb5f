#include "rules/RulesFile.h"

#include "common/FileIo.h"
#include "rules/Strings.h"

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

bool namesGroup(const std::string& tag) { return tag == "GN" || tag == "GD" || tag == "CD"; }

} // namespace

std::vector<std::string> ReadRuleFileLines(const std::string& path) {
    if (!fileExists(path))
        return {};
    return splitTextLines(readWholeFile(path));
}

void LoadAccessRules(const std::string& path, GroupTable& groups) {
    if (!fileExists(path))
        return;
    const std::vector<std::string> lines = ReadRuleFileLines(path);
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

    for (const std::string& line : lines) {
        std::string normalized = NormalizeRuleLine(line);
        tokenizer.Parse(normalized);
        const auto group = GroupTable::groupNumber(tokenizer.Field(1));
        if (!group)
            continue;
        if (TProxyUsers* record = groups.find(*group))
            storeRule(*record, tokenizer.Field(0), std::move(normalized));
    }
}

void WriteRuleFile(const std::string& name, const std::vector<std::string>& lines) {
    if (name.empty())
        return;
    writeFileAtomically(name, joinCrLfLines(lines), {.keepBackup = true, .refuseWriteProtected = false});
}

void SaveRuleFiles(const RuleFileNames& names, const GroupTable& groups, const std::vector<std::string>& cacheSkipLines,
                   const StandardServices& standardServices, const RuleLines& manualServices) {
    std::vector<std::string> lines;
    bool cacheSkipWritten = false;
    bool portMappingWritten = false;

    for (int group = 0; group < GroupTable::kSlotCount; ++group)
        if (const TProxyUsers* record = groups.find(group))
            record->WriteTo(lines);
    if (names.cacheSkip == names.accessRules) {
        lines.insert(lines.end(), cacheSkipLines.begin(), cacheSkipLines.end());
        cacheSkipWritten = true;
    }
    if (names.portMapping == names.accessRules) {
        appendPortMapping(lines, standardServices, manualServices);
        portMappingWritten = true;
    }
    WriteRuleFile(names.accessRules, lines);
    lines.clear();

    if (!cacheSkipWritten) {
        lines = cacheSkipLines;
        if (names.portMapping == names.cacheSkip) {
            appendPortMapping(lines, standardServices, manualServices);
            portMappingWritten = true;
        }
        WriteRuleFile(names.cacheSkip, lines);
        lines.clear();
    }
    if (!portMappingWritten) {
        appendPortMapping(lines, standardServices, manualServices);
        WriteRuleFile(names.portMapping, lines);
    }
}
