#include "document/Configuration.h"

#include "common/Error.h"
#include "config/IniFile.h"
#include "rules/CacheSkipFile.h"
#include "rules/PortMapFile.h"

#include <algorithm>
#include <exception>

namespace {

const std::string& textOf(const std::vector<SettingValue>& settings, std::string_view control) {
    static const std::string none;
    const std::size_t index = Configuration::settingOfControl(control);
    return index < settings.size() ? settings[index].text : none;
}

// The keys of glym30.ini that name the rule files, in the order of their roles.
const std::pair<history::FileRole, std::string_view> kRuleFileControls[] = {
    {history::FileRole::AccessRules, "CheckFile"},
    {history::FileRole::CacheSkip, "CacheSkipFile"},
    {history::FileRole::PortMapping, "RouterFile"},
};

std::string historyFailure(const std::exception& error) {
    return std::string("The save could not be recorded in the history: ") + error.what();
}

} // namespace

Configuration::Configuration(std::string settingsFile, std::string directory)
    : settingsFile_(std::move(settingsFile)), directory_(std::move(directory)), settings_(kServerSettings.size()) {}

void Configuration::setSetting(std::size_t index, SettingValue value) {
    settings_.at(index) = std::move(value);
}

void Configuration::leaveMissingKeysOut() {
    for (SettingAsRead& setting : settingsAsRead_)
        setting.leftOut = setting.leftOut || !setting.stored;
}

std::size_t Configuration::settingOfControl(std::string_view control) {
    const auto found = std::find_if(kServerSettings.begin(), kServerSettings.end(), [control](const ServerSetting& s) {
        return s.control == control || s.secondControl == control;
    });
    return static_cast<std::size_t>(found - kServerSettings.begin());
}

RuleFileNames Configuration::ruleFileNames() const {
    auto file = [this](std::string_view control) {
        const std::string& name = textOf(settings_, control);
        return name.empty() ? name : pathInDirectory(directory_, name);
    };
    return {file("CheckFile"), file("CacheSkipFile"), file("RouterFile")};
}

std::string Configuration::connectionLog() const {
    return textOf(settings_, "ConnectLogFile");
}

// ---------------------------------------------------------------------------------------------------------------
// Loading

// A rule file that cannot be read is reported once the lists show what is left; the load goes on without it.
void Configuration::readRuleFile(const LoadObserver& observer, std::size_t file, const std::function<void()>& read) {
    std::string failure;
    auto reading = [&read, &failure] {
        try {
            read();
        } catch (const std::exception& error) {
            failure = error.what();
        }
    };
    if (observer.replacingRules)
        observer.replacingRules(file, reading);
    else
        reading();
    if (!failure.empty() && observer.failed)
        observer.failed(failure);
}

void Configuration::load(const LoadObserver& observer) {
    // What is read now is what a save will compare the files on disk with.
    readFiles_.clear();
    const FileRecord::Recording recording(readFiles_);
    loadFindings_ = LoadFindings(); // what an earlier load that stopped half-way collected is not this load's
    findings_.clear();
    std::fill(settings_.begin(), settings_.end(), SettingValue{});
    for (std::size_t file : {0, 1, 2}) // what shows the rules of each file follows
        readRuleFile(observer, file, [this, file] {
            LoadFindings none;
            readRules(file, none); // no file is named yet: the rules are emptied
        });
    settingsFileMissing_ = !fileExists(settingsFile_);
    settingsProblem_ = profileFileProblem(settingsFile_);
    replaceSettingsFile_ = false;

    // Each rule file is read as soon as the setting that names it is read. A load that stops leaves no memory of
    // what was read: the next save then writes every setting.
    settingsAsRead_.clear();
    settingsAsRead_ = loadServerSettings(
        settingsFile_,
        [this, &observer](const ServerSetting& s, const SettingValue& value) {
            settings_[static_cast<std::size_t>(&s - kServerSettings.data())] = value;
            if (observer.settingRead)
                observer.settingRead(s, value);
        },
        [this, &observer](LoadPoint point) {
            if (point == LoadPoint::CacheSkipFileKnown || point == LoadPoint::RouterFileKnown) {
                const std::size_t file = point == LoadPoint::CacheSkipFileKnown ? 1 : 2;
                readRuleFile(observer, file, [this, file] { readRules(file, loadFindings_); });
            }
            if (observer.reached)
                observer.reached(point);
        });
    readRuleFile(observer, 0, [this] { readRules(0, loadFindings_); });

    unchangedRuleFiles_ = ruleFileStampsNow();
    if (!settingsProblem_.empty())
        findings_.push_back({settingsFile_, 0, {}, settingsProblem_ + " (the defaults are shown)"});
    addFindings(loadFindings_.findings());
    loadFindings_ = LoadFindings();
}

