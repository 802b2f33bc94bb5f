#include "cli/SettingText.h"

#include "base/Text.h"

namespace {

QString fromView(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string utf8(const std::string& bytes) {
    return fromFileBytes(bytes).toStdString();
}

} // namespace

const ServerSetting* findSetting(const QString& section, const QString& key) {
    for (const ServerSetting& setting : kServerSettings)
        if (fromView(setting.section).compare(section.trimmed(), Qt::CaseInsensitive) == 0 &&
            fromView(setting.key).compare(key.trimmed(), Qt::CaseInsensitive) == 0)
            return &setting;
    return nullptr;
}

std::string settingName(const ServerSetting& setting) {
    return "[" + std::string(setting.section) + "] " + std::string(setting.key);
}

std::string settingText(const ServerSetting& setting, const SettingValue& value) {
    switch (setting.kind) {
    case SettingKind::Text:
        return utf8(value.text);
    case SettingKind::Check:
        return value.on ? "1" : "0";
    case SettingKind::CacheType:
        return value.on ? "1" : "2";
    case SettingKind::Master:
        return value.text.empty() && value.port.empty() ? std::string() : utf8(value.text) + ":" + utf8(value.port);
    }
    return {};
}

std::optional<SettingValue> settingValueOf(const ServerSetting& setting, const QString& text, std::string& problem) {
    const std::string name = settingName(setting);
    const std::optional<std::string> bytes = toFileBytes(text);
    if (!bytes || text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'))) {
        problem = name + ": the value must be one line of text that glym30.ini can store (Windows-1251).";
        return std::nullopt;
    }
    switch (setting.kind) {
    case SettingKind::Text:
        if (const std::string why = numberProblem(setting.number, *bytes); !why.empty()) {
            problem = name + ": '" + text.toStdString() + "' " + why + ".";
            return std::nullopt;
        }
        return SettingValue{*bytes, {}, false};
    case SettingKind::Check:
        if (*bytes == "0" || *bytes == "1")
            return SettingValue{{}, {}, *bytes == "1"};
        problem = name + ": a check is 1 (on) or 0 (off).";
        return std::nullopt;
    case SettingKind::CacheType:
        if (*bytes == "1" || *bytes == "2")
            return SettingValue{{}, {}, *bytes == "1"};
        problem = name + ": the cache type is 1 (Memory Cache) or 2 (File Cache).";
        return std::nullopt;
    case SettingKind::Master:
        break;
    }
    if (bytes->empty())
        return SettingValue{}; // no parent proxy
    const ParentProxy parent = splitMaster(*bytes);
    if (bytes->find(':') == std::string::npos || parent.address.empty() || parent.port.empty()) {
        problem = name + ": the parent proxy is written host:port (or empty for none).";
        return std::nullopt;
    }
    if (const std::string why = numberProblem(setting.number, parent.port); !why.empty()) {
        problem = name + ": the port '" + fromFileBytes(parent.port).toStdString() + "' " + why + ".";
        return std::nullopt;
    }
    return SettingValue{std::string(parent.address), std::string(parent.port), false};
}
