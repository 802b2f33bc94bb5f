#pragma once

#include "common/FileIo.h"

#include <array>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The keys of the proxy's server settings file glym30.ini: where each is stored, how it is converted, the value
// a missing key reads as, and the main-window control that shows it. Load and save walk this one table in order.
enum class SettingKind {
    Text,      // the control's text, stored verbatim (numbers too: their rule only marks what the proxy cannot read)
    Check,     // a check box: an integer, checked when not 0; written "1" or "0"
    CacheType, // 1 checks the memory-cache radio button, anything else the file-cache one; written 1 or 2
    Master,    // parent proxy "address:port", split at the last ":" into two fields
};

// How the proxy reads the text of a setting: as a whole number (decimal, or hexadecimal after "$" or "0x", as
// parseInt64 takes it) within bounds, or as text (a file name, a directory, the parent's address).
struct NumberRule {
    bool whole = false;
    std::int64_t min = std::numeric_limits<std::int64_t>::min();
    std::int64_t max = std::numeric_limits<std::int64_t>::max();
};
inline constexpr NumberRule kWholeNumber{true};
inline constexpr NumberRule kPortNumber{true, 1, 65535};

// Why the proxy cannot take text by the rule, as the end of a sentence about it: "is not a whole number", or for a
// number beyond the rule's bounds (digits too many for 64 bits among them) the bound it passed, "is too large: at
// most 65535", "is too small: at least 1"; empty when it can, and for a rule that asks for no number.
std::string numberProblem(const NumberRule& rule, std::string_view text);

struct ServerSetting {
    std::string_view section;
    std::string_view key;
    SettingKind kind;
    std::string_view loadDefault;        // as text; a check's default is "0" or "1", the cache type's "1"
    std::string_view control;            // objectName of the control (Master: the address field)
    std::string_view secondControl = {}; // Master: the port field; CacheType: the file-cache radio button
    NumberRule number = {};              // Text: how the proxy reads the value; Master: how it reads the port
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

// What a load (or a save) left of one setting: the value its controls show, the value as the file stores it
// (IniSession::storedValue; nothing when the file has no such key), and what that reads as.
struct SettingAsRead {
    SettingValue shown;
    std::optional<std::string> stored;
    SettingValue inFile;  // as a load reads the file: the load default when it has no such key
    bool leftOut = false; // a save kept the file without the key (someone else removed it): not to be added back
};
// By the index of the setting in kServerSettings; a setting past its end has none (a load that stopped).
using SettingsAsRead = std::vector<SettingAsRead>;

// Whether the controls of the setting at index show other than what asRead remembers (true when it has none).
bool settingChanged(const SettingsAsRead& asRead, std::size_t index, const SettingValue& value);

// Reads glym30.ini once and shows every setting in table order, each with its value or its load default, calling
// reached at each load point as soon as the settings it needs are shown. An error thrown by either stops the load
// where it occurs. A missing or unreadable file shows the load defaults. Returns what was shown and stored.
SettingsAsRead loadServerSettings(const std::string& path, const ShowSetting& show,
                                  const std::function<void(LoadPoint)>& reached);

// A setting changed both in the window and on disk since the window read the file (or last saved it): its controls
// show other than they showed then, and the file stores other than it stored then, with another meaning (a key
// added with the value its absence reads as is no change), and other than what the controls show.
struct SettingConflict {
    std::size_t index;                 // in kServerSettings
    std::string mine;                  // what the save would store from the controls
    std::optional<std::string> theirs; // what the file stores now; nothing when it has no such key
};

// The settings of the file at path, as it is now, that changed both there and in the controls (valueOf) since
// asRead, in table order. A file that is missing or cannot be read has none.
std::vector<SettingConflict> settingConflicts(const std::string& path, const SettingValueOf& valueOf,
                                              const SettingsAsRead& asRead);

// What a save does with a setting changed both in the window and on disk: store the window's value, or keep the
// file's.
enum class ConflictChoice { Mine, Theirs };

// Writes the changes of the window into the file as it is now, in table order, and replaces the file once; when
// anything fails (valueOf included), the file is left as it was. Every other line of the file is kept.
// A setting whose value is what asRead remembers the controls showing is not the window's change: its line is left
// as the file has it now, whatever someone else has made of it since (a value without a port, a value longer than
// a read returns, a check stored as "5" stay as they are, and so does a key removed). Only when the file had no
// such key then (nor had one removed) and has none now is it written from its value. A setting the controls changed is
// written from its value, unless the file changed it too (settingConflicts): then onConflict says which value stays.
// With afresh, the file's present content is not merged into but replaced (and kept as path + ".bak"): for a file
// that could not be read as settings.
struct SavedSettings {
    SettingsAsRead asRead; // what the file now holds, for the next save
    std::string note;      // what the write had to do differently (see writeFileAtomically); empty when nothing
    std::optional<FileToWrite> write; // prepareServerSettings: the write still to make; none when nothing changed
};
SavedSettings saveServerSettings(const std::string& path, const SettingValueOf& valueOf,
                                 const SettingsAsRead& asRead = {}, bool afresh = false,
                                 ConflictChoice onConflict = ConflictChoice::Mine);

// The same, except that nothing is written: the write to make comes back, for a save of several files in one.
SavedSettings prepareServerSettings(const std::string& path, const SettingValueOf& valueOf,
                                    const SettingsAsRead& asRead = {}, bool afresh = false,
                                    ConflictChoice onConflict = ConflictChoice::Mine);

// The same, merged into content given instead of the file as it is now (what the file held when it was read): what
// the window's changes make of that content. Nothing is read or written.
SavedSettings prepareServerSettingsFrom(const std::string& path, std::string content, const SettingValueOf& valueOf,
                                        const SettingsAsRead& asRead);

// Writes a new glym30.ini with the 41 keys of a default file, in their order, all in one write.
void createDefaultServerSettings(const std::string& path);
