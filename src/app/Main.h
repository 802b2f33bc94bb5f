#pragma once

#include "access/AccessLists.h"
#include "app/WindowLists.h"
#include "base/MessageBoxes.h"
#include "cacheskip/CacheSkipEditor.h"
#include "config/Preferences.h"
#include "document/Configuration.h"
#include "portmap/ServiceEditor.h"
#include "portmap/ServiceList.h"
#include "rules/Strings.h"
#include "session/SettingsForm.h"

#include <QCoreApplication>
#include <QDir>
#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAbstractItemView;
class QFileDialog;
class QLabel;
class QMenu;
class RuleFileFields;
class ServiceControls;
namespace help {
class ManualWindow;
}
class StatisticsPage;
class WindowShell;

namespace Ui {
class TMainWnd;
}

// The configurator's main window over the configuration document: the settings pages show its settings, the rule
// lists its 65 group records and the line lists of the cache-skip and port-mapping rules.
//
// Handlers are slots named after the controls and actions they serve. An error that reaches a handler is shown
// in the standard error box and ends that handler; nothing escapes to the event loop. The slots of the rule lists
// run the list's actions, which its editor implements, as the list's own input does.
class TMainWnd : public QMainWindow {
    Q_OBJECT
    Q_PROPERTY(QString ProgramDir MEMBER ProgramDir)
    Q_PROPERTY(QString IniFileName MEMBER IniFileName)
    Q_PROPERTY(bool ConfigChanged MEMBER ConfigChanged)
    Q_PROPERTY(int GroupCount MEMBER GroupCount)
    Q_PROPERTY(int SortColumn MEMBER SortColumn)

    // The configuration the window shows: declared first, as the members below are bound to its parts.
    Configuration document_;

public:
    // executablePath decides where the window works: glym30.ini and the preferences file lie beside it.
    explicit TMainWnd(const QString& executablePath = QCoreApplication::applicationFilePath(),
                      QWidget* parent = nullptr);
    // Works on the files of workingDirectory instead: its glym30.ini, the rule files that it names (relative names
    // count from there) and the pickers start there. The preferences stay the executable's.
    TMainWnd(const QString& executablePath, const QDir& workingDirectory, QWidget* parent = nullptr);
    ~TMainWnd() override;

    // Indexes of the two pages of PageControl whose tabs are hidden.
    static constexpr int kAccessPageIndex = 7;
    static constexpr int kTestPageIndex = 8;

    QString ProgramDir;      // the executable's directory (or the working directory given), without a trailing "/"
    QString IniFileName;     // "./glym30.ini": start-up and every save make ProgramDir current
    QString preferencesFile; // the executable's path with ".ini" as its extension (see preferencesLocation)
    bool ConfigChanged = false;

    std::unique_ptr<TStructString> LineTokenizer; // splits rule lines at ":"
    std::unique_ptr<TUnStructString> LineBuilder; // joins rule lines with ":"
    GroupTable& Groups = document_.groups();
    int GroupCount = 0;
    std::vector<std::string>& CacheSkipLines = document_.cacheSkipLines(); // row i of CacheSkipRules shows line i
    StandardServices& StandardServiceLines = document_.standardServices(); // "CS", "CP", "CN"; "" when unset
    RuleLines& ManualServiceLines = document_.manualServices();            // "CR"
    int SortColumn = 0;

    // The line with every ":"-separated field trimmed.
    std::string NormalizeRuleLine(const std::string& line) { return ::NormalizeRuleLine(line); }

public Q_SLOTS:
    // Start-up, the change flag, saving and closing.
    void FormCreate();
    void ValueChange();
    void RouterRulesChange() { setConfigChanged(true); }
    bool FormCloseQuery(); // false keeps the window open
    void ButtonSaveClick() { save(); }
    void Save1Click() { save(); }
    // Reads every file again, as the start-up does (the preferences stay); unsaved changes are asked about first.
    void ButtonReloadClick() { reload(); }
    void Reload1Click() { reload(); }
    void Exit1Click() { close(); }
    // Saves, then reloads the proxy's systemd unit (the Service menu's Start, Stop, Restart and Reload and their tool
    // buttons are ServiceControls'); Config > Service Unit... chooses the unit.
    void SaveAndApplyActionExecute();
    void ServiceUnitActionExecute();
    void ShowHint1Click();
    // Reviewing and undoing saves: the lines a save would change (View > Changes, Ctrl+D), and the history of saves
    // with its diffs and Restore (File > History...).
    void ChangesActionExecute() { showChanges(); }
    void HistoryActionExecute();
    // Config: how many saves the history keeps (HistoryKeepAction) and whether it lives beside glym30.ini
    // (HistoryBesideFiles); kept in the preferences, which the command line reads too.
    void HistoryKeepActionExecute();
    void HistoryBesideFilesClick() { useHistoryOptions(); }
    // Help: the user manual at the section about the page shown (F1), and the About box.
    void UserManual1Click();
    void About1Click();
    // Asks for a directory and works on its files from then on, as --dir does; unsaved changes are asked about
    // first. The directories opened are listed under File > Recent Directories (RecentDirs1), the latest first.
    void OpenConfigDirActionExecute();
    // Works on the files of that directory; false when it is no directory, or the user kept the window as it was.
    bool OpenConfigDir(const QString& directory);
    // The look of the program (View > Theme), kept in the preferences.
    void ThemeSystemExecute() { setTheme(Theme::System); }
    void ThemeLightExecute() { setTheme(Theme::Light); }
    void ThemeDarkExecute() { setTheme(Theme::Dark); }

