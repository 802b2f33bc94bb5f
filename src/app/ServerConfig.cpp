// The server settings file glym30.ini: the controls of the main window are the only copy of its values.

#include "app/Main.h"

#include "app/DroppedLines.h"
#include "base/MessageBoxes.h"
#include "base/Text.h"
#include "rules/CacheSkipFile.h"
#include "common/Error.h"
#include "common/FileIo.h"
#include "common/Leftovers.h"
#include "common/Numbers.h"
#include "config/IniFile.h"
#include "config/ServerSettings.h"
#include "ui_Main.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <algorithm>

namespace {

std::string str(std::string_view text) {
    return std::string(text);
}

QString name(std::string_view objectName) {
    return QString::fromLatin1(objectName.data(), objectName.size());
}

// Restores a flag when a scope ends, however it ends.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = false; }

private:
    bool& flag_;
};

} // namespace

void TMainWnd::connectSettingsControls() {
    for (const ServerSetting& setting : kServerSettings) {
        for (std::string_view control : {setting.control, setting.secondControl}) {
            if (control.empty())
                continue;
            QWidget* widget = findChild<QWidget*>(name(control));
            if (widget == ui_->EditMemoryPageCount || widget == ui_->EditMemoryPageSize)
                connect(static_cast<QLineEdit*>(widget), &QLineEdit::textChanged, this,
                        &TMainWnd::EditMemoryPageCountChange);
            else if (auto* edit = qobject_cast<QLineEdit*>(widget))
                connect(edit, &QLineEdit::textChanged, this, &TMainWnd::ValueChange);
            else if (auto* button = qobject_cast<QAbstractButton*>(widget))
                connect(button, &QAbstractButton::toggled, this, &TMainWnd::ValueChange);
            // A field the proxy reads as a number is marked while it is typed into (the memory fields by
            // their total, which needs them as numbers too).
            const bool numberField =
                setting.number.whole &&
                control == (setting.kind == SettingKind::Master ? setting.secondControl : setting.control);
            if (numberField && widget != ui_->EditMemoryPageCount && widget != ui_->EditMemoryPageSize)
                connect(static_cast<QLineEdit*>(widget), &QLineEdit::textChanged, this,
                        [this, edit = static_cast<QLineEdit*>(widget)] { markNumberField(edit); });
        }
    }
    for (QRadioButton* unit : {ui_->SwitchB, ui_->SwitchKB, ui_->SwitchMB, ui_->SwitchGB})
        connect(unit, &QRadioButton::toggled, this, [this](bool checked) {
            if (checked)
                SwitchBClick();
        });
    for (auto [button, handler] : std::initializer_list<std::pair<QToolButton*, void (TMainWnd::*)()>>{
             {ui_->SpeedButton1, &TMainWnd::SpeedButton1Click},
             {ui_->CheckFileSelect, &TMainWnd::CheckFileSelectClick},
             {ui_->SpeedButton9, &TMainWnd::SpeedButton9Click},
             {ui_->SpeedButton2, &TMainWnd::SpeedButton2Click},
             {ui_->SpeedButton3, &TMainWnd::SpeedButton3Click},
             {ui_->SpeedButton4, &TMainWnd::SpeedButton4Click},
             {ui_->SpeedButton5, &TMainWnd::SpeedButton5Click},
             {ui_->SpeedButton7, &TMainWnd::SpeedButton7Click},
             {ui_->SpeedButton6, &TMainWnd::SpeedButton6Click},
         })
        connect(button, &QToolButton::clicked, this, handler);
}

// Shows a setting's value in its controls.
void TMainWnd::showSetting(const ServerSetting& s, const SettingValue& value) {
    switch (s.kind) {
    case SettingKind::Text:
        findChild<QLineEdit*>(name(s.control))->setText(fromFileBytes(value.text));
        if (s.number.whole && s.control != "EditMemoryPageCount" && s.control != "EditMemoryPageSize")
            markNumberField(findChild<QLineEdit*>(name(s.control))); // the text may not have changed
        break;
    case SettingKind::Check:
        findChild<QCheckBox*>(name(s.control))->setChecked(value.on);
        break;
    case SettingKind::CacheType:
        findChild<QRadioButton*>(name(value.on ? s.control : s.secondControl))->setChecked(true);
        break;
    case SettingKind::Master:
        findChild<QLineEdit*>(name(s.control))->setText(fromFileBytes(value.text));
        findChild<QLineEdit*>(name(s.secondControl))->setText(fromFileBytes(value.port));
        markNumberField(findChild<QLineEdit*>(name(s.secondControl)));
        break;
    }
}