// The rules of one file as its name gives them now; a file that cannot be read leaves no rules of an earlier
// reading.
void Configuration::readRules(std::size_t file, LoadFindings& findings) {
    const RuleFileNames names = ruleFileNames();
    if (file == 0) {
        groups_ = GroupTable();
        LoadAccessRules(names.accessRules, groups_, &findings);
    } else if (file == 1) {
        cacheSkipLines_.clear();
        cacheSkipLines_ = loadCacheSkipLines(names.cacheSkip, &findings);
    } else {
        standardServices_ = {};
        manualServices_.clear();
        loadPortMapping(names.portMapping, standardServices_, manualServices_, &findings);
    }
}

void Configuration::rereadRules(std::size_t file, const LoadObserver& observer) {
    const FileRecord::Recording recording(readFiles_);
    LoadFindings dropped;
    readRuleFile(observer, file, [this, file, &dropped] { readRules(file, dropped); });
    addFindings(dropped.findings());
}

void Configuration::addFindings(std::vector<Finding> findings) {
    std::move(findings.begin(), findings.end(), std::back_inserter(findings_));
}

std::vector<Leftover> Configuration::leftovers() {
    const RuleFileNames rules = ruleFileNames();
    std::vector<Leftover> found = findLeftovers({settingsFile_, rules.accessRules, rules.cacheSkip, rules.portMapping});
    for (const std::string& backup : putBackStrandedBackups(found))
        findings_.push_back({backup, 0, {}, "was put back from where a save cut short had left it"});
    return found;
}

void Configuration::settleLeftovers(std::vector<Leftover> leftovers, bool removeRemovable) {
    if (removeRemovable) {
        for (const std::string& failure : removeLeftovers(leftovers))
            findings_.push_back({{}, 0, {}, failure});
        std::erase_if(leftovers, [](const Leftover& leftover) { return leftover.removable; });
    }
    for (const Leftover& leftover : leftovers)
        findings_.push_back({leftover.path, 0, {}, whatItIs(leftover)});
}

GroupTable Configuration::readAccessRules(const std::string& file, LoadFindings& dropped) {
    const FileRecord::Recording recording(readFiles_);
    GroupTable other;
    LoadAccessRules(file, other, &dropped);
    return other;
}

std::vector<std::string> Configuration::readCacheSkipRules(const std::string& file, LoadFindings& dropped) {
    const FileRecord::Recording recording(readFiles_);
    return loadCacheSkipLines(file, &dropped);
}

void Configuration::readPortMapping(const std::string& file, StandardServices& standard, RuleLines& manual,
                                    LoadFindings& dropped) {
    const FileRecord::Recording recording(readFiles_);
    loadPortMapping(file, standard, manual, &dropped);
}

bool Configuration::hasRules(std::size_t file) const {
    switch (file) {
    case 0: {
        std::vector<std::string> lines;
        for (int group = 0; group < GroupTable::kSlotCount; ++group)
            if (const TProxyUsers* record = groups_.find(group))
                record->WriteTo(lines);
        // A load of no access file leaves group 0 with its default name: no rules of the user's.
        return !lines.empty() && lines != std::vector<std::string>{"GN:0:AllUsers:"};
    }
    case 1:
        return !cacheSkipLines_.empty();
    default:
        return !manualServices_.empty() || standardServices_ != StandardServices{};
    }
}

