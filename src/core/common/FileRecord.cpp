#include "common/FileRecord.h"

#include "common/FileIo.h"

#include <functional>
#include <sys/stat.h>

namespace {

thread_local FileRecord::Recording* current = nullptr;

FileFingerprint fingerprintOf(const struct stat& info, std::string_view bytes) {
    FileFingerprint fingerprint;
    fingerprint.state = FileFingerprint::State::Read;
    fingerprint.size = bytes.size();
    fingerprint.modified = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
    fingerprint.device = info.st_dev;
    fingerprint.inode = info.st_ino;
    fingerprint.hash = std::hash<std::string_view>{}(bytes);
    return fingerprint;
}

} // namespace

std::string_view describe(DiskChange change) {
    switch (change) {
    case DiskChange::Changed:
        return "changed";
    case DiskChange::Created:
        return "created";
    case DiskChange::Deleted:
        return "deleted";
    case DiskChange::None:
        break;
    }
    return {};
}

FileRecord::Recording::Recording(FileRecord& record, bool writesOnly)
    : outer_(current), record_(record), writesOnly_(writesOnly) {
    current = this;
}

FileRecord::Recording::~Recording() {
    current = outer_;
}

void FileRecord::noteRead(const std::string& name, const struct stat& info, std::string_view bytes) {
    if (!current || current->writesOnly_)
        return;
    FileFingerprint fingerprint = fingerprintOf(info, bytes);
    if (current->record_.keepBytes_)
        fingerprint.bytes = std::make_shared<const std::string>(bytes);
    current->record_.note(name, std::move(fingerprint));
}

void FileRecord::noteWritten(const std::string& name, const struct stat& info, std::string bytes) {
    if (!current)
        return;
    FileFingerprint fingerprint = fingerprintOf(info, bytes);
    if (current->record_.keepBytes_)
        fingerprint.bytes = std::make_shared<const std::string>(std::move(bytes));
    current->record_.note(name, std::move(fingerprint));
}

void FileRecord::noteMissing(const std::string& name) {
    if (current && !current->writesOnly_)
        current->record_.note(name, FileFingerprint{});
}

void FileRecord::noteUnreadable(const std::string& name, const std::string& reason) {
    if (current && !current->writesOnly_)
        current->record_.note(
            name, FileFingerprint{.state = FileFingerprint::State::Unreadable, .reason = reason, .bytes = nullptr});
}

bool FileRecord::wasRead(const std::string& name) const {
    const FileFingerprint* known = find(name);
    return known && known->state == FileFingerprint::State::Read;
}

void FileRecord::note(const std::string& name, FileFingerprint fingerprint) {
    for (auto& [known, print] : files_)
        if (known == name) {
            print = std::move(fingerprint);
            return;
        }
    files_.emplace_back(name, std::move(fingerprint));
}

// The name as it was read first; another spelling of the same file after that.
const FileFingerprint* FileRecord::find(const std::string& name) const {
    for (const auto& [known, print] : files_)
        if (known == name)
            return &print;
    for (const auto& [known, print] : files_)
        if (sameFile(known, name))
            return &print;
    return nullptr;
}

std::shared_ptr<const std::string> FileRecord::bytes(const std::string& name) const {
    const FileFingerprint* known = find(name);
    return known ? known->bytes : nullptr;
}

std::optional<std::string> FileRecord::unreadable(const std::string& name) const {
    const FileFingerprint* known = find(name);
    if (known && known->state == FileFingerprint::State::Unreadable)
        return known->reason;
    return std::nullopt;
}

DiskChange FileRecord::changeOnDisk(const std::string& name) const {
    const FileFingerprint* known = find(name);
    if (!known || known->state == FileFingerprint::State::Unreadable)
        return DiskChange::None;
    struct stat info {};
    const bool exists = ::stat(name.c_str(), &info) == 0;
    if (known->state == FileFingerprint::State::Missing)
        return exists ? DiskChange::Created : DiskChange::None;
    if (!exists)
        return DiskChange::Deleted;
    const FileFingerprint now = fingerprintOf(info, {});
    if (now.modified == known->modified && now.device == known->device && now.inode == known->inode &&
        static_cast<std::uint64_t>(info.st_size) == known->size)
        return DiskChange::None;
    if (static_cast<std::uint64_t>(info.st_size) != known->size)
        return DiskChange::Changed;
    // Touched, or replaced by a file of the same size: only the bytes can tell. This reading is no reading of the
    // configuration, so no recording hears of it.
    struct Unrecorded {
        FileRecord::Recording* saved = std::exchange(current, nullptr);
        ~Unrecorded() { current = saved; }
    } unrecorded;
    try {
        return std::hash<std::string_view>{}(readWholeFile(name)) == known->hash ? DiskChange::None
                                                                                 : DiskChange::Changed;
    } catch (const std::exception&) {
        return DiskChange::Changed;
    }
}
