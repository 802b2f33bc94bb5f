#pragma once

#include "document/RuleEdits.h"

#include <QByteArray>
#include <optional>
#include <string>
#include <vector>

class Configuration;
struct ServerSetting;

// The configuration as one JSON document (docs/configuration.schema.json): the file names, every setting of
// glym30.ini in the order of the file's table, every rule in the order the files hold them. Written by hand, not
// through QJsonObject, so that keys keep their documented order and 100,000 rules take no time.

// A rule as a JSON object on one line: "file", "line", "tag", "fields" (named as RuleKind names them), "text".
void appendRuleJson(std::string& out, const ListedRule& rule);

// The rules as a JSON array, one object a rule.
std::string rulesJson(const std::vector<ListedRule>& rules);

// The whole configuration.
std::string configurationJson(const Configuration& configuration);

// What an imported document asks for: settings by their table entry with their text, and the rule lines (in the
// files' bytes), when it has them. Problems: what makes an entry unusable ("rules[3]: ..."), each one line.
struct ImportedConfiguration {
    std::vector<std::pair<const ServerSetting*, QString>> settings;
    std::optional<std::vector<std::string>> rules;
};
// Nothing when the bytes are no JSON document of this shape (problem says why).
std::optional<ImportedConfiguration> readConfigurationJson(const QByteArray& bytes, std::string& problem,
                                                           std::vector<std::string>& refusals);