std::vector<RuleFileClash> Configuration::ruleFileClashes(const OtherFiles& others) const {
    return ::ruleFileClashes(ruleFileNames(), others);
}

// ---------------------------------------------------------------------------------------------------------------
// Saving

std::vector<RuleFileContent> Configuration::ruleFileContentsNow() const {
    return ruleFileContents(ruleFileNames(), groups_, cacheSkipLines_, standardServices_, manualServices_);
}

// The rule files a save writes: those whose name or content differs from what was last read or written. A file the
// user did not change is left as it is, with its backup, whatever it holds (lines the load left out, changes made
// by someone else since).
std::vector<RuleFileStamp> Configuration::ruleFileStampsNow() const {
    return ruleFileStamps(ruleFileNames(), groups_, cacheSkipLines_, standardServices_, manualServices_);
}

bool Configuration::unchanged(const RuleFileStamp& file) const {
    return std::find(unchangedRuleFiles_.begin(), unchangedRuleFiles_.end(), file) != unchangedRuleFiles_.end();
}

std::vector<RuleFileContent> Configuration::changedRuleFiles(std::vector<RuleFileContent> contents) const {
    std::erase_if(contents, [this](const RuleFileContent& file) { return unchanged(stampOf(file)); });
    return contents;
}

SavedSettings Configuration::preparedSettings(ConflictChoice onConflict) const {
    return prepareServerSettings(
        settingsFile_,
        [this](const ServerSetting& s) { return settings_[static_cast<std::size_t>(&s - kServerSettings.data())]; },
        settingsAsRead_, replaceSettingsFile_, onConflict);
}

// The rule files first and glym30.ini last: at every moment the settings name files that hold their rules.
std::vector<FileToWrite> Configuration::writesOf(std::vector<RuleFileContent> changed,
                                                 std::optional<FileToWrite> settings) const {
    std::vector<FileToWrite> files;
    for (RuleFileContent& file : changed)
        files.push_back({std::move(file.name),
                         std::move(file.bytes),
                         {.keepBackup = true, .refuseWriteProtected = false, .newFileLike = settingsFile_}});
    if (settings)
        files.push_back(std::move(*settings));
    return files;
}

std::vector<FileToWrite> Configuration::changes(ConflictChoice onConflict) const {
    return writesOf(changedRuleFiles(ruleFileContentsNow()), preparedSettings(onConflict).write);
}

// Before a save replaces a file, it makes sure the file still holds what was read from it (or last written there).
// A rule file that could not be read is named apart: the configuration does not hold its rules.
std::vector<Configuration::OutsideChange> Configuration::checkFiles() {
    std::vector<std::string> files = {settingsFile_}; // each file once, under the first name of it
    for (const RuleFileStamp& file : ruleFileStampsNow())
        if (!unchanged(file) && !sameFile(file.name, files.front()))
            files.push_back(file.name);

    // What the files hold now, before they are compared: a change after this stops the save.
    checkedFiles_.clear();
    {
        const FileRecord::Recording recording(checkedFiles_);
        for (const std::string& file : files) {
            try {
                readWholeFileIfPresent(file);
            } catch (const GlymError&) {
                // noted as unreadable: a file that cannot be read is not compared
            }
        }
    }
    std::vector<OutsideChange> found;
    for (const std::string& file : files) {
        // glym30.ini, and anything that is no regular file, the writers refuse to replace themselves.
        if (const auto reason = readFiles_.unreadable(file); reason && file != settingsFile_ && fileExists(file))
            found.push_back({file, *reason, true});
        else if (const DiskChange change = readFiles_.changeOnDisk(file); change != DiskChange::None)
            found.push_back({file, std::string(describe(change)), false});
    }
    return found;
}

