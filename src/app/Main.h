#pragma once

#include "access/AccessLists.h"
#include "cacheskip/CacheSkipEditor.h"
#include "document/Configuration.h"
#include "portmap/ServiceList.h"
#include "rules/Strings.h"

#include <QCoreApplication>
#include <QDir>
#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CacheSkipEditor;
class GroupEditor;
class ListActions;
class ListViews;
class ManualServiceEditor;
class QAbstractItemView;
class QAction;
class QFileDialog;
class QLabel;
class QLineEdit;
class QMenu;
class RuleEditor;
class RuleFileFields;
class SettingsForm;
class StatisticsPage;
class WindowShell;
struct BoundList;
struct ListDescriptor;

namespace Ui {
class TMainWnd;
}

// The configurator's main window over the configuration document: the settings pages show its settings, the rule
// lists its 65 group records and the line lists of the cache-skip and port-mapping rules.
//
// Handlers are slots named after the controls and actions they serve. An error that reaches a handler is shown
// in the standard error box and ends that handler; nothing escapes to the event loop. The slots of the rule lists
// (ListSlots.cpp) run the list's actions, which its editor implements, as the list's own input does.
class TMainWnd : public QMainWindow {
    Q_OBJECT
    Q_PROPERTY(QString ProgramDir MEMBER ProgramDir)
    Q_PROPERTY(QString IniFileName MEMBER IniFileName)
    Q_PROPERTY(bool ConfigChanged MEMBER ConfigChanged)
    Q_PROPERTY(int GroupCount MEMBER GroupCount)
    Q_PROPERTY(int SortColumn MEMBER SortColumn)

    // The configuration the window shows: declared first, as the members below are bound to its parts.
    Configuration document_;

    enum class ListCommand { Fill, Add, Edit, Remove, DoubleClick };

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
    std::string NormalizeRuleLine(const std::string& line);

public Q_SLOTS:
    // Start-up, the change flag, saving and closing.
    void FormCreate();
    void ValueChange();
    void RouterRulesChange();
    bool FormCloseQuery(); // false keeps the window open
    void ButtonSaveClick() { save(); }
    void Save1Click() { save(); }
    // Reads every file again, as the start-up does (the preferences stay); unsaved changes are asked about first.
    void ButtonReloadClick() { reload(); }
    void Reload1Click() { reload(); }
    void Exit1Click() { close(); }
    void ShowHint1Click();

    // The server settings file and the preferences file. Each returns whether it ran to its end.
    bool LoadServerConfig();
    bool SaveServerConfig();
    void CreateDefaultServerConfig();
    bool LoadPreferences();
    bool SavePreferences();

    // Settings pages: the memory total and the file and directory pickers.
    void EditMemoryPageCountChange();
    void SwitchBClick();
    void SpeedButton1Click() { pick("FCachePath"); }
    void CheckFileSelectClick() { pick("CheckFile"); }
    void SpeedButton9Click() { pick("CacheSkipFile"); }
    void SpeedButton2Click() { pick("MainLogFile"); }
    void SpeedButton3Click() { pick("StatusLogFile"); }
    void SpeedButton4Click() { pick("ConnectLogFile"); }
    void SpeedButton5Click() { pick("RouterLogFile"); }
    void SpeedButton7Click() { pick("RouterFile"); }
    void SpeedButton6Click() { pick("DNSFile"); }