    // The server settings file and the preferences file. Each returns whether it ran to its end.
    bool LoadServerConfig() { return guarded(&TMainWnd::loadServerConfig); }
    bool SaveServerConfig();
    void CreateDefaultServerConfig();
    bool LoadPreferences() { return guarded(&TMainWnd::loadPreferences); }
    bool SavePreferences() { return guarded(&TMainWnd::savePreferences); }

    // Settings pages: the memory total and the file and directory pickers.
    void EditMemoryPageCountChange();
    void SwitchBClick() { settingsForm_->computeMemoryTotal(); } // a load never chooses the unit
    void SpeedButton1Click() { settingsForm_->pickInto("FCachePath"); }
    void CheckFileSelectClick() { settingsForm_->pickInto("CheckFile"); }
    void SpeedButton9Click() { settingsForm_->pickInto("CacheSkipFile"); }
    void SpeedButton2Click() { settingsForm_->pickInto("MainLogFile"); }
    void SpeedButton3Click() { settingsForm_->pickInto("StatusLogFile"); }
    void SpeedButton4Click() { settingsForm_->pickInto("ConnectLogFile"); }
    void SpeedButton5Click() { settingsForm_->pickInto("RouterLogFile"); }
    void SpeedButton7Click() { settingsForm_->pickInto("RouterFile"); }
    void SpeedButton6Click() { settingsForm_->pickInto("DNSFile"); }