std::vector<Configuration::OutsideChange> Configuration::changedOnDisk() const {
    const RuleFileNames rules = ruleFileNames();
    std::vector<std::string> files = {settingsFile_};
    for (const std::string* file : {&rules.accessRules, &rules.cacheSkip, &rules.portMapping})
        if (!file->empty() && std::none_of(files.begin(), files.end(),
                                           [file](const std::string& known) { return sameFile(known, *file); }))
            files.push_back(*file);
    std::vector<OutsideChange> found;
    for (const std::string& file : files)
        if (const DiskChange change = readFiles_.changeOnDisk(file); change != DiskChange::None)
            found.push_back({file, std::string(describe(change)), false});
    return found;
}

history::FileRole Configuration::roleOf(const std::string& file) const {
    if (sameFile(file, settingsFile_))
        return history::FileRole::Settings;
    const RuleFileNames rules = ruleFileNames();
    if (sameFile(file, rules.cacheSkip))
        return history::FileRole::CacheSkip;
    if (sameFile(file, rules.portMapping))
        return history::FileRole::PortMapping;
    return history::FileRole::AccessRules;
}

// A file as two versions, named as glym30.ini names it (the settings file by its own name); nothing: no such file.
history::FileChange Configuration::fileChange(const std::string& file, const std::string* older,
                                              const std::string* newer) const {
    const history::FileRole role = roleOf(file);
    const std::string name = role == history::FileRole::Settings ? baseNameOf(file) : file;
    return {role, older ? name : std::string(), newer ? name : std::string(),
            textdiff::diffLines(older ? *older : std::string_view(), newer ? *newer : std::string_view())};
}

namespace {

void sortByRole(std::vector<history::FileChange>& files) {
    std::stable_sort(files.begin(), files.end(),
                     [](const history::FileChange& a, const history::FileChange& b) { return a.role < b.role; });
}

} // namespace

std::vector<history::FileChange> Configuration::pendingChanges() const {
    FileRecord apart; // a look at the files is no reading of the configuration
    const FileRecord::Recording quiet(apart);
    std::vector<history::FileChange> files;
    for (const FileToWrite& write : changes()) {
        const std::optional<std::string> onDisk = readWholeFileIfPresent(write.path);
        files.push_back(fileChange(write.path, onDisk ? &*onDisk : nullptr, &write.bytes));
    }
    sortByRole(files);
    return files;
}

Configuration::ChangesSinceRead Configuration::changesSinceRead(const std::vector<OutsideChange>& changed) const {
    FileRecord apart;
    const FileRecord::Recording quiet(apart);
    ChangesSinceRead sides;
    for (const OutsideChange& change : changed) {
        const std::shared_ptr<const std::string> read = bytesAsRead(change.file);
        const std::optional<std::string> onDisk = readWholeFileIfPresent(change.file);
        sides.theirs.push_back(fileChange(change.file, read.get(), onDisk ? &*onDisk : nullptr));
    }
    for (const FileToWrite& write : changes()) {
        const std::shared_ptr<const std::string> read = bytesAsRead(write.path);
        if (!sameFile(write.path, settingsFile_)) {
            sides.ours.push_back(fileChange(write.path, read.get(), &write.bytes));
            continue;
        }
        const SavedSettings merged = prepareServerSettingsFrom(
            settingsFile_, read ? *read : std::string(),
            [this](const ServerSetting& s) { return settings_[static_cast<std::size_t>(&s - kServerSettings.data())]; },
            settingsAsRead_);
        if (merged.write)
            sides.ours.push_back(fileChange(write.path, read.get(), &merged.write->bytes));
    }
    for (std::vector<history::FileChange>* side : {&sides.theirs, &sides.ours}) {
        std::erase_if(*side, [](const history::FileChange& file) { return file.diff.counts.same(); });
        sortByRole(*side);
    }
    return sides;
}

std::vector<SettingConflict> Configuration::settingConflicts() const {
    if (replaceSettingsFile_)
        return {}; // the file is replaced, not merged into
    return ::settingConflicts(
        settingsFile_,
        [this](const ServerSetting& s) { return settings_[static_cast<std::size_t>(&s - kServerSettings.data())]; },
        settingsAsRead_);
}

