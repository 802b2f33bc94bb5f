#pragma once

#include "document/Configuration.h"
#include "rules/Strings.h"

#include <QCoreApplication>
#include <QDir>
#include <QKeySequence>
#include <QList>
#include <QMainWindow>
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
struct BoundList;
struct ListDescriptor;
enum class PopupEntry;

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
    void ButtonSaveClick();
    void Save1Click();
    // Reads every file again, as the start-up does (the preferences stay); unsaved changes are asked about first.
    void ButtonReloadClick();
    void Reload1Click();
    void Exit1Click();
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
    void SpeedButton1Click();
    void CheckFileSelectClick();
    void SpeedButton9Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton4Click();
    void SpeedButton5Click();
    void SpeedButton7Click();
    void SpeedButton6Click();

    // User groups.
    void SetNameActionExecute();
    void AddNameActionExecute();
    void EditNameActionExecute();
    void DeleteNameActionExecute();
    void GroupNameDblClick();
    void GroupNameKeyDown(int key);

    // Networks and hosts.
    void SetNetActionExecute();
    void AddNetActionExecute();
    void EditNetActionExecute();
    void DeleteNetActionExecute();
    void LNetworkDblClick();
    void LNetworkKeyDown(int key);
    void SetHostActionExecute();
    void AddHostActionExecute();
    void EditHostActionExecute();
    void DeleteHostActionExecute();
    void LHostDblClick();
    void LHostKeyDown(int key);

    // URL rules and blocked words; the error box of an Add for a group that does not exist.
    void ShowGroupNotFound();
    void SetUrlActionExecute();
    void AddUrlActionExecute();
    void EditUrlActionExecute();
    void DeleteUrlActionExecute();
    void LUrlDblClick();
    void LUrlKeyDown(int key);
    void SetWordActionExecute();
    void AddWordActionExecute();
    void EditWordActionExecute();
    void DeleteWordActionExecute();
    void LWordDblClick();
    void LWordKeyDown(int key);

    // Traffic limits and speeds: one line per group.
    void SetLimitActionExecute();
    void AddLimitActionExecute();
    void EditLimitActionExecute();
    void DeleteLimitActionExecute();
    void LLimitDblClick();
    void LLimitKeyDown(int key);
    void SetSpeedActionExecute();
    void AddSpeedActionExecute();
    void EditSpeedActionExecute();
    void DeleteSpeedActionExecute();
    void LSpeedDblClick();
    void LSpeedKeyDown(int key);

    // Port access and port blocking.
    void SetPortAActionExecute();
    void AddPortAActionExecute();
    void EditPortAActionExecute();
    void DeletePortAActionExecute();
    void LPortADblClick();
    void LPortAKeyDown(int key);
    void SetPortBActionExecute();
    void AddPortBActionExecute();
    void EditPortBActionExecute();
    void DeletePortBActionExecute();
    void LPortBDblClick();
    void LPortBKeyDown(int key);

    // Working hours and authorization.
    void SetTimeActionExecute();
    void AddTimeActionExecute();
    void EditTimeActionExecute();
    void DeleteTimeActionExecute();
    void LTimeDblClick();
    void LTimeKeyDown(int key);
    void SetAuthActionExecute();
    void AddAuthActionExecute();
    void EditAuthActionExecute();
    void DeleteAuthActionExecute();
    void LAuthDblClick();
    void LAuthKeyDown(int key);

    // The column sort shared by the rule lists and the statistics: sorts the rows of sender once by column.
    void LNetworkColumnClick(QAbstractItemView* sender, int column);

    // Cache-skip rules, and the pop-up menu shared by the rule lists.
    void LoadSkipActionExecute();
    void AddSkipActionExecute();
    void EditSkipActionExecute();
    void DeleteSkipActionExecute();
    void UpdateSkipActionExecute();
    void CacheSkipRulesDblClick();
    void CacheSkipRulesKeyDown(int key);
    void CacheSkipRulesColumnClick(int column);
    void AddPopActionExecute();
    void EditPopActionExecute();
    void DeletePopActionExecute();

    // Port mapping: the rules are read at start-up and shown; a save writes them back. The standard services
    // are stored when their field is left (or Enter is pressed in it).
    void LoadMServiceActionExecute();
    void SetMServiceActionExecute();
    void SMTPaddressExit();
    void POP3addressExit();
    void NNTPaddressExit();
    void SMTPaddressKeyDown(int key);
    void POP3addressKeyDown(int key);
    void NNTPaddressKeyDown(int key);
    // The manual services: Add, Edit and Delete through the dialog TFMService, a double click or Enter, the
    // Delete key and the shared pop-up menu.
    void AddMServiceActionExecute();
    void EditMServiceActionExecute();
    void DeleteMServiceActionExecute();
    void RouterRulesDblClick();
    void RouterRulesKeyDown(int key);

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
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Start-up pieces.
    void setUp();
    void setUpStatusBar();
    void setUpHints();
    void connectSettingsControls();
    void buildLists();
    void setUpPopupMenu();
    void setUpEditActions();
    QAction* editAction(const char* name, const QString& text, const QList<QKeySequence>& keys);
    void markSavedState(); // the rule lists and settings are as saved (or loaded)
    void setUpPortMapping();
    QLineEdit* standardServiceField(int slot) const;
    bool storeStandardService(int slot, bool onlyChanges);
    bool storeEditedStandardServices();

    // Reading the configuration, at start-up and on a reload, and what the window shows of a save.
    void readConfiguration();
    void reload();
    void reloadConfiguration();
    void loadServerConfig();
    void replaceRules(std::size_t file, const std::function<void()>& change);
    void showSaved(const std::vector<std::string>& notes);
    OtherFiles otherFiles() const;
    void showStandardServices();
    void loadPreferences();
    void savePreferences();
    static QString preferencesLocation(const QString& executablePath);
    void fillRuleLists();

    // Rule lists.
    BoundList& list(const ListDescriptor& descriptor) const;
    BoundList* popupList() const;
    void runPopupEntry(PopupEntry entry); // on the list that opened the pop-up menu, or says there are no rules

    std::unique_ptr<Ui::TMainWnd> ui_;
    std::unique_ptr<ListViews> lists_;
    std::unique_ptr<GroupEditor> groupEditor_;
    std::unique_ptr<RuleEditor> ruleEditor_;
    std::unique_ptr<CacheSkipEditor> cacheSkipEditor_;
    std::unique_ptr<ManualServiceEditor> manualServiceEditor_;
    std::unique_ptr<StatisticsPage> statisticsPage_;
    SettingsForm* settingsForm_ = nullptr;
    RuleFileFields* ruleFileFields_ = nullptr;
    QFileDialog* OpenDialog1 = nullptr;
    QMenu* CacheSkipPopup = nullptr;
    QAbstractItemView* popupComponent_ = nullptr; // the list view that opened CacheSkipPopup
    QLabel* statusPanel0_ = nullptr;              // 350 pixels: hints of the control under the mouse
    QLabel* statusPanel1_ = nullptr;              // progress notes
    bool showHints_ = false;
    bool settingsChanged_ = false; // a setting (not a rule list) changed since the last load or save
    bool loading_ = false;         // LoadServerConfig is filling the controls
    QString executablePath_;       // absolute
    QString workingDirectory_;     // absolute; empty: the executable's directory

    // The change state as the window shows it: the title's mark and Save follow ConfigChanged (and a relay
    // server being typed), refreshed wherever the flag is written and on every pass of the event loop, so that
    // a flag written directly is shown too.
    void setConfigChanged(bool changed);
    void showChangeState();
    // Shortcuts, the hint of the control with the focus, and keys that must not become text.
    void setUpKeyboard();
    void showFocusHint(QWidget* focused);
    bool isCommandKeyForField(QObject* watched, QEvent* event) const;
    bool shownModified_ = false;
    bool shownSaveEnabled_ = true;
};
