#include "cli/ConfigurationJson.h"

#include "base/Text.h"
#include "cli/SettingText.h"
#include "common/Cp1251.h"
#include "document/Configuration.h"
#include "rules/Strings.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// Appends Windows-1251 bytes as UTF-8.
void appendUtf8(std::string& out, std::string_view bytes) {
    for (const char byte : bytes) {
        const char16_t c = cp1251::toUnicode(static_cast<unsigned char>(byte));
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
}

// Printable ASCII but the two characters JSON escapes: the same in every encoding, and in JSON.
bool plainAscii(std::string_view text) {
    for (const char c : text)
        if (c < 0x20 || c > 0x7E || c == '"' || c == '\\')
            return false;
    return true;
}

// A JSON string of UTF-8 text (utf8) or of the files' bytes.
void appendString(std::string& out, std::string_view text, bool utf8) {
    if (plainAscii(text)) { // most rule fields
        out.push_back('"');
        out.append(text);
        out.push_back('"');
        return;
    }
    std::string converted;
    if (!utf8)
        appendUtf8(converted, text);
    out.push_back('"');
    for (const char c : utf8 ? text : std::string_view(converted)) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                static constexpr char kHex[] = "0123456789abcdef";
                out += "\\u00";
                out.push_back(kHex[(c >> 4) & 0xF]);
                out.push_back(kHex[c & 0xF]);
            } else {
                out.push_back(c);
            }
        }
    }
    out.push_back('"');
}

void newLine(std::string& out, int indent) {
    out.push_back('\n');
    out.append(static_cast<std::size_t>(indent), ' ');
}

void appendKey(std::string& out, std::string_view key) {
    appendString(out, key, true);
    out += ": ";
}

void appendSettingJson(std::string& out, const ServerSetting& setting, const SettingValue& value) {
    out += "{\"section\": ";
    appendString(out, setting.section, true);
    out += ", \"key\": ";
    appendString(out, setting.key, true);
    out += ", \"value\": ";
    appendString(out, settingText(setting, value), true);
    out += "}";
}

std::string text(const QJsonValue& value) {
    return value.toString().toStdString();
}

// The line a rule object stands for: its "text" when it agrees with its "tag" and "fields" (blanks and extra
// fields of the line are kept), else the line built from them.
std::optional<std::string> ruleLineOf(const QJsonObject& rule, std::string& problem) {
    const QJsonValue textValue = rule.value(QStringLiteral("text"));
    std::optional<std::string> given;
    if (!textValue.isUndefined()) {
        given = textValue.isString() ? toFileBytes(textValue.toString()) : std::nullopt;
        if (!given) {
            problem = "\"text\" must be a string that the rule files can store (Windows-1251).";
            return std::nullopt;
        }
    }
    const QJsonValue tagValue = rule.value(QStringLiteral("tag"));
    if (tagValue.isUndefined() && given)
        return given;
    const RuleKind* kind = ruleKindOfTag(text(tagValue));
    if (!kind) {
        problem = "\"tag\" must be the tag of a rule line, such as \"PD\".";
        return std::nullopt;
    }
    const QJsonObject fields = rule.value(QStringLiteral("fields")).toObject();
    std::vector<std::string> values(kind->fields.size());
    for (auto field = fields.begin(); field != fields.end(); ++field) {
        const auto named = std::find_if(kind->fields.begin(), kind->fields.end(),
                                        [&](const RuleField& f) { return f.name == field.key().toStdString(); });
        const std::optional<std::string> bytes = field->isString() ? toFileBytes(field->toString()) : std::nullopt;
        if (named == kind->fields.end() || !bytes) {
            problem = "\"fields\" of a \"" + std::string(kind->tag) + "\" rule has no string field \"" +
                      field.key().toStdString() + "\" the rule files can store.";
            return std::nullopt;
        }
        values[static_cast<std::size_t>(named - kind->fields.begin())] = *bytes;
    }
    if (given && TrimField(ruleField(*given, 0)) == kind->tag) {
        bool agrees = true;
        for (std::size_t i = 0; i < values.size() && agrees; ++i)
            agrees = TrimField(ruleField(*given, static_cast<int>(i) + 1)) == TrimField(values[i]);
        if (agrees)
            return given;
    }
    TUnStructString builder(":");
    builder.Add(kind->tag);
    for (const std::string& value : values)
        builder.Add(value);
    return builder.Join();
}

} // namespace