Configuration::SaveResult Configuration::save(ConflictChoice onConflict, const std::string& comment) {
    // A save that does not happen leaves the record as it was: the files it had replaced are put back.
    FileRecord asBefore = readFiles_;
    SavedSettings settings;
    {
        // What the merge reads of glym30.ini is what the next save compares with, written or not (settings.asRead
        // holds it): a change someone else made there, taken in by this save, is not told again.
        const FileRecord::Recording reading(readFiles_);
        settings = preparedSettings(onConflict);
    }
    std::vector<RuleFileStamp> stamps;
    std::vector<std::string> changed; // the names of the rule files written
    std::vector<FileToWrite> writes;
    {
        std::vector<RuleFileContent> contents = ruleFileContentsNow();
        for (const RuleFileContent& file : contents)
            stamps.push_back(stampOf(file));
        contents = changedRuleFiles(std::move(contents));
        for (const RuleFileContent& file : contents)
            changed.push_back(file.name);
        writes = writesOf(std::move(contents), std::move(settings.write));
    }
    // Each file replaced must still be what the check before the save saw (a file not checked: what was read).
    SaveOutcome outcome;
    try {
        const FileRecord::Recording recording(readFiles_, true);
        outcome = writeFilesTogether(std::move(writes), [this, &asBefore](const std::string& file) {
            return (checkedFiles_.knows(file) ? checkedFiles_ : asBefore).changeOnDisk(file) == DiskChange::None;
        });
    } catch (...) {
        readFiles_ = asBefore;
        throw;
    }
    if (!outcome.changedMeanwhile.empty()) {
        readFiles_ = asBefore;
        return {{}, outcome.changedMeanwhile};
    }
    asBefore.clear(); // the bytes read before go now, not after the history has read the files again
    settingsAsRead_ = std::move(settings.asRead);
    unchangedRuleFiles_ = std::move(stamps);
    settingsFileMissing_ = false;
    settingsProblem_.clear();
    replaceSettingsFile_ = false;
    // The files written now hold what the configuration holds: no line the load left out is in them any more.
    std::erase_if(findings_, [&changed, this](const Finding& finding) {
        return finding.file == settingsFile_ ||
               std::any_of(changed.begin(), changed.end(),
                           [&finding](const std::string& file) { return sameFile(file, finding.file); });
    });
    SaveResult result{std::move(outcome.notes), {}, 0};
    if (history_) {
        FileRecord apart; // the history's reading is no reading of the configuration
        const FileRecord::Recording quiet(apart);
        try {
            result.generation = recordInHistory(filesOnDisk(), comment, result.notes);
        } catch (const std::exception& error) {
            result.notes.push_back(historyFailure(error));
        }
    }
    return result;
}

// ---------------------------------------------------------------------------------------------------------------
// The history

std::string Configuration::configurationDirectory() const {
    return directoryOf(settingsFile_);
}

std::string Configuration::historyDirectory() const {
    return history_ ? history::storeDirectory(*history_, configurationDirectory()) : std::string();
}

history::Snapshot Configuration::filesOnDisk() const {
    history::Snapshot files;
    std::optional<std::string> settings = readWholeFileIfPresent(settingsFile_);
    std::vector<std::string> paths = {settingsFile_};
    files.push_back({history::FileRole::Settings, baseNameOf(settingsFile_), settings});
    if (!settings)
        return files;
    for (const auto& [role, control] : kRuleFileControls) {
        const ServerSetting& setting = kServerSettings[settingOfControl(control)];
        std::string name = readProfileString(*settings, std::string(setting.section), std::string(setting.key));
        const std::string path = pathInDirectory(directory_, name);
        if (name.empty() || std::any_of(paths.begin(), paths.end(),
                                        [&path](const std::string& known) { return sameFile(known, path); }))
            continue; // a file two keys name is one file, under its first role
        paths.push_back(path);
        files.push_back({role, std::move(name), readWholeFileIfPresent(path)});
    }
    return files;
}