// After the memory keys are read, the total shows their exact product in bytes.
void TMainWnd::showMemoryTotalOfLoad() {
    computeMemoryTotal(); // marks a field that holds no number; the total is then "-"
    const auto count = parseInt64(ui_->EditMemoryPageCount->text().toStdString());
    const auto size = parseInt64(ui_->EditMemoryPageSize->text().toStdString());
    __int128 product = 0;
    if (count && size)
        product = static_cast<__int128>(*count) * *size;
    if (count && size && product >= INT64_MIN && product <= INT64_MAX)
        ui_->EditMemoryTotal->setText(QString::number(static_cast<qint64>(product)));
}

RuleFileNames TMainWnd::ruleFileNames() const {
    auto bytes = [](const QLineEdit* field) {
        return toFileBytes(field->text()).value_or(std::string());
    };
    return {bytes(ui_->CheckFile), bytes(ui_->CacheSkipFile), bytes(ui_->RouterFile)};
}

bool TMainWnd::LoadServerConfig() {
    return messages::guarded(this, [this] { loadServerConfig(); });
}

void TMainWnd::loadServerConfig() {
    FlagScope loading(loading_);
    // What is read now is what a save will compare the files on disk with.
    readFiles_.clear();
    const FileRecord::Recording recording(readFiles_);
    loadFindings_ = LoadFindings(); // what an earlier load that stopped half-way collected is not this load's
    keptFindings_.clear();
    LineTokenizer = std::make_unique<TStructString>("", ":");
    LineBuilder = std::make_unique<TUnStructString>(":");
    GroupCount = GroupTable::kSlotCount;
    const std::string settingsFile = IniFileName.toStdString();
    settingsFileMissing_ = !fileExists(settingsFile);
    settingsProblem_ = profileFileProblem(settingsFile);
    replaceSettingsFile_ = false;

    // Each rule file is read as soon as the setting that names it is shown. A load that stops leaves no memory of
    // what was shown: the next save then writes every setting from its controls.
    settingsAsRead_.clear();
    settingsAsRead_ = loadServerSettings(
        settingsFile, [this](const ServerSetting& s, const SettingValue& value) { showSetting(s, value); },
        [this](LoadPoint point) {
            switch (point) {
            case LoadPoint::MemoryPoolShown:
                showMemoryTotalOfLoad();
                break;
            case LoadPoint::CacheSkipFileKnown:
                LoadSkipActionExecute();
                break;
            case LoadPoint::RouterFileKnown:
                LoadMServiceActionExecute();
                break;
            }
        });

    // A file that cannot be read is reported; the load goes on, as it does after the other two rule files.
    messages::guarded(this, [this] { LoadAccessRules(ruleFileNames().accessRules, Groups, &loadFindings_); });
    fillRuleLists();
    setConfigChanged(false);
    markSavedState();
    acceptRuleFileNames();
    unchangedRuleFiles_ = ruleFileContentsNow();
    if (!settingsProblem_.empty())
        keptFindings_.push_back({IniFileName.toStdString(), 0, {}, settingsProblem_ + " (the defaults are shown)"});
    for (Finding& finding : loadFindings_.findings())
        keptFindings_.push_back(std::move(finding));
    loadFindings_ = LoadFindings();
    tidyLeftovers();
    showDroppedLines(ui_->StatusBar1, keptFindings_);
}

