#include "cacheskip/CacheSkipFile.h"

#include "rules/RulesFile.h"
#include "rules/Strings.h"

bool IsCacheSkipTag(std::string_view tag) { return tag == "SA" || tag == "SD" || tag == "BR"; }

std::vector<std::string> LoadCacheSkipLines(const std::string& path) {
    std::vector<std::string> rules;
    TStructString tokenizer("", ":");
    for (std::string& line : ReadRuleFileLines(path)) {
        tokenizer.Parse(line);
        if (IsCacheSkipTag(tokenizer.Field(0)))
            rules.push_back(std::move(line));
    }
    return rules;
}
