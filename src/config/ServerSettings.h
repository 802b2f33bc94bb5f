#pragma once

#include <array>
#include <string_view>

// The keys of the proxy's server settings file glym30.ini: where each is stored, how it is converted, the value
// a missing key reads as, and the main-window control that shows it. Load and save walk this one table in order.
enum class SettingKind {
    Text,      // the control's text, stored verbatim (most numbers too: nothing checks them)
    Check,     // a check box: an integer, checked when not 0; written "1" or "0"
    CacheType, // 1 checks the memory-cache radio button, anything else the file-cache one; written 1 or 2
    Master,    // parent proxy "address:port", split at the last ":" into two fields
};

struct ServerSetting {
    std::string_view section;
    std::string_view key;
    SettingKind kind;
    std::string_view loadDefault; // as text; a check's default is "0" or "1", the cache type's "1"
    std::string_view control;     // objectName of the control (Master: the address field)
    std::string_view secondControl = {}; // Master: the port field; CacheType: the file-cache radio button
};

inline constexpr std::size_t kServerSettingCount = 67;
extern const std::array<ServerSetting, kServerSettingCount> kServerSettings;

// The key after which the cache-skip rules file is read, and the one after which the port-mapping rules file
// is read: each file is read as soon as its name is known.
inline constexpr std::string_view kCacheSkipFileSection = "Cache Skip";
inline constexpr std::string_view kRouterSection = "Router";

// What a new glym30.ini holds, in the order it is written (its sections appear in the order of their first key).
struct DefaultSetting {
    enum class Kind { Check, Integer, Text } kind;
    std::string_view section;
    std::string_view key;
    int number;             // Check and Integer
    std::string_view text;  // Text
};

inline constexpr std::size_t kDefaultSettingCount = 41;
extern const std::array<DefaultSetting, kDefaultSettingCount> kDefaultServerSettings;

// Splits a stored parent-proxy value at its last ":" into address and port; a value without ":" is all address.
struct ParentProxy {
    std::string_view address;
    std::string_view port;
};
ParentProxy SplitMaster(std::string_view value);