// What a save cut short left beside the files: a backup moved aside goes back to its name at once; the rest is
// offered for removal, except a file that may be the only copy of something. What stays is named in the note.
void TMainWnd::tidyLeftovers() {
    const RuleFileNames rules = ruleFileNames();
    std::vector<Leftover> leftovers =
        findLeftovers({IniFileName.toStdString(), rules.accessRules, rules.cacheSkip, rules.portMapping});
    for (const std::string& backup : putBackStrandedBackups(leftovers))
        keptFindings_.push_back({backup, 0, {}, "was put back from where a save cut short had left it"});
    QStringList removable;
    for (const Leftover& leftover : leftovers)
        if (leftover.removable)
            removable << fromFileBytes(leftover.path);
    if (!removable.isEmpty() &&
        messages::ask(this, QStringLiteral("Confirm"),
                      QStringLiteral("A save that was cut short left these files, whose content is held elsewhere "
                                     "or was never saved:\n\n    %1\n\nRemove them?")
                          .arg(removable.join(QStringLiteral("\n    "))),
                      QMessageBox::Yes | QMessageBox::No, QMessageBox::Question, {},
                      QMessageBox::Yes) == QMessageBox::Yes) {
        for (const std::string& failure : removeLeftovers(leftovers))
            keptFindings_.push_back({{}, 0, {}, failure});
        std::erase_if(leftovers, [](const Leftover& leftover) { return leftover.removable; });
    }
    for (const Leftover& leftover : leftovers)
        keptFindings_.push_back({leftover.path, 0, {}, whatItIs(leftover)});
}

// A setting's value as its controls hold it. Text that glym30.ini (Windows-1251) cannot store refuses the save,
// which then writes nothing.
SettingValue TMainWnd::settingValue(const ServerSetting& s) const {
    auto bytesOf = [&s, this](std::string_view control) {
        const std::optional<std::string> bytes = toFileBytes(findChild<QLineEdit*>(name(control))->text());
        if (!bytes)
            throw GlymError("Nothing was saved: the setting \"" + str(s.key) + "\" of [" + str(s.section) +
                            "] holds a character that glym30.ini cannot store (Windows-1251).");
        return *bytes;
    };
    switch (s.kind) {
    case SettingKind::Text:
        return {bytesOf(s.control), {}, false};
    case SettingKind::Check:
        return {{}, {}, findChild<QCheckBox*>(name(s.control))->isChecked()};
    case SettingKind::CacheType:
        return {{}, {}, findChild<QRadioButton*>(name(s.control))->isChecked()};
    case SettingKind::Master:
        return {bytesOf(s.control), bytesOf(s.secondControl), false};
    }
    return {};
}

// One save at a time in the directory (two windows, the command line): the lock is held from the check of the files
// to the last replacement. A file that changes on disk between the check and its replacement stops the save with
// nothing changed, and the check asks again.
bool TMainWnd::SaveServerConfig() {
    if (!confirmSettingsBeforeSave() || !nameRuleFilesToCreate() || refusedRuleFileNames())
        return false;
    const SaveLock lock(QFile::encodeName(ProgramDir.trimmed()).toStdString());
    for (;;) {
        switch (checkFilesBeforeSave()) {
        case SaveCheck::Save: {
            if (!resolveSettingConflicts())
                return false;
            bool changedMeanwhile = false;
            if (!messages::guarded(this, [&] { changedMeanwhile = !saveServerConfig(); }))
                return false;
            if (changedMeanwhile)
                continue;
            return true;
        }
        case SaveCheck::Reload:
            reloadConfiguration();
            return false;
        case SaveCheck::Cancel:
            return false;
        }
    }
}

// The rule files a save writes: those whose name or content differs from what was last read or written. A file the
// user did not change is left as it is, with its backup, whatever it holds (lines the load left out, changes made
// by someone else since).
std::vector<RuleFileContent> TMainWnd::ruleFilesToWrite(const std::vector<RuleFileContent>& contents) const {
    std::vector<RuleFileContent> changed;
    for (const RuleFileContent& file : contents)
        if (std::find(unchangedRuleFiles_.begin(), unchangedRuleFiles_.end(), file) == unchangedRuleFiles_.end())
            changed.push_back(file);
    return changed;
}

