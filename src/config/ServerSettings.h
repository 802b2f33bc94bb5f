#pragma once

#include <array>
#include <functional>
#include <string>
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
    std::string_view loadDefault;        // as text; a check's default is "0" or "1", the cache type's "1"
    std::string_view control;            // objectName of the control (Master: the address field)
    std::string_view secondControl = {}; // Master: the port field; CacheType: the file-cache radio button
};

inline constexpr std::size_t kServerSettingCount = 67;
extern const std::array<ServerSetting, kServerSettingCount> kServerSettings;

// What a new glym30.ini holds, in the order it is written (its sections appear in the order of their first key).
struct DefaultSetting {
    enum class Kind { Check, Integer, Text } kind;
    std::string_view section;
    std::string_view key;
    int number;            // Check and Integer
    std::string_view text; // Text
};

inline constexpr std::size_t kDefaultSettingCount = 41;
extern const std::array<DefaultSetting, kDefaultSettingCount> kDefaultServerSettings;

// Splits a stored parent-proxy value at its last ":" into address and port; a value without ":" is all address.
struct ParentProxy {
    std::string_view address;
    std::string_view port;
};
ParentProxy splitMaster(std::string_view value);

// What the controls of one setting show, as the bytes of the file.
struct SettingValue {
    std::string text; // Text: the field's text; Master: the address field
    std::string port; // Master: the port field
    bool on = false;  // Check: checked; CacheType: the memory cache chosen

    friend bool operator==(const SettingValue&, const SettingValue&) = default;
};

// The points of the load at which the window acts on what it has been shown so far.
enum class LoadPoint {
    MemoryPoolShown,    // both memory-pool keys: the total can be shown
    CacheSkipFileKnown, // the cache-skip rules file is named: it is read now
    RouterFileKnown,    // the port-mapping rules file is named: it is read now
};

using ShowSetting = std::function<void(const ServerSetting&, const SettingValue&)>;
using SettingValueOf = std::function<SettingValue(const ServerSetting&)>;

// Reads glym30.ini once and shows every setting in table order, each with its value or its load default, calling
// reached at each load point as soon as the settings it needs are shown. An error thrown by either stops the load
// where it occurs. A missing or unreadable file shows the load defaults.
void loadServerSettings(const std::string& path, const ShowSetting& show,
                        const std::function<void(LoadPoint)>& reached);

// Writes every setting in table order, with the value valueOf gives, and replaces the file once; when anything
// fails (valueOf included), the file is left as it was. Every other line of the file is kept. Returns what the
// write had to do differently (see writeFileAtomically); empty when nothing.
// With afresh, the file's present content is not merged into but replaced (and kept as path + ".bak"): for a file
// that could not be read as settings.
std::string saveServerSettings(const std::string& path, const SettingValueOf& valueOf, bool afresh = false);

// Writes a new glym30.ini with the 41 keys of a default file, in their order, all in one write.
void createDefaultServerSettings(const std::string& path);
