#include "portmap/PortMapFile.h"

#include "rules/Strings.h"

std::optional<int> StandardSlotOfPort(std::string_view port) {
    if (port == "25")
        return 0;
    if (port == "110")
        return 1;
    if (port == "119")
        return 2;
    return std::nullopt;
}

TakenStandardSlots LoadPortMapping(const std::string& path, StandardServices& standard, RuleLines& manual) {
    TStructString tokenizer("", ":");
    for (const std::string& line : ReadRuleFileLines(path)) {
        std::string normalized = NormalizeRuleLine(line);
        tokenizer.Parse(normalized);
        const std::string tag = tokenizer.Field(0);
        if (tag == "CS")
            standard[0] = std::move(normalized);
        else if (tag == "CP")
            standard[1] = std::move(normalized);
        else if (tag == "CN")
            standard[2] = std::move(normalized);
        else if (tag == "CR")
            manual.append(std::move(normalized));
    }

    TakenStandardSlots taken{};
    for (const auto& entry : manual) {
        tokenizer.Parse(entry.text);
        if (const auto slot = StandardSlotOfPort(tokenizer.Field(1))) {
            standard[static_cast<std::size_t>(*slot)].clear();
            taken[static_cast<std::size_t>(*slot)] = true;
        }
    }
    return taken;
}