// The rule files first and glym30.ini last, as one save (writeFilesTogether): at every moment the settings name
// files that hold their rules. glym30.ini is merged into (every line the window does not hold is kept); the rule
// files are written only when changed (ruleFilesToWrite). Returns false, with nothing saved, when a file changed on
// disk after the check.
bool TMainWnd::saveServerConfig() {
    QDir::setCurrent(ProgramDir.trimmed());
    const FileRecord::Recording recording(readFiles_, true);
    SavedSettings settings = prepareServerSettings(
        IniFileName.toStdString(), [this](const ServerSetting& s) { return settingValue(s); }, settingsAsRead_,
        replaceSettingsFile_, settingConflictChoice_);
    const std::vector<RuleFileContent> contents = ruleFileContentsNow();
    const std::vector<RuleFileContent> changed = ruleFilesToWrite(contents);
    std::vector<FileToWrite> files;
    for (const RuleFileContent& file : changed)
        files.push_back(
            {file.name,
             file.bytes,
             {.keepBackup = true, .refuseWriteProtected = false, .newFileLike = IniFileName.toStdString()}});
    if (settings.write)
        files.push_back(std::move(*settings.write));
    const SaveOutcome outcome =
        writeFilesTogether(std::move(files), [this](const std::string& file) { return stillAsChecked(file); });
    if (!outcome.changedMeanwhile.empty())
        return false;
    settingsAsRead_ = std::move(settings.asRead);
    unchangedRuleFiles_ = contents;
    settingsFileMissing_ = false;
    settingsProblem_.clear();
    replaceSettingsFile_ = false;
    acceptRuleFileNames();
    setConfigChanged(false);
    // The files written now hold what the window holds: no line the load left out is in them any more.
    std::erase_if(keptFindings_, [&changed, this](const Finding& finding) {
        return finding.file == IniFileName.toStdString() ||
               std::any_of(changed.begin(), changed.end(),
                           [&finding](const RuleFileContent& file) { return sameFile(file.name, finding.file); });
    });
    showDroppedLines(ui_->StatusBar1, keptFindings_);
    markSavedState();
    QStringList said;
    for (const std::string& note : outcome.notes)
        said << fromFileBytes(note);
    statusPanel1_->setText(said.join(u' ')); // also takes away what an earlier save had to say
    statusPanel1_->setToolTip(statusPanel1_->text());
    return true;
}

// Whether the file on disk is still what the check before the save saw.
bool TMainWnd::stillAsChecked(const std::string& file) const {
    return (checkedFiles_.knows(file) ? checkedFiles_ : readFiles_).changeOnDisk(file) == DiskChange::None;
}

namespace {

QString listed(const QStringList& files) {
    return QStringLiteral("\n\n    ") + files.join(QStringLiteral("\n    ")) + QStringLiteral("\n\n");
}

} // namespace

// Before a save replaces a file, it makes sure the file still holds what the window read from it (or last wrote
// there). A rule file that could not be read is not replaced unless the user says so: the window does not hold its
// rules. A file someone else has changed, created or deleted since is not overwritten without a question either.
TMainWnd::SaveCheck TMainWnd::checkFilesBeforeSave() {
    QDir::setCurrent(ProgramDir.trimmed());
    if (!replaceUnusableSettingsFile())
        return SaveCheck::Cancel;
    std::vector<std::string> files = {IniFileName.toStdString()}; // each file once, under the first name of it
    for (const RuleFileContent& file : ruleFilesToWrite(ruleFileContentsNow()))
        if (!sameFile(file.name, files.front()))
            files.push_back(file.name);

    // What the files hold now, before they are compared and listed: a change after this stops the save and asks.
    noteFilesAsChecked(files);
    QStringList unreadable;
    QStringList changed;
    for (const std::string& file : files) {
        // glym30.ini, and anything that is no regular file, the writers refuse to replace themselves.
        if (const auto reason = readFiles_.unreadable(file);
            reason && file != IniFileName.toStdString() && fileExists(file))
            unreadable << QStringLiteral("%1 (%2)").arg(fromFileBytes(file), fromFileBytes(*reason));
        else if (const DiskChange change = readFiles_.changeOnDisk(file); change != DiskChange::None)
            changed << QStringLiteral("%1 (%2)").arg(fromFileBytes(file), fromFileBytes(describe(change)));
    }

    const std::pair<QMessageBox::StandardButton, QString> overwrite{QMessageBox::Save, QStringLiteral("Overwrite")};
    if (!unreadable.isEmpty() &&
        messages::ask(this, QStringLiteral("Warning"),
                      QStringLiteral("These rule files could not be read when the configuration was loaded, so the "
                                     "window does not hold their rules:") +
                          listed(unreadable) +
                          QStringLiteral("Saving would replace their content with what the window shows (the "
                                         "present content would be kept only as the .bak file).\n\n"
                                         "Overwrite: write them anyway.\nCancel: save nothing."),
                      QMessageBox::Save | QMessageBox::Cancel, QMessageBox::Warning, {overwrite},
                      QMessageBox::Cancel) != QMessageBox::Save)
        return SaveCheck::Cancel;
    if (changed.isEmpty())
        return SaveCheck::Save;
    switch (messages::ask(
        this, QStringLiteral("Warning"),
        QStringLiteral("These files were changed on disk by someone else since the configurator read them:") +
            listed(changed) +
            QStringLiteral("Overwrite: save the configuration of the window over them.\n"
                           "Reload: read the files again; the changes made in the window are lost.\n"
                           "Cancel: save nothing."),
        QMessageBox::Save | QMessageBox::Reset | QMessageBox::Cancel, QMessageBox::Warning,
        {overwrite, {QMessageBox::Reset, QStringLiteral("Reload")}}, QMessageBox::Cancel)) {
    case QMessageBox::Save:
        return SaveCheck::Save;
    case QMessageBox::Reset:
        return SaveCheck::Reload;
    default:
        return SaveCheck::Cancel;
    }
}

