#pragma once

#include "common/FileIo.h"
#include "common/FileRecord.h"
#include "common/Findings.h"
#include "common/Leftovers.h"
#include "config/ServerSettings.h"
#include "history/Generation.h"
#include "history/SnapshotDiff.h"
#include "history/Store.h"
#include "rules/Proxyusers.h"
#include "rules/RulesFile.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The proxy's configuration as the configurator holds it, with no window: the 67 settings of glym30.ini, the rules
// of the three rule files, and what was read of each file, so that a save can tell what someone else changed since.
// The window shows it and changes it; the command line reads it the same way.
//
// Names of files are the proxy's: relative ones count from the current directory, which the window makes the
// configuration directory; the check, which leaves the current directory as it is, names the directory instead.
class Configuration {
public:
    // directory: where relative rule-file names count from ("" the current directory; see pathInDirectory).
    explicit Configuration(std::string settingsFile = "./glym30.ini", std::string directory = {});

    const std::string& settingsFile() const { return settingsFile_; }

    // The rules. Their lines change by the steps of document/ConfigurationChange.h (which the window's list models
    // put on its undo stack); a save writes what they hold.
    GroupTable& groups() { return groups_; }
    const GroupTable& groups() const { return groups_; }
    std::vector<std::string>& cacheSkipLines() { return cacheSkipLines_; }
    const std::vector<std::string>& cacheSkipLines() const { return cacheSkipLines_; }
    StandardServices& standardServices() { return standardServices_; }
    const StandardServices& standardServices() const { return standardServices_; }
    RuleLines& manualServices() { return manualServices_; }
    const RuleLines& manualServices() const { return manualServices_; }

    // The settings, by their index in kServerSettings, as the file's bytes. A load gives each the value read (or
    // the load default); a save stores what they hold, leaving every value that is still as read as the file has
    // it (untouched bytes stay).
    const SettingValue& setting(std::size_t index) const { return settings_.at(index); }
    void setSetting(std::size_t index, SettingValue value);
    // Whether value differs from what the setting held when it was last read or saved.
    bool differsFromRead(std::size_t index, const SettingValue& value) const {
        return settingChanged(settingsAsRead_, index, value);
    }
    // The index of the setting shown by a control (its objectName); kServerSettings.size() when there is none.
    static std::size_t settingOfControl(std::string_view control);
    // The rule files glym30.ini names, relative names joined to the directory; an empty name stays empty.
    RuleFileNames ruleFileNames() const;
    std::string connectionLog() const;

    // What the load tells as it goes: each setting as it is read, the points at which the window acts on what it
    // has so far, and a file that could not be read (the load goes on without it). The rules of each file (0 the
    // access rules, 1 the cache-skip rules, 2 the port-mapping rules) change only inside replacingRules, so that
    // what shows them can follow. Each may be left empty.
    struct LoadObserver {
        std::function<void(const ServerSetting&, const SettingValue&)> settingRead;
        std::function<void(LoadPoint)> reached;
        std::function<void(const std::string& message)> failed;
        std::function<void(std::size_t file, const std::function<void()>& change)> replacingRules;
    };

    // Reads glym30.ini and, in the order the proxy reads them, the cache-skip rules (once their setting is read),
    // the port-mapping rules, then the access rules. A settings file that cannot be read as settings shows the load
    // defaults (settingsProblem says why). An error of the settings themselves stops the load (GlymError).
    void load(const LoadObserver& observer);
    // Reads one rule file again (0, 1 or 2), under the name the settings now give it, in place of its rules.
    void rereadRules(std::size_t file, const LoadObserver& observer);
    bool settingsFileMissing() const { return settingsFileMissing_; }
    const std::string& settingsProblem() const { return settingsProblem_; }

    // What the load left out and everything else the window keeps telling about the files (a line 0 finding is
    // about a whole file), until a save writes the file again.
    const std::vector<Finding>& findings() const { return findings_; }
    void addFindings(std::vector<Finding> findings);

    // What a save cut short left beside the files: stranded backups are put back at once (and noted), the rest is
    // returned; removeLeftovers removes those that lose nothing, and everything that stays is noted.
    std::vector<Leftover> leftovers();
    void settleLeftovers(std::vector<Leftover> leftovers, bool removeRemovable);

    // Whether the file was read by the last load (or written by the last save), under this name or another one.
    bool wasRead(const std::string& file) const { return readFiles_.wasRead(file); }
    // The rules of another file, read into place of the ones held (a rule-file name changed to an existing file);
    // the file is then known as read.
    GroupTable readAccessRules(const std::string& file, LoadFindings& dropped);
    std::vector<std::string> readCacheSkipRules(const std::string& file, LoadFindings& dropped);
    void readPortMapping(const std::string& file, StandardServices& standard, RuleLines& manual, LoadFindings& dropped);

    // Rules held that no file is named for: 0 the access rules, 1 the cache-skip rules, 2 the port-mapping rules.
    bool hasRules(std::size_t file) const;
    // Why the rule-file names cannot be saved under (see ruleFileClashes).
    std::vector<RuleFileClash> ruleFileClashes(const OtherFiles& others) const;

    // What a save would write: the rule files changed since they were read, then glym30.ini (merged into the file
    // as it is now), each with its whole new content. Nothing changed: empty.
    std::vector<FileToWrite> changes(ConflictChoice onConflict = ConflictChoice::Mine) const;

    // The outside-change check before a save. The files the save would write are noted as they are now; a file a
    // later look finds otherwise stops the save (SaveResult::changedMeanwhile).
    struct OutsideChange {
        std::string file;
        std::string what; // "changed", "created", "deleted", or why it could not be read at the load
        bool unreadable = false;
    };
    std::vector<OutsideChange> checkFiles();
    // The files of the configuration (glym30.ini and the rule files its settings name) that someone else changed,
    // created or deleted since the last load read them or the last save wrote them.
    std::vector<OutsideChange> changedOnDisk() const;