void appendRuleJson(std::string& out, const ListedRule& rule) {
    out += "{\"file\": ";
    appendString(out, rule.file, false);
    out += ", \"line\": ";
    out += std::to_string(rule.line);
    out += ", \"tag\": ";
    appendString(out, rule.kind->tag, true);
    out += ", \"fields\": {";
    for (std::size_t i = 0; i < rule.kind->fields.size(); ++i) {
        out += i ? ", " : "";
        appendKey(out, rule.kind->fields[i].name);
        appendString(out, TrimField(ruleField(rule.text, static_cast<int>(i) + 1)), false);
    }
    out += "}, \"text\": ";
    appendString(out, rule.text, false);
    out += "}";
}

std::string rulesJson(const std::vector<ListedRule>& rules) {
    std::string out = "[";
    for (std::size_t i = 0; i < rules.size(); ++i) {
        out += i ? "," : "";
        newLine(out, 2);
        appendRuleJson(out, rules[i]);
    }
    out += rules.empty() ? "]\n" : "\n]\n";
    return out;
}

std::string configurationJson(const Configuration& configuration) {
    std::string out = "{";
    newLine(out, 2);
    out += "\"format\": \"glymconf configuration\",";
    newLine(out, 2);
    out += "\"version\": 1,";
    newLine(out, 2);
    out += "\"files\": {\"settings\": ";
    appendString(out, baseNameOf(configuration.settingsFile()), false);
    constexpr std::pair<std::string_view, std::string_view> kFiles[] = {
        {"accessRules", "CheckFile"}, {"cacheSkip", "CacheSkipFile"}, {"portMapping", "RouterFile"}};
    for (const auto& [key, control] : kFiles) {
        out += ", ";
        appendKey(out, key);
        appendString(out, configuration.setting(Configuration::settingOfControl(control)).text, false);
    }
    out += "},";
    newLine(out, 2);
    out += "\"settings\": [";
    for (std::size_t i = 0; i < kServerSettings.size(); ++i) {
        out += i ? "," : "";
        newLine(out, 4);
        appendSettingJson(out, kServerSettings[i], configuration.setting(i));
    }
    newLine(out, 2);
    out += "],";
    newLine(out, 2);
    out += "\"rules\": [";
    const std::vector<ListedRule> rules = listRules(configuration);
    out.reserve(out.size() + rules.size() * 160);
    for (std::size_t i = 0; i < rules.size(); ++i) {
        out += i ? "," : "";
        newLine(out, 4);
        appendRuleJson(out, rules[i]);
    }
    if (!rules.empty())
        newLine(out, 2);
    out += "]\n}\n";
    return out;
}

std::optional<ImportedConfiguration> readConfigurationJson(const QByteArray& bytes, std::string& problem,
                                                           std::vector<std::string>& refusals) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        problem = "not a JSON document: " + error.errorString().toStdString() + " at byte " +
                  std::to_string(error.offset) + ".";
        return std::nullopt;
    }
    const QJsonObject root = document.object();
    const QJsonValue settings = root.value(QStringLiteral("settings"));
    const QJsonValue rules = root.value(QStringLiteral("rules"));
    if (!document.isObject() || (!settings.isUndefined() && !settings.isArray()) ||
        (!rules.isUndefined() && !rules.isArray())) {
        problem = "not a configuration: an object with the arrays \"settings\" and \"rules\" is expected.";
        return std::nullopt;
    }
    ImportedConfiguration imported;
    const QJsonArray settingList = settings.toArray();
    for (qsizetype i = 0; i < settingList.size(); ++i) {
        const QJsonObject entry = settingList[i].toObject();
        const QJsonValue value = entry.value(QStringLiteral("value"));
        const ServerSetting* setting = findSetting(entry.value(QStringLiteral("section")).toString(),
                                                   entry.value(QStringLiteral("key")).toString());
        if (!setting || !value.isString())
            refusals.push_back("settings[" + std::to_string(i) +
                               "]: not a setting of glym30.ini with a string \"value\".");
        else
            imported.settings.emplace_back(setting, value.toString());
    }
    if (rules.isArray()) {
        imported.rules.emplace();
        const QJsonArray ruleList = rules.toArray();
        for (qsizetype i = 0; i < ruleList.size(); ++i) {
            std::string why = "a rule is an object with \"tag\" and \"fields\", or \"text\".";
            const auto line = ruleList[i].isObject() ? ruleLineOf(ruleList[i].toObject(), why) : std::nullopt;
            if (line)
                imported.rules->push_back(*line);
            else
                refusals.push_back("rules[" + std::to_string(i) + "]: " + why);
        }
    }
    return imported;
}