// What the files hold when the check looks at them: a change after that (while a question is open, or before the
// file is replaced) stops the save and asks again.
void TMainWnd::noteFilesAsChecked(const std::vector<std::string>& files) {
    checkedFiles_.clear();
    const FileRecord::Recording recording(checkedFiles_);
    for (const std::string& file : files) {
        try {
            readWholeFileIfPresent(file);
        } catch (const GlymError&) {
            // noted as unreadable: a file that cannot be read is not compared
        }
    }
}

// glym30.ini is saved as the changes of the window applied to the file as it is now: a setting the window did not
// change keeps what someone else made of it. A setting changed on both sides, to different values, is named with
// both values; the user says which stay.
bool TMainWnd::resolveSettingConflicts() {
    settingConflictChoice_ = ConflictChoice::Mine;
    if (replaceSettingsFile_)
        return true; // the file is replaced, not merged into
    std::vector<SettingConflict> conflicts;
    if (!messages::guarded(this, [this, &conflicts] {
            QDir::setCurrent(ProgramDir.trimmed());
            conflicts = settingConflicts(
                IniFileName.toStdString(), [this](const ServerSetting& s) { return settingValue(s); }, settingsAsRead_);
        }))
        return false;
    if (conflicts.empty())
        return true;
    QStringList keys;
    for (const SettingConflict& conflict : conflicts) {
        const ServerSetting& setting = kServerSettings[conflict.index];
        const QString theirs = conflict.theirs ? QStringLiteral("\"%1\"").arg(fromFileBytes(*conflict.theirs))
                                               : QStringLiteral("no such key");
        keys << QStringLiteral("[%1] %2: here \"%3\", on disk %4")
                    .arg(name(setting.section), name(setting.key), fromFileBytes(conflict.mine), theirs);
    }
    switch (messages::ask(
        this, QStringLiteral("Warning"),
        QStringLiteral("These settings of %1 were changed both in the window and on disk by someone else since the "
                       "configurator read it:")
                .arg(IniFileName) +
            listed(keys) +
            QStringLiteral("Use mine: save the values of the window.\nKeep theirs: keep the values on disk (the "
                           "window's other changes are saved).\nCancel: save nothing."),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Warning,
        {{QMessageBox::Save, QStringLiteral("Use mine")}, {QMessageBox::Discard, QStringLiteral("Keep theirs")}},
        QMessageBox::Cancel)) {
    case QMessageBox::Save:
        return true;
    case QMessageBox::Discard:
        settingConflictChoice_ = ConflictChoice::Theirs;
        return true;
    default:
        return false;
    }
}