    // The rule lists: each slot runs a command of its list as the list's own input does (base/ListViews.h).
    // User groups.
    void SetNameActionExecute() { list(accesslists::groups()).fill(); }
    void AddNameActionExecute() { list(accesslists::groups()).add(); }
    void EditNameActionExecute() { list(accesslists::groups()).edit(); }
    void DeleteNameActionExecute() { list(accesslists::groups()).remove(); }
    void GroupNameDblClick() { list(accesslists::groups()).doubleClick(); }
    void GroupNameKeyDown(int key) { list(accesslists::groups()).keyDown(key); }
    // Networks and hosts.
    void SetNetActionExecute() { list(accesslists::networks()).fill(); }
    void AddNetActionExecute() { list(accesslists::networks()).add(); }
    void EditNetActionExecute() { list(accesslists::networks()).edit(); }
    void DeleteNetActionExecute() { list(accesslists::networks()).remove(); }
    void LNetworkDblClick() { list(accesslists::networks()).doubleClick(); }
    void LNetworkKeyDown(int key) { list(accesslists::networks()).keyDown(key); }
    void SetHostActionExecute() { list(accesslists::hosts()).fill(); }
    void AddHostActionExecute() { list(accesslists::hosts()).add(); }
    void EditHostActionExecute() { list(accesslists::hosts()).edit(); }
    void DeleteHostActionExecute() { list(accesslists::hosts()).remove(); }
    void LHostDblClick() { list(accesslists::hosts()).doubleClick(); }
    void LHostKeyDown(int key) { list(accesslists::hosts()).keyDown(key); }
    // URL rules and blocked words; the error box of an Add for a group that does not exist.
    void ShowGroupNotFound();
    void SetUrlActionExecute() { list(accesslists::urls()).fill(); }
    void AddUrlActionExecute() { list(accesslists::urls()).add(); }
    void EditUrlActionExecute() { list(accesslists::urls()).edit(); }
    void DeleteUrlActionExecute() { list(accesslists::urls()).remove(); }
    void LUrlDblClick() { list(accesslists::urls()).doubleClick(); }
    void LUrlKeyDown(int key) { list(accesslists::urls()).keyDown(key); }
    void SetWordActionExecute() { list(accesslists::words()).fill(); }
    void AddWordActionExecute() { list(accesslists::words()).add(); }
    void EditWordActionExecute() { list(accesslists::words()).edit(); }
    void DeleteWordActionExecute() { list(accesslists::words()).remove(); }
    void LWordDblClick() { list(accesslists::words()).doubleClick(); }
    void LWordKeyDown(int key) { list(accesslists::words()).keyDown(key); }
    // Traffic limits and speeds: one line per group.
    void SetLimitActionExecute() { list(accesslists::limits()).fill(); }
    void AddLimitActionExecute() { list(accesslists::limits()).add(); }
    void EditLimitActionExecute() { list(accesslists::limits()).edit(); }
    void DeleteLimitActionExecute() { list(accesslists::limits()).remove(); }
    void LLimitDblClick() { list(accesslists::limits()).doubleClick(); }
    void LLimitKeyDown(int key) { list(accesslists::limits()).keyDown(key); }
    void SetSpeedActionExecute() { list(accesslists::speeds()).fill(); }
    void AddSpeedActionExecute() { list(accesslists::speeds()).add(); }
    void EditSpeedActionExecute() { list(accesslists::speeds()).edit(); }
    void DeleteSpeedActionExecute() { list(accesslists::speeds()).remove(); }
    void LSpeedDblClick() { list(accesslists::speeds()).doubleClick(); }
    void LSpeedKeyDown(int key) { list(accesslists::speeds()).keyDown(key); }
    // Port access and port blocking.
    void SetPortAActionExecute() { list(accesslists::portAccess()).fill(); }
    void AddPortAActionExecute() { list(accesslists::portAccess()).add(); }
    void EditPortAActionExecute() { list(accesslists::portAccess()).edit(); }
    void DeletePortAActionExecute() { list(accesslists::portAccess()).remove(); }
    void LPortADblClick() { list(accesslists::portAccess()).doubleClick(); }
    void LPortAKeyDown(int key) { list(accesslists::portAccess()).keyDown(key); }
    void SetPortBActionExecute() { list(accesslists::portBlocks()).fill(); }
    void AddPortBActionExecute() { list(accesslists::portBlocks()).add(); }
    void EditPortBActionExecute() { list(accesslists::portBlocks()).edit(); }
    void DeletePortBActionExecute() { list(accesslists::portBlocks()).remove(); }
    void LPortBDblClick() { list(accesslists::portBlocks()).doubleClick(); }
    void LPortBKeyDown(int key) { list(accesslists::portBlocks()).keyDown(key); }
    // Working hours and authorization.
    void SetTimeActionExecute() { list(accesslists::times()).fill(); }
    void AddTimeActionExecute() { list(accesslists::times()).add(); }
    void EditTimeActionExecute() { list(accesslists::times()).edit(); }
    void DeleteTimeActionExecute() { list(accesslists::times()).remove(); }
    void LTimeDblClick() { list(accesslists::times()).doubleClick(); }
    void LTimeKeyDown(int key) { list(accesslists::times()).keyDown(key); }
    void SetAuthActionExecute() { list(accesslists::authorization()).fill(); }
    void AddAuthActionExecute() { list(accesslists::authorization()).add(); }
    void EditAuthActionExecute() { list(accesslists::authorization()).edit(); }
    void DeleteAuthActionExecute() { list(accesslists::authorization()).remove(); }
    void LAuthDblClick() { list(accesslists::authorization()).doubleClick(); }
    void LAuthKeyDown(int key) { list(accesslists::authorization()).keyDown(key); }

    // The column sort shared by the rule lists and the statistics: sorts the rows of sender once by column.
    void LNetworkColumnClick(QAbstractItemView* sender, int column) {
        SortColumn = column, lists_->sortView(sender, column);
    }

    // Cache-skip rules, and the pop-up menu shared by the rule lists.
    void LoadSkipActionExecute() { rereadRules(1); }
    void AddSkipActionExecute() { list(CacheSkipEditor::list()).add(); }
    void EditSkipActionExecute() { list(CacheSkipEditor::list()).edit(); }
    void DeleteSkipActionExecute() { list(CacheSkipEditor::list()).remove(); }
    void UpdateSkipActionExecute();
    void CacheSkipRulesDblClick() { list(CacheSkipEditor::list()).doubleClick(); }
    void CacheSkipRulesKeyDown(int key) { list(CacheSkipEditor::list()).keyDown(key); }
    void CacheSkipRulesColumnClick(int column) { lists_->sortCacheSkip(column); }
    void AddPopActionExecute() { lists_->runPopupEntry(PopupEntry::Add); }
    void EditPopActionExecute() { lists_->runPopupEntry(PopupEntry::Edit); }
    void DeletePopActionExecute() { lists_->runPopupEntry(PopupEntry::Delete); }

