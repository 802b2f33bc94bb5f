#include "config/Preferences.h"

#include "config/IniFile.h"

#include <algorithm>
#include <cctype>

std::string preferencesFilePath(std::string_view executablePath) {
    const auto slash = executablePath.rfind('/');
    const auto nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    const auto dot = executablePath.rfind('.');
    if (dot != std::string_view::npos && dot > nameStart)
        executablePath = executablePath.substr(0, dot);
    return std::string(executablePath) + ".ini";
}

namespace {

constexpr char kOptions[] = "Options";
constexpr char kTheme[] = "Theme";
constexpr char kRecent[] = "Recent Directories";

constexpr std::pair<Theme, std::string_view> kThemeNames[] = {
    {Theme::System, "System"}, {Theme::Light, "Light"}, {Theme::Dark, "Dark"}};

std::string str(std::string_view text) {
    return std::string(text);
}

std::string recentKey(std::size_t index) {
    return "Directory" + std::to_string(index + 1);
}

// A value the INI layer gives back exactly as written: one line, no blanks or quotes around it, not cut.
// A pane's total belongs to its size: beside a size stored without one (by an older version) it is not known.
constexpr std::pair<PreferenceKey, PreferenceKey> kPaneTotals[] = {
    {PreferenceKey::BoxName, PreferenceKey::BoxNameTotal},   {PreferenceKey::BoxNet, PreferenceKey::BoxNetTotal},
    {PreferenceKey::BoxUrl, PreferenceKey::BoxUrlTotal},     {PreferenceKey::BoxLimit, PreferenceKey::BoxLimitTotal},
    {PreferenceKey::BoxPorts, PreferenceKey::BoxPortsTotal},
};

bool isStored(const IniSession& ini, PreferenceKey key) {
    for (const Preference& p : kPreferences)
        if (p.id == key)
            return ini.storedValue(str(p.section), str(p.key)).has_value();
    return false;
}

bool readsBack(std::string_view value) {
    auto blank = [](char c) {
        return c == ' ' || c == '\t';
    };
    auto quote = [](char c) {
        return c == '"' || c == '\'';
    };
    return !value.empty() && value.size() <= IniFile::kMaxValueLength &&
           value.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos && !blank(value.front()) &&
           !blank(value.back()) && !(value.size() >= 2 && quote(value.front()) && value.back() == value.front());
}

} // namespace

std::string_view themeName(Theme theme) {
    for (const auto& [value, name] : kThemeNames)
        if (value == theme)
            return name;
    return kThemeNames[0].second;
}

Theme themeNamed(std::string_view name) {
    for (const auto& [value, known] : kThemeNames)
        if (std::equal(name.begin(), name.end(), known.begin(), known.end(),
                       [](unsigned char a, unsigned char b) { return std::tolower(a) == std::tolower(b); }))
            return value;
    return Theme::System;
}

PreferenceValues loadPreferenceValues(const std::string& path) {
    const IniSession ini(path);
    PreferenceValues values;
    for (const Preference& p : kPreferences)
        values[p.id] = ini.readInteger(str(p.section), str(p.key), p.defaultValue);
    for (const auto& [pane, total] : kPaneTotals)
        if (isStored(ini, pane) && !isStored(ini, total))
            values[total] = 0;
    values.theme = themeNamed(ini.readString(kOptions, kTheme, std::string()));
    for (std::size_t i = 0; i < kRecentDirectoryCount; ++i)
        if (std::string directory = ini.readString(kRecent, recentKey(i), std::string()); !directory.empty())
            values.recentDirectories.push_back(std::move(directory));
    return values;
}

void savePreferenceValues(const std::string& path, const PreferenceValues& values) {
    IniSession ini(path);
    for (const Preference& p : kPreferences) {
        if (p.onlyWhenSet && values.at(p.id) == p.defaultValue && !ini.storedValue(str(p.section), str(p.key)))
            continue;
        if (p.id == PreferenceKey::Hint || p.id == PreferenceKey::AskSaveComment ||
            p.id == PreferenceKey::HistoryBesideFiles)
            ini.writeBool(str(p.section), str(p.key), values.at(p.id) != 0);
        else
            ini.writeInteger(str(p.section), str(p.key), values.at(p.id));
    }
    ini.writeString(kOptions, kTheme, str(themeName(values.theme))); // after Hint, in its section
    std::size_t written = 0;
    for (const std::string& directory : values.recentDirectories)
        if (written < kRecentDirectoryCount && readsBack(directory))
            ini.writeString(kRecent, recentKey(written++), directory);
    for (; written < kRecentDirectoryCount; ++written)
        if (ini.storedValue(kRecent, recentKey(written)))
            ini.writeString(kRecent, recentKey(written), std::string());
    ini.commit();
}
