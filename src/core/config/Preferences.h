#pragma once

#include <array>
#include <map>
#include <string>
#include <string_view>

// The configurator's own preferences file: the main window's geometry and interface state, kept between runs.
// clang-format off
enum class PreferenceKey {
    Top, Left, Height, Width, // the main window, pixels
    Hint,                     // pop-up hints on (a check)
    AskSaveComment,           // a save asks for a comment for the history of saves (a check)
    Page, PageGroup, PageMap, // active page of the main, permissions and port-mapping page controls
    BoxName, BoxNet, BoxUrl, BoxLimit, BoxPorts, // splitter panes (BoxNet is a height, the others widths)
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

// In read and write order.
inline constexpr std::array<Preference, 14> kPreferences = {{
    {PreferenceKey::Top, "Form", "Top", 100},
    {PreferenceKey::Left, "Form", "Left", 100},
    {PreferenceKey::Height, "Form", "Height", 480},
    {PreferenceKey::Width, "Form", "Width", 640},
    {PreferenceKey::Hint, "Options", "Hint", 0},
    {PreferenceKey::AskSaveComment, "Options", "AskSaveComment", 0, true},
    {PreferenceKey::Page, "Interface", "Page", 0},
    {PreferenceKey::PageGroup, "Interface", "PageGroup", 0},
    {PreferenceKey::PageMap, "Interface", "PageMap", 0},
    {PreferenceKey::BoxName, "Interface", "BoxName", 250},
    {PreferenceKey::BoxNet, "Interface", "BoxNet", 130},
    {PreferenceKey::BoxUrl, "Interface", "BoxUrl", 330},
    {PreferenceKey::BoxLimit, "Interface", "BoxLimit", 280},
    {PreferenceKey::BoxPorts, "Interface", "BoxPorts", 270},
}};

// The preferences file of an executable: its path with the extension replaced by ".ini", or ".ini" appended
// when the file name has none ("/opt/glym/glymconf" gives "/opt/glym/glymconf.ini").
std::string preferencesFilePath(std::string_view executablePath);

// A value for every key of the table.
using PreferenceValues = std::map<PreferenceKey, int>;

// Reads the preferences file once: every key of the table, its default when the key or the file is missing or the
// value is not an integer.
PreferenceValues loadPreferenceValues(const std::string& path);

// Writes every key of the table in order (the checks as "1" or "0", the others as decimal integers; a key only
// written when set, only then), replacing the file
// once; every other line of the file is kept. Throws GlymError ("Unable to write to <path>: <reason>") and leaves the
// file as it was when that fails.
void savePreferenceValues(const std::string& path, const PreferenceValues& values);