// A glym30.ini that exists but could not be read as settings (no permission, an I/O error, UTF-16 text) holds
// what the window does not: it is replaced only when the user says so, and its content is then kept as its backup.
bool TMainWnd::replaceUnusableSettingsFile() {
    if (settingsProblem_.empty() || replaceSettingsFile_ || !fileExists(IniFileName.toStdString()))
        return true;
    const std::pair<QMessageBox::StandardButton, QString> overwrite{QMessageBox::Save, QStringLiteral("Overwrite")};
    replaceSettingsFile_ =
        messages::ask(this, QStringLiteral("Warning"),
                      QStringLiteral("%1 %2, so the window shows the default settings, not its own.\n\n"
                                     "Overwrite: replace it with the settings the window shows (its present content "
                                     "is kept as %1.bak).\nCancel: save nothing.")
                          .arg(IniFileName, fromFileBytes(settingsProblem_)),
                      QMessageBox::Save | QMessageBox::Cancel, QMessageBox::Warning, {overwrite},
                      QMessageBox::Cancel) == QMessageBox::Save;
    return replaceSettingsFile_;
}

bool TMainWnd::confirmSettingsBeforeSave() {
    return confirmNumberFields() && confirmParentProxy();
}

// Fields the proxy reads as numbers whose text it cannot read (the marked ones, untouched values of the file
// too) are listed; they are saved as they stand only when the user says so.
bool TMainWnd::confirmNumberFields() {
    QStringList marked;
    for (const ServerSetting& setting : kServerSettings) {
        if (!setting.number.whole)
            continue;
        const auto* field =
            findChild<QLineEdit*>(name(setting.kind == SettingKind::Master ? setting.secondControl : setting.control));
        if (const QString problem = numberFieldProblem(field); !problem.isEmpty())
            marked << QStringLiteral("[%1] %2: %3").arg(name(setting.section), name(setting.key), problem);
    }
    return marked.isEmpty() ||
           messages::ask(
               this, QStringLiteral("Warning"),
               QStringLiteral("These settings hold values that the proxy cannot read as its numbers:") +
                   listed(marked) + QStringLiteral("Save anyway: store them as they stand.\nCancel: save nothing."),
               QMessageBox::Save | QMessageBox::Cancel, QMessageBox::Warning,
               {{QMessageBox::Save, QStringLiteral("Save anyway")}}, QMessageBox::Cancel) == QMessageBox::Save;
}

// A parent proxy needs its address and its port. When the user has left only one of them, the save stores none;
// an untouched value of the file is kept as it stands.
bool TMainWnd::confirmParentProxy() {
    const auto master = std::find_if(kServerSettings.begin(), kServerSettings.end(),
                                     [](const ServerSetting& s) { return s.kind == SettingKind::Master; });
    const QString address = ui_->EditParentIP->text();
    const QString port = ui_->EditParentPort->text();
    if (address.isEmpty() == port.isEmpty())
        return true;
    // Text Windows-1251 cannot hold (the save refuses it later) counts as changed: no file value holds "\n".
    const SettingValue shown{toFileBytes(address).value_or("\n"), toFileBytes(port).value_or("\n"), false};
    if (!settingChanged(settingsAsRead_, static_cast<std::size_t>(master - kServerSettings.begin()), shown))
        return true;
    const QString half = address.isEmpty() ? QStringLiteral("the port \"%1\" but no address").arg(port)
                                           : QStringLiteral("the address \"%1\" but no port").arg(address);
    return messages::ask(this, QStringLiteral("Warning"),
                         QStringLiteral("The parent proxy has %1: the proxy needs both to use it.\n\n"
                                        "Save without parent proxy: store no parent proxy (an empty Master of "
                                        "[Server]).\nCancel: save nothing.")
                             .arg(half),
                         QMessageBox::Save | QMessageBox::Cancel, QMessageBox::Warning,
                         {{QMessageBox::Save, QStringLiteral("Save without parent proxy")}},
                         QMessageBox::Cancel) == QMessageBox::Save;
}

void TMainWnd::CreateDefaultServerConfig() {
    const auto answer =
        messages::ask(this, QStringLiteral("Warning"), QStringLiteral("GLYM30.ini not found. Create new?"),
                      QMessageBox::Yes | QMessageBox::No, QMessageBox::Question);
    if (answer == QMessageBox::Yes) {
        messages::guarded(this, [this] { createDefaultServerSettings(IniFileName.toStdString()); });
    }
    raise();
    activateWindow();
}
