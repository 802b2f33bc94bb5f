// The configuration read into the window and saved from it: the document holds it, the settings pages and the
// rule lists show it.

#include "app/Main.h"

#include "app/DroppedLines.h"
#include "base/ListModels.h"
#include "base/ListViews.h"
#include "base/MessageBoxes.h"
#include "base/Text.h"
#include "cacheskip/CacheSkipEditor.h"
#include "portmap/ServiceList.h"
#include "session/RuleFileFields.h"
#include "session/SaveQuestions.h"
#include "session/SettingsForm.h"
#include "ui_Main.h"

#include <QDir>
#include <QLabel>
#include <QRadioButton>
#include <QToolButton>

namespace {

// Restores a flag when a scope ends, however it ends.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = false; }

private:
    bool& flag_;
};

} // namespace

bool TMainWnd::LoadServerConfig() {
    return messages::guarded(this, [this] { loadServerConfig(); });
}

// Each rule file is read as soon as the setting that names it is shown, and its list follows at once.
void TMainWnd::loadServerConfig() {
    FlagScope loading(loading_);
    LineTokenizer = std::make_unique<TStructString>("", ":");
    LineBuilder = std::make_unique<TUnStructString>(":");
    GroupCount = GroupTable::kSlotCount;
    Configuration::LoadObserver observer{
        .settingRead = [this](const ServerSetting& s, const SettingValue& value) { settingsForm_->show(s, value); },
        .reached =
            [this](LoadPoint point) {
                if (point == LoadPoint::MemoryPoolShown)
                    settingsForm_->showMemoryTotalOfLoad();
            },
        .failed = [this](const std::string& message) { messages::error(this, fromFileBytes(message)); },
        .replacingRules = [this](std::size_t file, const std::function<void()>& change) { replaceRules(file, change); },
    };
    document_.load(observer);
    setConfigChanged(false);
    markSavedState();
    ruleFileFields_->accept();
    savequestions::tidyLeftovers(this, document_);
    showDroppedLines(ui_->StatusBar1, document_.findings());
}

// The rules of one file change; the lists that show them follow.
void TMainWnd::replaceRules(std::size_t file, const std::function<void()>& change) {
    if (file == 0) {
        change();
        fillRuleLists();
    } else if (file == 1) {
        qobject_cast<FileLinesModel*>(lists_->of(CacheSkipEditor::list()).model)->replacing(change);
    } else {
        qobject_cast<FileLinesModel*>(lists_->of(manualServiceList()).model)->replacing(change);
        showStandardServices();
    }
}

// One save at a time in the directory (two windows, the command line): the lock is held from the check of the files
// to the last replacement. A file that changes on disk between the check and its replacement stops the save with
// nothing changed, and the check asks again.
bool TMainWnd::SaveServerConfig() {
    QDir::setCurrent(ProgramDir.trimmed());
    if (!settingsForm_->confirmBeforeSave() || !ruleFileFields_->nameFilesToCreate() || ruleFileFields_->refused())
        return false;
    if (!messages::guarded(this, [this] { settingsForm_->store(true); }))
        return false;
    const SaveLock lock(QFile::encodeName(ProgramDir.trimmed()).toStdString());
    for (;;) {
        switch (savequestions::checkFilesBeforeSave(this, document_)) {
        case savequestions::SaveCheck::Save: {
            std::optional<ConflictChoice> choice;
            Configuration::SaveResult saved;
            if (!messages::guarded(this, [&] { choice = savequestions::resolveSettingConflicts(this, document_); }) ||
                !choice || !messages::guarded(this, [&] { saved = document_.save(*choice); }))
                return false;
            if (!saved.changedMeanwhile.empty())
                continue;
            showSaved(saved.notes);
            return true;
        }
        case savequestions::SaveCheck::Reload:
            reloadConfiguration();
            return false;
        case savequestions::SaveCheck::Cancel:
            return false;
        }
    }
}

