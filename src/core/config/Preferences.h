#pragma once

#include <array>
#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// The configurator's own preferences file: the main window's geometry and interface state, kept between runs.
// clang-format off
enum class PreferenceKey {
    Top, Left, Height, Width, // the main window, pixels
    Hint,                     // pop-up hints on (a check)
    AskSaveComment,           // a save asks for a comment for the history of saves (a check)
    HistoryKeep,              // how many saves the history keeps
    HistoryBesideFiles,       // the history kept beside glym30.ini instead of in the user's state directory (a check)
    FollowInterval,           // seconds between two readings of a followed connection log
    Page, PageGroup, PageMap, // active page of the main, permissions and port-mapping page controls
    BoxName, BoxNet, BoxUrl, BoxLimit, BoxPorts, // splitter panes (BoxNet is a height, the others widths)
    // The length of each splitter the pane above was measured in (both panes, without the handle), so that the
    // pane keeps its share of a window of another size; 0: not known (a file of an older version), the pane's
    // pixels count as they stand.
    BoxNameTotal, BoxNetTotal, BoxUrlTotal, BoxLimitTotal, BoxPortsTotal,
};
// clang-format on

struct Preference {
    PreferenceKey id;
    std::string_view section;
    std::string_view key;
    int defaultValue;
    // A key of the configurator's own, beyond the window's state: written only once it differs from its default
    // (or the file has it already), so that the file of a user who never changed it stays as it was.
    bool onlyWhenSet = false;
};

// In read and write order. The default totals give the panes the shares they had in the first window of 640 x 480
// pixels, a little more for the URL rules and the networks, whose lines are long or many.
inline constexpr std::array<Preference, 22> kPreferences = {{
    {PreferenceKey::Top, "Form", "Top", 100},
    {PreferenceKey::Left, "Form", "Left", 100},
    {PreferenceKey::Height, "Form", "Height", 480},
    {PreferenceKey::Width, "Form", "Width", 640},
    {PreferenceKey::Hint, "Options", "Hint", 0},
    {PreferenceKey::AskSaveComment, "Options", "AskSaveComment", 0, true},
    {PreferenceKey::HistoryKeep, "Options", "HistoryKeep", 200, true},
    {PreferenceKey::HistoryBesideFiles, "Options", "HistoryBesideFiles", 0, true},
    {PreferenceKey::FollowInterval, "Options", "FollowInterval", 5, true},
    {PreferenceKey::Page, "Interface", "Page", 0},
    {PreferenceKey::PageGroup, "Interface", "PageGroup", 0},
    {PreferenceKey::PageMap, "Interface", "PageMap", 0},
    {PreferenceKey::BoxName, "Interface", "BoxName", 250},
    {PreferenceKey::BoxNet, "Interface", "BoxNet", 130},
    {PreferenceKey::BoxUrl, "Interface", "BoxUrl", 330},
    {PreferenceKey::BoxLimit, "Interface", "BoxLimit", 280},
    {PreferenceKey::BoxPorts, "Interface", "BoxPorts", 270},
    {PreferenceKey::BoxNameTotal, "Interface", "BoxNameTotal", 660},
    {PreferenceKey::BoxNetTotal, "Interface", "BoxNetTotal", 260},
    {PreferenceKey::BoxUrlTotal, "Interface", "BoxUrlTotal", 550},
    {PreferenceKey::BoxLimitTotal, "Interface", "BoxLimitTotal", 620},
    {PreferenceKey::BoxPortsTotal, "Interface", "BoxPortsTotal", 620},
}};

// The look of the window: the desktop's own, or a light or dark palette of the program's own.
enum class Theme { System, Light, Dark };

// "System", "Light", "Dark": as the preferences file stores it.
std::string_view themeName(Theme theme);
// The theme of a stored name (letter case ignored); any other text is System.
Theme themeNamed(std::string_view name);

// The configuration directories opened last, the latest first, at most this many.
inline constexpr std::size_t kRecentDirectoryCount = 8;

// The preferences file of an executable: its path with the extension replaced by ".ini", or ".ini" appended
// when the file name has none ("/opt/glym/glymconf" gives "/opt/glym/glymconf.ini").
std::string preferencesFilePath(std::string_view executablePath);

// The systemd unit the window's service controls and `glymconf service` drive unless told another.
inline constexpr std::string_view kDefaultServiceUnit = "glym.service";

// A value for every key of the table, the theme, the service unit and the recent directories ([Options] Theme,
// [Options] ServiceUnit, [Recent Directories] Directory1 ... Directory8: file-name bytes).
struct PreferenceValues {
    std::map<PreferenceKey, int> numbers;
    Theme theme = Theme::System;
    std::string serviceUnit = std::string(kDefaultServiceUnit);
    std::vector<std::string> recentDirectories;

    int at(PreferenceKey key) const { return numbers.at(key); }
    int& operator[](PreferenceKey key) { return numbers[key]; }
};

// Reads the preferences file once: every key of the table, its default when the key or the file is missing or the
// value is not an integer; the theme, System when missing or unknown; the service unit, the default when missing or
// empty; the recent directories that are not empty.
PreferenceValues loadPreferenceValues(const std::string& path);

// Writes every key of the table in order (the checks as "1" or "0", the others as decimal integers; a key only
// written when set, only then), the theme, the service unit (only once set, as those keys) and the recent directories
// (at most kRecentDirectoryCount; a name the file could not give back as it is, with a line break or blanks around it,
// is left out; a key of a directory no longer listed is emptied), replacing the file once; every other line of the file
// is kept. Throws GlymError
// ("Unable to write to <path>: <reason>") and leaves the file as it was when that fails.
void savePreferenceValues(const std::string& path, const PreferenceValues& values);
