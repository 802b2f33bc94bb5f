#include "rules/RuleKinds.h"

#include "rules/Strings.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>

namespace {

constexpr std::int32_t kMaxInt = std::numeric_limits<std::int32_t>::max();
constexpr RuleField kComment{"comment"};
constexpr RuleField kPort(std::string_view name) {
    return {name, true, 1, 65535};
}

// clang-format off
constexpr RuleField kGroupName[] = {kGroupField, {"name"}, kComment};
constexpr RuleField kNetwork[] = {kGroupField, {"address"}, {"mask"}, kComment};
constexpr RuleField kHost[] = {kGroupField, {"host"}, kComment};
constexpr RuleField kUrl[] = {kGroupField, {"url"}, kComment};
constexpr RuleField kWord[] = {kGroupField, {"word"}, kComment};
constexpr RuleField kLimit[] = {kGroupField, {"limit", true, 0, kMaxInt}, kComment};
constexpr RuleField kSpeed[] = {kGroupField, {"speed", true, 0, kMaxInt}, kComment};
constexpr RuleField kPortAccess[] = {kGroupField, kPort("port"), kComment};
constexpr RuleField kPortBlock[] = {kGroupField, kPort("firstPort"), kPort("lastPort"), kComment};
constexpr RuleField kTime[] = {kGroupField, {"day", true, 0, 7}, {"begin", true, 0, 23}, {"end", true, 1, 24},
                               kComment};
constexpr RuleField kAuthorization[] = {kGroupField, {"login"}, {"password"}, kComment};
constexpr RuleField kCacheSkip[] = {{"url"}, kComment};
constexpr RuleField kStandardService[] = {{"server"}, {"unused"}};
constexpr RuleField kManualService[] = {kPort("localPort"), kPort("remotePort"), {"server"}, {"service"},
                                        kPort("streams"), kPort("querySize"), kPort("socketTimeout"),
                                        {"dnsTimeToLive", true, 1, kMaxInt}, kPort("waitTime"), kComment};

using enum RuleFileKind;
using enum RuleCount;
constexpr std::array<RuleKind, 20> kKinds = {{
    {"GN", AccessRules, OnePerGroup, kGroupName, "group name", true},
    {"GD", AccessRules, ManyPerGroup, kNetwork, "network", true},
    {"CD", AccessRules, ManyPerGroup, kHost, "host", true},
    {"PA", AccessRules, ManyPerGroup, kUrl, "URL rule"},
    {"PD", AccessRules, ManyPerGroup, kUrl, "URL rule"},
    {"BW", AccessRules, ManyPerGroup, kWord, "blocked word"},
    {"WT", AccessRules, ManyPerGroup, kTime, "working hours", false, 3, 4, 1},
    {"RP", AccessRules, ManyPerGroup, kPortAccess, "allowed port"},
    {"BP", AccessRules, ManyPerGroup, kPortBlock, "blocked ports", false, 2, 3, 0},
    {"TL", AccessRules, OnePerGroup, kLimit, "traffic limit"},
    {"RL", AccessRules, OnePerGroup, kSpeed, "speed limit"},
    {"IA", AccessRules, OnePerGroup, kAuthorization, "input authorization"},
    {"OA", AccessRules, OnePerGroup, kAuthorization, "output authorization"},
    {"SD", CacheSkip, ManyPerFile, kCacheSkip, "cache-skip rule"},
    {"SA", CacheSkip, ManyPerFile, kCacheSkip, "cache-skip rule"},
    {"BR", CacheSkip, ManyPerFile, kCacheSkip, "cache-skip rule"},
    {"CS", PortMapping, OnePerFile, kStandardService, "SMTP service"},
    {"CP", PortMapping, OnePerFile, kStandardService, "POP3 service"},
    {"CN", PortMapping, OnePerFile, kStandardService, "NNTP service"},
    {"CR", PortMapping, ManyPerFile, kManualService, "manual service"},
}};
// clang-format on

std::optional<std::int64_t> decimal(std::string_view text) {
    if (text.starts_with('+'))
        text.remove_prefix(1);
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

std::string named(const RuleField& field) {
    return "the field \"" + std::string(field.name) + "\" ";
}

} // namespace

const RuleKind* ruleKindOfTag(std::string_view tag) {
    for (const RuleKind& kind : kKinds)
        if (kind.tag == tag)
            return &kind;
    return nullptr;
}

std::span<const RuleKind> ruleKinds() {
    return kKinds;
}

FieldText fieldTextKind(std::string_view text) {
    if (text.find(':') != std::string_view::npos)
        return FieldText::HoldsSeparator;
    if (text.find_first_of("\r\n") != std::string_view::npos)
        return FieldText::HoldsLineBreak;
    return FieldText::Storable;
}

std::string fieldTextProblem(std::string_view text) {
    switch (fieldTextKind(text)) {
    case FieldText::HoldsSeparator:
        return "cannot hold \":\": it separates the fields of a rule line.";
    case FieldText::HoldsLineBreak:
        return "cannot hold a line break.";
    case FieldText::Storable:
        break;
    }
    return {};
}

std::string numberFieldProblem(const RuleField& field, std::string_view text) {
    const bool digits = !text.empty() && text.find_first_not_of("+-0123456789") == std::string_view::npos &&
                        text.find_first_of("0123456789") != std::string_view::npos;
    if (!digits || text.find_first_of("+-", 1) != std::string_view::npos)
        return "must hold a whole number.";
    const std::optional<std::int64_t> value = decimal(text);
    if (value && *value >= field.min && *value <= field.max)
        return {};
    if (text.starts_with('-') || (value && *value < field.min))
        return "must be at least " + std::to_string(field.min) + ".";
    return "must be at most " + std::to_string(field.max) + ".";
}

std::string ruleLineProblem(std::string_view line) {
    if (line.find_first_of("\r\n") != std::string_view::npos)
        return "a rule line cannot hold a line break.";
    const RuleKind* kind = ruleKindOfTag(TrimField(ruleField(line, 0)));
    if (!kind) // no tag of any file: "unknown tag "XX"", "lower-case tag "pd"", "not a rule line"
        return otherTagMessage(TrimField(ruleField(line, 0)), RuleFileKind::AccessRules);
    const std::size_t fieldCount = static_cast<std::size_t>(std::count(line.begin(), line.end(), ':'));
    if (fieldCount > kind->fields.size())
        return "a \"" + std::string(kind->tag) + "\" line has " + std::to_string(kind->fields.size()) +
               " fields after its tag, this one " + std::to_string(fieldCount) +
               ": a field cannot hold \":\", which separates the fields.";
    if (fieldCount < kind->fields.size())
        return "a \"" + std::string(kind->tag) + "\" line has " + std::to_string(kind->fields.size()) +
               " fields after its tag, this one " + std::to_string(fieldCount) + ".";
    for (std::size_t i = 0; i < kind->fields.size(); ++i) {
        const RuleField& field = kind->fields[i];
        if (!field.number)
            continue;
        if (const std::string problem = numberFieldProblem(field, TrimField(ruleField(line, int(i) + 1)));
            !problem.empty())
            return named(field) + problem;
    }
    if (kind->orderedFirst != 0) {
        const auto first = decimal(TrimField(ruleField(line, kind->orderedFirst)));
        const auto last = decimal(TrimField(ruleField(line, kind->orderedLast)));
        if (first && last && *last < *first + kind->orderedDistance)
            return named(kind->fields[std::size_t(kind->orderedLast) - 1]) + "must be at least " +
                   std::to_string(*first + kind->orderedDistance) + ", past the field \"" +
                   std::string(kind->fields[std::size_t(kind->orderedFirst) - 1].name) + "\".";
    }
    return {};
}
