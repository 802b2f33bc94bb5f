#include "rules/CacheSkipFile.h"

#include "rules/RuleTags.h"
#include "rules/RulesFile.h"
#include "rules/Strings.h"

bool isCacheSkipTag(std::string_view tag) {
    return ruleFileKindOfTag(tag) == RuleFileKind::CacheSkip;
}

std::vector<std::string> loadCacheSkipLines(const std::string& path, LoadFindings* findings) {
    std::vector<std::string> lines = readRuleFileLines(path);
    DropReport report(findings, path);
    std::vector<std::string> rules;
    TStructString tokenizer("", ":");
    for (std::size_t i = 0; i < lines.size(); ++i) {
        tokenizer.Parse(lines[i]);
        const std::string tag = tokenizer.Field(0);
        if (isCacheSkipTag(tag))
            rules.push_back(std::move(lines[i]));
        else if (!isBlankRuleLine(lines[i]))
            report.drop(i + 1, lines[i], otherTagMessage(tag, RuleFileKind::CacheSkip), LoadFindings::Kind::Other);
    }
    return rules;
}
