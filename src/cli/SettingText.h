#pragma once

#include "config/ServerSettings.h"

#include <QString>
#include <optional>
#include <string>

// A setting of glym30.ini as one line of text, as the command line reads and prints it: a text as it stands, a
// check "1" or "0", the cache type "1" (memory) or "2" (file), the parent proxy "host:port" (empty: none).

// The setting of this section and key (letter case ignored), or nullptr.
const ServerSetting* findSetting(const QString& section, const QString& key);

// What the window shows of the value, written as one line (in UTF-8).
std::string settingText(const ServerSetting& setting, const SettingValue& value);

// The value that text sets, with the window's checks: a number within its bounds where the proxy reads a number,
// a check 0 or 1, the cache type 1 or 2, the parent proxy as host:port, text glym30.ini can store (Windows-1251,
// one line). On a refusal, problem says why, naming the setting.
std::optional<SettingValue> settingValueOf(const ServerSetting& setting, const QString& text, std::string& problem);

// "[Section] Key", for messages.
std::string settingName(const ServerSetting& setting);
