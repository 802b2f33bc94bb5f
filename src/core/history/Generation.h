#pragma once

#include "history/Diff.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the history keeps of a save: the proxy's four files as they were, and who saved them when.
namespace history {

// Which of the configuration's files it is: glym30.ini, or the rule file one of its keys names.
enum class FileRole { Settings, AccessRules, CacheSkip, PortMapping };

// "settings", "access rules", "cache-skip rules", "port mapping".
std::string_view describe(FileRole role);

// One file of the configuration, as it is on disk or as a generation holds it.
struct SnapshotFile {
    FileRole role = FileRole::Settings;
    // As glym30.ini names it (relative names count from the configuration directory); the settings file by its
    // name in that directory ("glym30.ini").
    std::string name;
    std::optional<std::string> bytes; // nothing: no such file
};
// glym30.ini first, then the rule files it names, each file once (a file two keys name under its first role).
using Snapshot = std::vector<SnapshotFile>;

// A file as a generation records it.
struct GenerationFile {
    FileRole role = FileRole::Settings;
    std::string name;
    std::string content;         // the id of its bytes in the store (see contentId); empty: the file did not exist
    std::uint64_t size = 0;      // of its bytes
    textdiff::DiffCounts change; // lines added and removed since the generation before (all of them for the first)
};

// One save as the history records it.
struct Generation {
    unsigned number = 0;   // counts up from 1, never used twice in a store
    std::int64_t time = 0; // seconds since the epoch
    std::string user;
    std::string host;
    std::string comment; // one line, possibly empty
    std::vector<GenerationFile> files;

    // The files whose lines changed since the generation before, and all their lines added and removed.
    std::size_t filesChanged() const;
    textdiff::DiffCounts change() const;
};

// Whether the snapshot holds the files the generation recorded: the same files under the same names, byte for byte.
bool holdsSameFiles(const Generation& generation, const Snapshot& files);

// The text a generation is stored as: a first line naming the format, then one "field<TAB>value" line each for
// number, time, user, host and comment, and one line per file, "file<TAB>role<TAB>name<TAB>content<TAB>size<TAB>
// added<TAB>removed" (content "-" for a missing file). Backslashes, tabs and line breaks in a value are written as
// \\, \t, \n and \r.
std::string formatGeneration(const Generation& generation);

// The generation a text stores; GlymError "line 3: <what is wrong>" when it is no such text.
Generation parseGeneration(std::string_view text);

// "2026-12-10 11:42:05", in the local time zone.
std::string localTime(std::int64_t time);

// One line of the history as the command line lists it:
// "12  2026-12-10 11:42:05  alice@host  3 files  +5 -2  comment".
std::string summaryLine(const Generation& generation);

} // namespace history
