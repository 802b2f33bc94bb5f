#include "config/Preferences.h"

#include "config/IniFile.h"

std::string preferencesFilePath(std::string_view executablePath) {
    const auto slash = executablePath.rfind('/');
    const auto nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    const auto dot = executablePath.rfind('.');
    if (dot != std::string_view::npos && dot > nameStart)
        executablePath = executablePath.substr(0, dot);
    return std::string(executablePath) + ".ini";
}

namespace {
std::string str(std::string_view text) {
    return std::string(text);
}
} // namespace

PreferenceValues loadPreferenceValues(const std::string& path) {
    const IniSession ini(path);
    PreferenceValues values;
    for (const Preference& p : kPreferences)
        values[p.id] = ini.readInteger(str(p.section), str(p.key), p.defaultValue);
    return values;
}

void savePreferenceValues(const std::string& path, const PreferenceValues& values) {
    IniSession ini(path);
    for (const Preference& p : kPreferences) {
        if (p.onlyWhenSet && values.at(p.id) == p.defaultValue && !ini.storedValue(str(p.section), str(p.key)))
            continue;
        if (p.id == PreferenceKey::Hint || p.id == PreferenceKey::AskSaveComment)
            ini.writeBool(str(p.section), str(p.key), values.at(p.id) != 0);
        else
            ini.writeInteger(str(p.section), str(p.key), values.at(p.id));
    }
    ini.commit();
}
