#pragma once

#include "history/Diff.h"
#include "history/Generation.h"

#include <string>
#include <string_view>
#include <vector>

namespace history {

// How one file of the configuration differs between two snapshots. The files are matched by their role, so a rule
// file that glym30.ini names differently in the two is compared with its earlier self; a role only one snapshot has
// (or a missing file) is compared with nothing.
struct FileChange {
    FileRole role = FileRole::Settings;
    std::string olderName; // empty when the older snapshot has no such file
    std::string newerName; // empty when the newer one has none
    textdiff::FileDiff diff;
};

// Every file of the two snapshots, glym30.ini first, then the rule files in the order of their roles; files that
// are the same included (their diff has no hunks).
std::vector<FileChange> compareSnapshots(const Snapshot& older, const Snapshot& newer, std::size_t context = 3);

// Whether any file differs.
bool anyDifference(const std::vector<FileChange>& changes);

// The files that differ, as `diff -u` prints them, one after the other, each under the headers
// "--- a/<older name><TAB><older label>" and "+++ b/<newer name><TAB><newer label>" (an absolute name as it is; a
// file missing on one side "/dev/null").
std::string unifiedDiff(const std::vector<FileChange>& changes, std::string_view olderLabel,
                        std::string_view newerLabel);

} // namespace history
