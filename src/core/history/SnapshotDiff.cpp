#include "history/SnapshotDiff.h"

#include <algorithm>

namespace history {

namespace {

const SnapshotFile* fileOf(const Snapshot& snapshot, FileRole role) {
    const auto found =
        std::find_if(snapshot.begin(), snapshot.end(), [role](const SnapshotFile& file) { return file.role == role; });
    return found == snapshot.end() || !found->bytes ? nullptr : &*found;
}

std::string header(std::string_view side, const std::string& name, std::string_view label) {
    std::string path = name.empty()            ? std::string("/dev/null")
                       : name.starts_with('/') ? name
                                               : std::string(side) + name;
    return path + "\t" + std::string(label);
}

} // namespace

std::vector<FileChange> compareSnapshots(const Snapshot& older, const Snapshot& newer, std::size_t context) {
    std::vector<FileChange> changes;
    for (const FileRole role :
         {FileRole::Settings, FileRole::AccessRules, FileRole::CacheSkip, FileRole::PortMapping}) {
        const SnapshotFile* before = fileOf(older, role);
        const SnapshotFile* after = fileOf(newer, role);
        if (!before && !after)
            continue;
        changes.push_back({role, before ? before->name : std::string(), after ? after->name : std::string(),
                           textdiff::diffLines(before ? *before->bytes : std::string_view(),
                                               after ? *after->bytes : std::string_view(), context)});
    }
    return changes;
}

bool anyDifference(const std::vector<FileChange>& changes) {
    return std::any_of(changes.begin(), changes.end(),
                       [](const FileChange& change) { return !change.diff.counts.same(); });
}

std::string unifiedDiff(const std::vector<FileChange>& changes, std::string_view olderLabel,
                        std::string_view newerLabel) {
    std::string out;
    for (const FileChange& change : changes)
        out += textdiff::unifiedDiff(change.diff, header("a/", change.olderName, olderLabel),
                                     header("b/", change.newerName, newerLabel));
    return out;
}

} // namespace history