    // What the last load read of the file (or the last save wrote there), byte for byte; nothing when it was
    // missing, could not be read, or was not read.
    std::shared_ptr<const std::string> bytesAsRead(const std::string& file) const { return readFiles_.bytes(file); }

    // The review before a save: how each file changes() would write differs from what is on disk now, glym30.ini
    // first. Reads the files (GlymError when one cannot be read).
    std::vector<history::FileChange> pendingChanges() const;

    // The two sides of an outside change. Theirs: for each file changed on disk, what was read against what the
    // file holds now. Ours: for each file a save would write, what was read against what the window makes of it
    // (the rule files as changes() gives them, glym30.ini merged into the file as it was read, not as it is now).
    // Files that are the same on a side are left out of it; glym30.ini first.
    struct ChangesSinceRead {
        std::vector<history::FileChange> theirs;
        std::vector<history::FileChange> ours;
    };
    ChangesSinceRead changesSinceRead(const std::vector<OutsideChange>& changed) const;

    // Settings changed both here and in glym30.ini since it was read.
    std::vector<SettingConflict> settingConflicts() const;
    // Keys glym30.ini lacks stay lacking at the next save unless their setting is changed (the window's save adds
    // them all, with the values it shows): the command line writes only what it is asked to.
    void leaveMissingKeysOut();
    // A glym30.ini that could not be read as settings is replaced by a save (kept as its backup) only after this.
    void allowReplacingSettingsFile() { replaceSettingsFile_ = true; }
    bool replacesSettingsFile() const { return replaceSettingsFile_; }

    struct SaveResult {
        // What the writes had to do differently, and why the history could not record the save (the save itself
        // stands).
        std::vector<std::string> notes;
        std::string changedMeanwhile; // the file changed since checkFiles; nothing was saved
        unsigned generation = 0;      // the generation the history recorded the save as; 0 when none
    };
    // Writes changes() as one save; on success, what it wrote is what the next save compares with, and the findings
    // about the files written are gone, and the history (see setHistory) records the files as a new generation with
    // the comment.
    SaveResult save(ConflictChoice onConflict = ConflictChoice::Mine, const std::string& comment = {});

    // The history every save records a generation in: none until this is called (a configuration made for a test
    // or a check records nothing).
    void setHistory(history::Place place) { history_ = std::move(place); }
    // Where this configuration's history is kept (see history::storeDirectory); empty when it keeps none.
    std::string historyDirectory() const;
    // glym30.ini as it is on disk, and the rule files it names (relative names counting from the directory), each
    // file once: what a generation of the history holds. GlymError when one exists but cannot be read.
    history::Snapshot filesOnDisk() const;

    // Writes the files of the history's generation `number` back, byte for byte, as one save (the caller holds the
    // SaveLock of the directory, as for save): glym30.ini and the rule files it named then, each under that name,
    // those that differ from the disk only. A file that generation did not have is emptied. When the files on disk
    // differ from the newest generation (someone changed them), they are recorded first, so that nothing is lost
    // (when that fails, nothing is restored); the files restored are recorded as a generation of their own, so that
    // restoring the one before undoes it.
    // A file that changes on disk meanwhile stops the restore (changedMeanwhile, nothing written). What the
    // configuration holds is not changed: load it again. GlymError when there is no such generation, or it or the
    // files cannot be read or written.
    SaveResult restore(unsigned number, const std::string& comment = {});

private:
    std::vector<RuleFileContent> ruleFileContentsNow() const;
    std::vector<RuleFileStamp> ruleFileStampsNow() const;
    bool unchanged(const RuleFileStamp& file) const;
    std::vector<RuleFileContent> changedRuleFiles(std::vector<RuleFileContent> contents) const;
    SavedSettings preparedSettings(ConflictChoice onConflict) const;
    std::vector<FileToWrite> writesOf(std::vector<RuleFileContent> changed, std::optional<FileToWrite> settings) const;
    void readRuleFile(const LoadObserver& observer, std::size_t file, const std::function<void()>& read);
    void readRules(std::size_t file, LoadFindings& findings);
    std::string configurationDirectory() const;
    std::vector<FileToWrite> restoringWrites(const history::Snapshot& files) const;
    history::FileRole roleOf(const std::string& file) const;
    history::FileChange fileChange(const std::string& file, const std::string* older, const std::string* newer) const;
    unsigned recordInHistory(const history::Snapshot& files, const std::string& comment,
                             std::vector<std::string>& notes) const;

    std::string settingsFile_;
    std::string directory_;
    GroupTable groups_;
    std::vector<std::string> cacheSkipLines_;
    StandardServices standardServices_;
    RuleLines manualServices_;
    std::vector<SettingValue> settings_;

    SettingsAsRead settingsAsRead_; // what the last load read of each setting and the file stored, or the last save
    // The rule files as the last load read them or the last save wrote them: a file whose name and content are
    // still the same is not written again (so it keeps its backup).
    std::vector<RuleFileStamp> unchangedRuleFiles_;
    FileRecord readFiles_{true}; // the files as the last load read them, or the last save wrote them, with their bytes
    FileRecord checkedFiles_;    // the files a save writes, as the check before it saw them
    LoadFindings loadFindings_;
    std::vector<Finding> findings_;
    std::string settingsProblem_;
    bool settingsFileMissing_ = false;
    bool replaceSettingsFile_ = false;
    std::optional<history::Place> history_;
};