    // The rule lists: each slot runs a command of its list as the list's own input does (base/ListViews.h).
    // User groups.
    void SetNameActionExecute() { run(accesslists::groups, ListCommand::Fill); }
    void AddNameActionExecute() { run(accesslists::groups, ListCommand::Add); }
    void EditNameActionExecute() { run(accesslists::groups, ListCommand::Edit); }
    void DeleteNameActionExecute() { run(accesslists::groups, ListCommand::Remove); }
    void GroupNameDblClick() { run(accesslists::groups, ListCommand::DoubleClick); }
    void GroupNameKeyDown(int key) { keyDown(accesslists::groups, key); }
    // Networks and hosts.
    void SetNetActionExecute() { run(accesslists::networks, ListCommand::Fill); }
    void AddNetActionExecute() { run(accesslists::networks, ListCommand::Add); }
    void EditNetActionExecute() { run(accesslists::networks, ListCommand::Edit); }
    void DeleteNetActionExecute() { run(accesslists::networks, ListCommand::Remove); }
    void LNetworkDblClick() { run(accesslists::networks, ListCommand::DoubleClick); }
    void LNetworkKeyDown(int key) { keyDown(accesslists::networks, key); }
    void SetHostActionExecute() { run(accesslists::hosts, ListCommand::Fill); }
    void AddHostActionExecute() { run(accesslists::hosts, ListCommand::Add); }
    void EditHostActionExecute() { run(accesslists::hosts, ListCommand::Edit); }
    void DeleteHostActionExecute() { run(accesslists::hosts, ListCommand::Remove); }
    void LHostDblClick() { run(accesslists::hosts, ListCommand::DoubleClick); }
    void LHostKeyDown(int key) { keyDown(accesslists::hosts, key); }
    // URL rules and blocked words; the error box of an Add for a group that does not exist.
    void ShowGroupNotFound();
    void SetUrlActionExecute() { run(accesslists::urls, ListCommand::Fill); }
    void AddUrlActionExecute() { run(accesslists::urls, ListCommand::Add); }
    void EditUrlActionExecute() { run(accesslists::urls, ListCommand::Edit); }
    void DeleteUrlActionExecute() { run(accesslists::urls, ListCommand::Remove); }
    void LUrlDblClick() { run(accesslists::urls, ListCommand::DoubleClick); }
    void LUrlKeyDown(int key) { keyDown(accesslists::urls, key); }
    void SetWordActionExecute() { run(accesslists::words, ListCommand::Fill); }
    void AddWordActionExecute() { run(accesslists::words, ListCommand::Add); }
    void EditWordActionExecute() { run(accesslists::words, ListCommand::Edit); }
    void DeleteWordActionExecute() { run(accesslists::words, ListCommand::Remove); }
    void LWordDblClick() { run(accesslists::words, ListCommand::DoubleClick); }
    void LWordKeyDown(int key) { keyDown(accesslists::words, key); }
    // Traffic limits and speeds: one line per group.
    void SetLimitActionExecute() { run(accesslists::limits, ListCommand::Fill); }
    void AddLimitActionExecute() { run(accesslists::limits, ListCommand::Add); }
    void EditLimitActionExecute() { run(accesslists::limits, ListCommand::Edit); }
    void DeleteLimitActionExecute() { run(accesslists::limits, ListCommand::Remove); }
    void LLimitDblClick() { run(accesslists::limits, ListCommand::DoubleClick); }
    void LLimitKeyDown(int key) { keyDown(accesslists::limits, key); }
    void SetSpeedActionExecute() { run(accesslists::speeds, ListCommand::Fill); }
    void AddSpeedActionExecute() { run(accesslists::speeds, ListCommand::Add); }
    void EditSpeedActionExecute() { run(accesslists::speeds, ListCommand::Edit); }
    void DeleteSpeedActionExecute() { run(accesslists::speeds, ListCommand::Remove); }
    void LSpeedDblClick() { run(accesslists::speeds, ListCommand::DoubleClick); }
    void LSpeedKeyDown(int key) { keyDown(accesslists::speeds, key); }
    // Port access and port blocking.
    void SetPortAActionExecute() { run(accesslists::portAccess, ListCommand::Fill); }
    void AddPortAActionExecute() { run(accesslists::portAccess, ListCommand::Add); }
    void EditPortAActionExecute() { run(accesslists::portAccess, ListCommand::Edit); }
    void DeletePortAActionExecute() { run(accesslists::portAccess, ListCommand::Remove); }
    void LPortADblClick() { run(accesslists::portAccess, ListCommand::DoubleClick); }
    void LPortAKeyDown(int key) { keyDown(accesslists::portAccess, key); }
    void SetPortBActionExecute() { run(accesslists::portBlocks, ListCommand::Fill); }
    void AddPortBActionExecute() { run(accesslists::portBlocks, ListCommand::Add); }
    void EditPortBActionExecute() { run(accesslists::portBlocks, ListCommand::Edit); }
    void DeletePortBActionExecute() { run(accesslists::portBlocks, ListCommand::Remove); }
    void LPortBDblClick() { run(accesslists::portBlocks, ListCommand::DoubleClick); }
    void LPortBKeyDown(int key) { keyDown(accesslists::portBlocks, key); }
    // Working hours and authorization.
    void SetTimeActionExecute() { run(accesslists::times, ListCommand::Fill); }
    void AddTimeActionExecute() { run(accesslists::times, ListCommand::Add); }
    void EditTimeActionExecute() { run(accesslists::times, ListCommand::Edit); }
    void DeleteTimeActionExecute() { run(accesslists::times, ListCommand::Remove); }
    void LTimeDblClick() { run(accesslists::times, ListCommand::DoubleClick); }
    void LTimeKeyDown(int key) { keyDown(accesslists::times, key); }
    void SetAuthActionExecute() { run(accesslists::authorization, ListCommand::Fill); }
    void AddAuthActionExecute() { run(accesslists::authorization, ListCommand::Add); }
    void EditAuthActionExecute() { run(accesslists::authorization, ListCommand::Edit); }
    void DeleteAuthActionExecute() { run(accesslists::authorization, ListCommand::Remove); }
    void LAuthDblClick() { run(accesslists::authorization, ListCommand::DoubleClick); }
    void LAuthKeyDown(int key) { keyDown(accesslists::authorization, key); }