// Records the files unless the configuration keeps no history; what went wrong in the history is noted, never
// thrown: the save stands.
unsigned Configuration::recordInHistory(const history::Snapshot& files, const std::string& comment,
                                        std::vector<std::string>& notes) const {
    const std::string directory = historyDirectory();
    if (directory.empty())
        return 0;
    try {
        const history::Store::Recorded recorded = history::Store(directory).record(files, comment, history_->keep);
        for (const std::string& problem : recorded.problems)
            notes.push_back("History: " + problem + ".");
        return recorded.generation.number;
    } catch (const std::exception& error) {
        notes.push_back(historyFailure(error));
        return 0;
    }
}

Configuration::SaveResult Configuration::restore(unsigned number, const std::string& comment) {
    // The history's reading and writing is no reading of the configuration: the record of what was read stays.
    FileRecord apart;
    const FileRecord::Recording quiet(apart);
    const std::string directory = historyDirectory();
    if (directory.empty())
        throw GlymError("This configuration keeps no history.");
    const history::Store store(directory);
    const history::Generation generation = store.generation(number);
    const history::Snapshot restored = store.files(generation);
    const std::string restoring = "generation " + std::to_string(number);

    // The files as they are now, noted: a change between now and their replacement stops the restore.
    FileRecord now;
    history::Snapshot current;
    std::vector<FileToWrite> writes;
    {
        const FileRecord::Recording recording(now);
        current = filesOnDisk();
        writes = restoringWrites(restored);
    }
    // What would be lost must be in the history first: when it cannot be recorded, nothing is restored.
    SaveResult result;
    const std::optional<history::Generation> newest = store.newest();
    if (!newest || !history::holdsSameFiles(*newest, current))
        for (const std::string& problem : history::Store(directory)
                                              .record(current, "As found before restoring " + restoring, history_->keep)
                                              .problems)
            result.notes.push_back("History: " + problem + ".");
    if (writes.empty()) {
        result.notes.push_back("The files already hold " + restoring + ": nothing was written.");
        return result;
    }
    SaveOutcome outcome = writeFilesTogether(
        std::move(writes), [&now](const std::string& file) { return now.changeOnDisk(file) == DiskChange::None; });
    if (!outcome.changedMeanwhile.empty())
        return {{}, std::move(outcome.changedMeanwhile), 0};
    result.notes.insert(result.notes.end(), outcome.notes.begin(), outcome.notes.end());
    result.generation =
        recordInHistory(filesOnDisk(), "Restored " + restoring + (comment.empty() ? "" : ": " + comment), result.notes);
    return result;
}

// The writes that make the files what the snapshot holds: those that differ, rule files first (each keeping its
// backup, as a save does), glym30.ini last. Reads the files it compares.
std::vector<FileToWrite> Configuration::restoringWrites(const history::Snapshot& files) const {
    std::vector<FileToWrite> writes;
    std::optional<FileToWrite> settings;
    std::vector<std::string> paths;
    for (const history::SnapshotFile& file : files) {
        const bool isSettings = file.role == history::FileRole::Settings;
        const std::string path = isSettings ? settingsFile_ : pathInDirectory(directory_, file.name);
        if (std::any_of(paths.begin(), paths.end(),
                        [&path](const std::string& known) { return sameFile(known, path); }))
            continue;
        paths.push_back(path);
        const std::optional<std::string> onDisk = readWholeFileIfPresent(path);
        if (onDisk == file.bytes || (!onDisk && file.bytes && file.bytes->empty()) || (!file.bytes && !onDisk))
            continue;
        FileToWrite write{path, file.bytes.value_or(std::string()),
                          isSettings ? AtomicWriteOptions{.keepBackup = false, .refuseWriteProtected = true}
                                     : AtomicWriteOptions{.keepBackup = true, .newFileLike = settingsFile_}};
        if (isSettings)
            settings = std::move(write);
        else
            writes.push_back(std::move(write));
    }
    if (settings)
        writes.push_back(std::move(*settings));
    return writes;
}