    // Port mapping: the rules are read at start-up and shown; a save writes them back. The standard services
    // are stored when their field is left (or Enter is pressed in it).
    void LoadMServiceActionExecute() { rereadRules(2); }
    void SetMServiceActionExecute() { lists_->manualServices().markTakenStandardServices(); }
    void SMTPaddressExit() { lists_->manualServices().storeStandardService(0, false); }
    void POP3addressExit() { lists_->manualServices().storeStandardService(1, false); }
    void NNTPaddressExit() { lists_->manualServices().storeStandardService(2, false); }
    void SMTPaddressKeyDown(int key) { lists_->manualServices().standardServiceKey(0, key); }
    void POP3addressKeyDown(int key) { lists_->manualServices().standardServiceKey(1, key); }
    void NNTPaddressKeyDown(int key) { lists_->manualServices().standardServiceKey(2, key); }
    // The manual services: Add, Edit and Delete through the dialog TFMService, a double click or Enter, the
    // Delete key and the shared pop-up menu.
    void AddMServiceActionExecute() { list(manualServiceList()).add(); }
    void EditMServiceActionExecute() { list(manualServiceList()).edit(); }
    void DeleteMServiceActionExecute() { list(manualServiceList()).remove(); }
    void RouterRulesDblClick() { list(manualServiceList()).doubleClick(); }
    void RouterRulesKeyDown(int key) { list(manualServiceList()).keyDown(key); }

    // Usage statistics.
    void BReloadStatisticClick();
    void LoadStatActionExecute();
    // Exports the rows of LStat as shown to a CSV or tab-separated file chosen in a save dialog.
    void BSaveStatisticClick();

    // Undo and redo of the changes made through the rule lists, and the filter of the list shown (Ctrl+F).
    void UndoActionExecute();
    void RedoActionExecute();
    void FindActionExecute() { lists_->focusFilter(); }

public:
    // Forgets every step to undo (a reload of everything calls it).
    void clearUndo() { lists_->clearUndo(); }
    // Shows the page Statistic with these logs read as one (--log).
    void openLogs(const QStringList& files);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Runs a body of the slots above; an error it throws is shown, and the slot returns false.
    bool guarded(void (TMainWnd::*body)());

    // Start-up pieces.
    void setUp();
    void setUpStatusBar();
    void buildLists();
    void setUpKeyboard();
    void markSavedState(); // the rule lists and settings are as saved (or loaded)

    // Reading the configuration, at start-up and on a reload, and saving it.
    void readConfiguration();
    void loadServerConfig();
    Configuration::LoadObserver loadObserver();
    void rereadRules(std::size_t file);
    void save();
    void showSaved(const std::vector<std::string>& notes);
    void showNotes(const std::vector<std::string>& notes); // in the status bar, in place of the last ones
    void reload();
    bool settleChanges(const QString& question);
    void reloadConfiguration();
    void showChanges();
    bool askSaveComment(std::string& comment);
    void useHistoryOptions();
    bool restoreGeneration(unsigned number);
    OtherFiles otherFiles() const;
    void loadPreferences();
    void savePreferences();
    void setUpViewMenu();
    void setTheme(Theme theme);
    void showRecentDirectories();

    // Rule lists.
    BoundList& list(const ListDescriptor& descriptor) const { return lists_->of(descriptor); }

    // The change state as the window shows it: the title's mark and Save follow ConfigChanged, refreshed wherever
    // the flag is written and at every event, so that a flag written directly is shown too.
    void setConfigChanged(bool changed);
    void showChangeState();

    std::unique_ptr<Ui::TMainWnd> ui_;
    std::unique_ptr<WindowLists> lists_;
    std::unique_ptr<StatisticsPage> statisticsPage_;
    SettingsForm* settingsForm_ = nullptr;
    RuleFileFields* ruleFileFields_ = nullptr;
    WindowShell* shell_ = nullptr;
    ServiceControls* serviceControls_ = nullptr;
    QFileDialog* OpenDialog1 = nullptr;
    QMenu* CacheSkipPopup = nullptr;
    help::ManualWindow* manual_ = nullptr; // made at its first use
    QLabel* statusPanel1_ = nullptr;       // progress notes
    bool settingsChanged_ = false;         // a setting (not a rule list) changed since the last load or save
    bool loading_ = false;                 // LoadServerConfig is filling the controls
    QString executablePath_;               // absolute
    QString workingDirectory_;             // absolute; empty: the executable's directory
    Theme theme_ = Theme::System;
    QStringList recentDirectories_; // the latest first
    int historyKeep_ = 200;
    QString serviceUnit_; // as the preferences name it
    bool shownModified_ = false;
    bool shownSaveEnabled_ = true;
};
