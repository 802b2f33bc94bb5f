#include "rules/PortMapFile.h"

#include "common/Cp1251.h"
#include "common/Numbers.h"
#include "rules/RuleTags.h"
#include "rules/Strings.h"

namespace {

constexpr std::array<std::string_view, 3> kStandardTags = {"CS", "CP", "CN"};
constexpr std::array<int, 3> kStandardPorts = {25, 110, 119};

std::optional<std::size_t> standardSlotOfTag(std::string_view tag) {
    for (std::size_t slot = 0; slot < kStandardTags.size(); ++slot)
        if (kStandardTags[slot] == tag)
            return slot;
    return std::nullopt;
}

} // namespace

std::optional<std::int32_t> portNumber(std::string_view port) {
    return parseInt32(TrimField(port));
}

bool samePort(std::string_view a, std::string_view b) {
    const auto first = portNumber(a);
    const auto second = portNumber(b);
    if (first && second)
        return *first == *second;
    return !first && !second && cp1251::equalsIgnoreCase(TrimField(a), TrimField(b));
}

std::optional<int> standardSlotOfPort(std::string_view port) {
    const auto number = portNumber(port);
    for (int slot = 0; number && slot < static_cast<int>(kStandardPorts.size()); ++slot)
        if (*number == kStandardPorts[static_cast<std::size_t>(slot)])
            return slot;
    return std::nullopt;
}

int standardPort(int slot) {
    return kStandardPorts.at(static_cast<std::size_t>(slot));
}

std::optional<std::string> refusedLocalPort(std::string_view port, const StandardServices& standard,
                                            std::string_view proxyPort, const RuleLines& manual) {
    const std::string shown(port);
    if (const auto slot = standardSlotOfPort(port); slot && !standard[static_cast<std::size_t>(*slot)].empty())
        return "Port " + std::to_string(standardPort(*slot)) + " used standart service! Delete service first!";
    if (samePort(port, proxyPort))
        return "Port " + shown + " used GLYM!";
    if (listensOn(manual, port))
        return "Port " + shown + " used! Delete service first!";
    return std::nullopt;
}

bool listensOn(const RuleLines& manual, std::string_view port) {
    for (const auto& entry : manual)
        if (samePort(ruleField(entry.text, 1), port))
            return true;
    return false;
}

TakenStandardSlots loadPortMapping(const std::string& path, StandardServices& standard, RuleLines& manual,
                                   LoadFindings* findings) {
    const std::vector<std::string> lines = readRuleFileLines(path);
    DropReport report(findings, path);
    TStructString tokenizer("", ":");
    std::array<std::size_t, 3> standardFrom{}; // the line number each standard slot was read from
    std::vector<std::pair<RuleLines::Id, std::size_t>> manualFrom;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string normalized = NormalizeRuleLine(lines[i]);
        tokenizer.Parse(normalized);
        const std::string tag = tokenizer.Field(0);
        if (const auto slot = standardSlotOfTag(tag)) {
            if (standardFrom[*slot] != 0)
                report.drop(standardFrom[*slot], lines[standardFrom[*slot] - 1],
                            "replaced by line " + std::to_string(i + 1) + " (one \"" + tag + "\" line per file)");
            standard[*slot] = std::move(normalized);
            standardFrom[*slot] = i + 1;
        } else if (tag == "CR") {
            manualFrom.emplace_back(manual.append(std::move(normalized)), i + 1);
        } else if (!isBlankRuleLine(lines[i])) {
            report.drop(i + 1, lines[i], otherTagMessage(tag, RuleFileKind::PortMapping), LoadFindings::Kind::Other);
        }
    }

    TakenStandardSlots taken{};
    for (const auto& entry : manual) {
        tokenizer.Parse(entry.text);
        const auto slot = standardSlotOfPort(tokenizer.Field(1));
        if (!slot)
            continue;
        const auto index = static_cast<std::size_t>(*slot);
        if (standardFrom[index] != 0 && !standard[index].empty()) {
            std::size_t from = 0;
            for (const auto& [id, line] : manualFrom)
                if (id == entry.id)
                    from = line;
            report.drop(standardFrom[index], lines[standardFrom[index] - 1],
                        "port " + tokenizer.Field(1) + " is taken by the manual service of line " +
                            std::to_string(from));
        }
        standard[index].clear();
        taken[index] = true;
    }
    return taken;
}
