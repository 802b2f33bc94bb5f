#include "config/Preferences.h"

std::string PreferencesFilePath(std::string_view executablePath) {
    const auto slash = executablePath.rfind('/');
    const auto nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    const auto dot = executablePath.rfind('.');
    if (dot != std::string_view::npos && dot > nameStart)
        executablePath = executablePath.substr(0, dot);
    return std::string(executablePath) + ".ini";
}
