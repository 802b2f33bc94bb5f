#include "rules/RuleTags.h"

#include "rules/Strings.h"

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<std::string_view, RuleFileKind>, 20> kTags = {{
    {"GN", RuleFileKind::AccessRules}, {"GD", RuleFileKind::AccessRules}, {"CD", RuleFileKind::AccessRules},
    {"PA", RuleFileKind::AccessRules}, {"PD", RuleFileKind::AccessRules}, {"BW", RuleFileKind::AccessRules},
    {"TL", RuleFileKind::AccessRules}, {"RL", RuleFileKind::AccessRules}, {"RP", RuleFileKind::AccessRules},
    {"BP", RuleFileKind::AccessRules}, {"WT", RuleFileKind::AccessRules}, {"IA", RuleFileKind::AccessRules},
    {"OA", RuleFileKind::AccessRules}, {"SA", RuleFileKind::CacheSkip},   {"SD", RuleFileKind::CacheSkip},
    {"BR", RuleFileKind::CacheSkip},   {"CS", RuleFileKind::PortMapping}, {"CP", RuleFileKind::PortMapping},
    {"CN", RuleFileKind::PortMapping}, {"CR", RuleFileKind::PortMapping},
}};

bool isAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string_view kindName(RuleFileKind kind) {
    switch (kind) {
    case RuleFileKind::AccessRules:
        return "access";
    case RuleFileKind::CacheSkip:
        return "cache-skip";
    case RuleFileKind::PortMapping:
        return "port-mapping";
    }
    return "";
}

std::string_view fileName(RuleFileKind kind) {
    return kind == RuleFileKind::AccessRules
               ? "access rules file"
               : (kind == RuleFileKind::CacheSkip ? "cache-skip file" : "port-mapping file");
}

} // namespace

std::optional<RuleFileKind> ruleFileKindOfTag(std::string_view tag) {
    for (const auto& [known, kind] : kTags)
        if (known == tag)
            return kind;
    return std::nullopt;
}

std::string otherTagMessage(std::string_view tag, RuleFileKind reader) {
    if (const auto kind = ruleFileKindOfTag(tag)) {
        if (*kind == reader)
            return std::string(); // not another's
        return std::string(kindName(*kind)) + " rule, but this is not the " + std::string(fileName(*kind));
    }
    if (tag.size() != 2 || !isAsciiLetter(tag[0]) || !isAsciiLetter(tag[1]))
        return "not a rule line";
    const std::string upperTag{upper(tag[0]), upper(tag[1])};
    if (ruleFileKindOfTag(upperTag))
        return "lower-case tag " + quotedField(tag);
    return "unknown tag " + quotedField(tag);
}

bool isBlankRuleLine(std::string_view line) {
    return TrimField(line).empty();
}

std::string quotedField(std::string_view field) {
    constexpr std::size_t kLimit = 40;
    if (field.size() <= kLimit)
        return "\"" + std::string(field) + "\"";
    return "\"" + std::string(field.substr(0, kLimit)) + "...\"";
}