void TMainWnd::showSaved(const std::vector<std::string>& notes) {
    ruleFileFields_->accept();
    setConfigChanged(false);
    showDroppedLines(ui_->StatusBar1, document_.findings());
    markSavedState();
    QStringList said;
    for (const std::string& note : notes)
        said << fromFileBytes(note);
    statusPanel1_->setText(said.join(u' ')); // also takes away what an earlier save had to say
    statusPanel1_->setToolTip(statusPanel1_->text());
}

void TMainWnd::CreateDefaultServerConfig() {
    const auto answer =
        messages::ask(this, QStringLiteral("Warning"), QStringLiteral("GLYM30.ini not found. Create new?"),
                      QMessageBox::Yes | QMessageBox::No, QMessageBox::Question);
    if (answer == QMessageBox::Yes)
        messages::guarded(this, [this] { createDefaultServerSettings(IniFileName.toStdString()); });
    raise();
    activateWindow();
}

// ---------------------------------------------------------------------------------------------------------------
// The settings pages

void TMainWnd::connectSettingsControls() {
    connect(settingsForm_, &SettingsForm::valueChanged, this, &TMainWnd::ValueChange);
    connect(settingsForm_, &SettingsForm::memoryChanged, this, &TMainWnd::EditMemoryPageCountChange);
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

    ruleFileFields_ = new RuleFileFields(this, document_, *settingsForm_, *lists_,
                                         {ui_->CheckFile, ui_->CacheSkipFile, ui_->RouterFile});
    ruleFileFields_->otherFiles = [this] {
        return otherFiles();
    };
    ruleFileFields_->replaceRules = [this](std::size_t file, const std::function<void()>& change) {
        replaceRules(file, change);
    };
    ruleFileFields_->said = [this](const QString& note) {
        showDroppedLines(ui_->StatusBar1, document_.findings());
        statusPanel1_->setText(note);
    };
    ruleFileFields_->loading = [this] {
        return loading_;
    };
}

OtherFiles TMainWnd::otherFiles() const {
    return {IniFileName.toStdString(), QFile::encodeName(preferencesFile).toStdString(),
            toFileBytes(ui_->ConnectLogFile->text()).value_or(std::string())};
}

void TMainWnd::EditMemoryPageCountChange() {
    // The load shows the exact product once both keys are read; an unreadable value is no error there. A text
    // that is no number is a change too: it is what a save would write, so closing asks about it.
    if (!loading_)
        settingsForm_->computeMemoryTotal();
    loading_ ? setConfigChanged(true) : ValueChange();
}

void TMainWnd::SwitchBClick() {
    if (!loading_)
        settingsForm_->computeMemoryTotal();
}

void TMainWnd::CheckFileSelectClick() {
    settingsForm_->pickFileInto(ui_->CheckFile);
    ruleFileFields_->entered(ui_->CheckFile);
}
void TMainWnd::SpeedButton9Click() {
    settingsForm_->pickFileInto(ui_->CacheSkipFile);
    ruleFileFields_->entered(ui_->CacheSkipFile);
}
void TMainWnd::SpeedButton7Click() {
    settingsForm_->pickFileInto(ui_->RouterFile);
    ruleFileFields_->entered(ui_->RouterFile);
}
void TMainWnd::SpeedButton2Click() {
    settingsForm_->pickFileInto(ui_->MainLogFile);
}
void TMainWnd::SpeedButton3Click() {
    settingsForm_->pickFileInto(ui_->StatusLogFile);
}
void TMainWnd::SpeedButton4Click() {
    settingsForm_->pickFileInto(ui_->ConnectLogFile);
}
void TMainWnd::SpeedButton5Click() {
    settingsForm_->pickFileInto(ui_->RouterLogFile);
}
void TMainWnd::SpeedButton6Click() {
    settingsForm_->pickFileInto(ui_->DNSFile);
}
void TMainWnd::SpeedButton1Click() {
    settingsForm_->pickDirectoryInto(ui_->FCachePath);
}