    // The column sort shared by the rule lists and the statistics: sorts the rows of sender once by column.
    void LNetworkColumnClick(QAbstractItemView* sender, int column);

    // Cache-skip rules, and the pop-up menu shared by the rule lists.
    void LoadSkipActionExecute() { rereadRules(1); }
    void AddSkipActionExecute() { run(CacheSkipEditor::list, ListCommand::Add); }
    void EditSkipActionExecute() { run(CacheSkipEditor::list, ListCommand::Edit); }
    void DeleteSkipActionExecute() { run(CacheSkipEditor::list, ListCommand::Remove); }
    void UpdateSkipActionExecute();
    void CacheSkipRulesDblClick() { run(CacheSkipEditor::list, ListCommand::DoubleClick); }
    void CacheSkipRulesKeyDown(int key) { keyDown(CacheSkipEditor::list, key); }
    void CacheSkipRulesColumnClick(int column);
    void AddPopActionExecute() { runPopupEntry(ListCommand::Add); }
    void EditPopActionExecute() { runPopupEntry(ListCommand::Edit); }
    void DeletePopActionExecute() { runPopupEntry(ListCommand::Remove); }

    // Port mapping: the rules are read at start-up and shown; a save writes them back. The standard services
    // are stored when their field is left (or Enter is pressed in it).
    void LoadMServiceActionExecute() { rereadRules(2); }
    void SetMServiceActionExecute();
    void SMTPaddressExit() { storeStandardService(0, 0); }
    void POP3addressExit() { storeStandardService(1, 0); }
    void NNTPaddressExit() { storeStandardService(2, 0); }
    void SMTPaddressKeyDown(int key) { storeStandardService(0, key); }
    void POP3addressKeyDown(int key) { storeStandardService(1, key); }
    void NNTPaddressKeyDown(int key) { storeStandardService(2, key); }
    // The manual services: Add, Edit and Delete through the dialog TFMService, a double click or Enter, the
    // Delete key and the shared pop-up menu.
    void AddMServiceActionExecute() { run(manualServiceList, ListCommand::Add); }
    void EditMServiceActionExecute() { run(manualServiceList, ListCommand::Edit); }
    void DeleteMServiceActionExecute() { run(manualServiceList, ListCommand::Remove); }
    void RouterRulesDblClick() { run(manualServiceList, ListCommand::DoubleClick); }
    void RouterRulesKeyDown(int key) { keyDown(manualServiceList, key); }

    // Usage statistics.
    void BReloadStatisticClick();
    void LoadStatActionExecute();
    // Exports the rows of LStat as shown to a CSV or tab-separated file chosen in a save dialog.
    void BSaveStatisticClick();

    // Undo and redo of the changes made through the rule lists, and the filter of the list shown (Ctrl+F).
    void UndoActionExecute();
    void RedoActionExecute();
    void FindActionExecute();

public:
    // Forgets every step to undo (a reload of everything calls it).
    void clearUndo();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Start-up pieces.
    void setUp();
    void setUpStatusBar();
    void buildLists();
    void bindList(const ListDescriptor& descriptor, ListActions& actions);
    void setUpPopupMenu();
    void setUpKeyboard();
    void markSavedState(); // the rule lists and settings are as saved (or loaded)

    // Reading the configuration, at start-up and on a reload, and saving it.
    void readConfiguration();
    void loadServerConfig();
    Configuration::LoadObserver loadObserver();
    void replaceRules(std::size_t file, const std::function<void()>& change);
    void rereadRules(std::size_t file);
    void save();
    void showSaved(const std::vector<std::string>& notes);
    void reload();
    void reloadConfiguration();
    void fillRuleLists();
    OtherFiles otherFiles() const;
    void loadPreferences();
    void savePreferences();

    // The settings pages: a picker fills the field of that objectName; a standard service's field stored when it
    // is left (key 0) or Enter is pressed in it.
    void pick(const char* field);
    void storeStandardService(int slot, int key);

    // Rule lists.
    BoundList& list(const ListDescriptor& descriptor) const;
    BoundList* popupList() const;
    using ListOf = const ListDescriptor& (*)();
    void run(ListOf list, ListCommand command);
    void keyDown(ListOf list, int key);
    void runPopupEntry(ListCommand entry); // on the list that opened the pop-up menu, or says there are no rules

    // The change state as the window shows it: the title's mark and Save follow ConfigChanged, refreshed wherever
    // the flag is written and at every event, so that a flag written directly is shown too.
    void setConfigChanged(bool changed);
    void showChangeState();

    std::unique_ptr<Ui::TMainWnd> ui_;
    std::unique_ptr<ListViews> lists_;
    std::unique_ptr<GroupEditor> groupEditor_;
    std::unique_ptr<RuleEditor> ruleEditor_;
    std::unique_ptr<CacheSkipEditor> cacheSkipEditor_;
    std::unique_ptr<ManualServiceEditor> manualServiceEditor_;
    std::unique_ptr<StatisticsPage> statisticsPage_;
    SettingsForm* settingsForm_ = nullptr;
    RuleFileFields* ruleFileFields_ = nullptr;
    WindowShell* shell_ = nullptr;
    QFileDialog* OpenDialog1 = nullptr;
    QMenu* CacheSkipPopup = nullptr;
    QAbstractItemView* popupComponent_ = nullptr; // the list view that opened CacheSkipPopup
    QLabel* statusPanel0_ = nullptr;              // 350 pixels: hints of the control under the mouse
    QLabel* statusPanel1_ = nullptr;              // progress notes
    bool settingsChanged_ = false;                // a setting (not a rule list) changed since the last load or save
    bool loading_ = false;                        // LoadServerConfig is filling the controls
    QString executablePath_;                      // absolute
    QString workingDirectory_;                    // absolute; empty: the executable's directory
    bool shownModified_ = false;
    bool shownSaveEnabled_ = true;
};
