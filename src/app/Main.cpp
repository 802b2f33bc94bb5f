#include "app/Main.h"

#include "access/AccessLists.h"
#include "access/GroupEditor.h"
#include "access/RuleEditor.h"
#include "base/ListActions.h"
#include "base/ListModels.h"
#include "base/ListViews.h"
#include "base/MessageBoxes.h"
#include "base/RowOrder.h"
#include "base/Text.h"
#include "cacheskip/CacheSkipEditor.h"
#include "config/Preferences.h"
#include "portmap/ServiceEditor.h"
#include "portmap/ServiceList.h"
#include "session/RuleFileFields.h"
#include "session/SettingsForm.h"
#include "stats/StatisticsPage.h"
#include "ui_Main.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTextEdit>
#include <QUndoStack>
#include <array>

TMainWnd::TMainWnd(const QString& executablePath, QWidget* parent)
    : QMainWindow(parent), ui_(new Ui::TMainWnd), executablePath_(QFileInfo(executablePath).absoluteFilePath()) {
    setUp();
    FormCreate();
}

TMainWnd::TMainWnd(const QString& executablePath, const QDir& workingDirectory, QWidget* parent)
    : QMainWindow(parent), ui_(new Ui::TMainWnd), executablePath_(QFileInfo(executablePath).absoluteFilePath()),
      workingDirectory_(workingDirectory.absolutePath()) {
    setUp();
    FormCreate();
}

void TMainWnd::setUp() {
    // The image list is compiled into this library; register it before the form loads its icons.
    Q_INIT_RESOURCE(images);
    ui_->setupUi(this);

    ui_->VerPanel->setText(QStringLiteral("GLYM configurator ver.") + QStringLiteral(GLYM_VERSION));
    ui_->PageControl->setTabVisible(kAccessPageIndex, false);
    ui_->PageControl->setTabVisible(kTestPageIndex, false);
    // A menu's hint belongs to its entry in the menu bar; the service menu is not offered.
    for (QMenu* menu : {ui_->File1, ui_->Service1, ui_->Config1}) {
        menu->menuAction()->setToolTip(menu->toolTip());
        menu->menuAction()->setStatusTip(menu->statusTip());
    }
    ui_->Service1->menuAction()->setVisible(false);
    setUpStatusBar();

    buildLists();
    settingsForm_ = new SettingsForm(this, document_);
    OpenDialog1 = settingsForm_->fileDialog();

    connect(ui_->ButtonSave, &QToolButton::clicked, this, &TMainWnd::ButtonSaveClick);
    connect(ui_->Save1, &QAction::triggered, this, &TMainWnd::Save1Click);
    connect(ui_->ButtonReload, &QToolButton::clicked, this, &TMainWnd::ButtonReloadClick);
    connect(ui_->Reload1, &QAction::triggered, this, &TMainWnd::Reload1Click);
    connect(ui_->ButtonExit, &QToolButton::clicked, this, &TMainWnd::Exit1Click);
    connect(ui_->Exit1, &QAction::triggered, this, &TMainWnd::Exit1Click);
    connect(ui_->ShowHint1, &QAction::triggered, this, &TMainWnd::ShowHint1Click);
    connect(ui_->BReloadStatistic, &QToolButton::clicked, this, &TMainWnd::BReloadStatisticClick);
    connect(ui_->BSaveStatistic, &QToolButton::clicked, this, &TMainWnd::BSaveStatisticClick);
    connectSettingsControls();
    setUpPortMapping();
    setUpPopupMenu();
    setUpEditActions();
    setUpHints();
    setUpKeyboard();
}

// A field that still has the focus is left while the window goes: its leave handlers (a relay server stored, a
// rule-file name asked about) must not run on a window half destroyed.
TMainWnd::~TMainWnd() {
    for (QLineEdit* field : findChildren<QLineEdit*>())
        for (QObject* receiver : {static_cast<QObject*>(this), static_cast<QObject*>(ruleFileFields_)})
            disconnect(field, &QLineEdit::editingFinished, receiver, nullptr);
}

void TMainWnd::setUpStatusBar() {
    statusPanel0_ = new QLabel(ui_->StatusBar1);
    statusPanel0_->setObjectName(QStringLiteral("StatusPanel0"));
    statusPanel0_->setFixedWidth(350);
    statusPanel1_ = new QLabel(ui_->StatusBar1);
    statusPanel1_->setObjectName(QStringLiteral("StatusPanel1"));
    statusPanel1_->setMinimumWidth(50);
    ui_->StatusBar1->addWidget(statusPanel0_);
    // A permanent widget stays visible while the status bar shows the hint of the control under the mouse.
    ui_->StatusBar1->addPermanentWidget(statusPanel1_, 1);
}

void TMainWnd::setUpHints() {
    // Pop-up hints follow "Show Hint"; the status bar shows the long hint either way.
    qApp->installEventFilter(this);
}

// ---------------------------------------------------------------------------------------------------------------
// Start-up, the change flag, saving and closing

void TMainWnd::FormCreate() {
    ProgramDir = workingDirectory_.isEmpty()
                     ? executablePath_.left(std::max<qsizetype>(executablePath_.lastIndexOf(QLatin1Char('/')), 0))
                     : workingDirectory_;
    preferencesFile = preferencesLocation(executablePath_);
    QDir::setCurrent(ProgramDir.trimmed()); // a failure leaves the current directory as it was
    LoadPreferences();
    IniFileName = QStringLiteral("./glym30.ini");
    readConfiguration();
}

// What the start-up reads, and a reload again: glym30.ini (offered to be created when missing) and the rule files
// it names.
void TMainWnd::readConfiguration() {
    if (!QFileInfo(IniFileName).isFile())
        CreateDefaultServerConfig();
    LoadServerConfig();
}

void TMainWnd::ValueChange() {
    setConfigChanged(true);
    settingsChanged_ = true; // undoing every list step leaves this change
}

void TMainWnd::RouterRulesChange() {
    setConfigChanged(true);
}

// Yes saves as the save button does: a file changed on disk by someone else is asked about first, and Reload there
// reads the files again and keeps the window open (the administrator sees what is on disk now and decides again);
// Cancel there keeps the window open with its changes.
bool TMainWnd::FormCloseQuery() {
    // A relay server still being typed counts; one that cannot be stored keeps the window open to be mended.
    bool canClose = storeEditedStandardServices();
    if (canClose && ConfigChanged) {
        switch (messages::ask(this, QStringLiteral("Confirm"), QStringLiteral("Save changes to config?"),
                              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Question)) {
        case QMessageBox::Yes:
            if (!SaveServerConfig())
                return false; // the error has been shown; the window stays open with its changes
            break;
        case QMessageBox::No:
            break;
        default:
            canClose = false;
            break;
        }
    }
    SavePreferences(); // a failure is shown, but does not keep the window from closing
    return canClose;
}

void TMainWnd::closeEvent(QCloseEvent* event) {
    statisticsPage_->cancel(); // a statistics reading in progress stops at its next block
    event->setAccepted(FormCloseQuery());
}

// Both saves first store a relay server still being typed (the field keeps the focus: it was never left).
void TMainWnd::ButtonSaveClick() {
    if (storeEditedStandardServices())
        SaveServerConfig();
}

void TMainWnd::Save1Click() {
    if (storeEditedStandardServices())
        SaveServerConfig();
}

void TMainWnd::ButtonReloadClick() {
    reload();
}

void TMainWnd::Reload1Click() {
    reload();
}

// Changes not saved are asked about first: Save saves, then reads the files (a save that fails, or that the user
// stops, reads nothing); Discard reads them at once; Cancel does nothing.
void TMainWnd::reload() {
    if (!storeEditedStandardServices())
        return;
    if (ConfigChanged) {
        switch (messages::ask(this, QStringLiteral("Confirm"),
                              QStringLiteral("Save changes to config before reloading?"),
                              QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Question)) {
        case QMessageBox::Save:
            if (!SaveServerConfig())
                return;
            break;
        case QMessageBox::Discard:
            break;
        default:
            return;
        }
    }
    reloadConfiguration();
}

// Forgets what the window holds and reads the files again, through the same steps as the start-up.
void TMainWnd::reloadConfiguration() {
    QDir::setCurrent(ProgramDir.trimmed());
    // The edit history of the lists would refer to rows that are gone.
    clearUndo();
    // Every list is emptied before the records behind its rows go, as an error box of the load lets them draw.
    Groups = GroupTable();
    fillRuleLists();
    readConfiguration();
}

void TMainWnd::Exit1Click() {
    close();
}

void TMainWnd::ShowHint1Click() {
    showHints_ = !showHints_;
    ui_->ShowHint1->setChecked(showHints_);
}

bool TMainWnd::eventFilter(QObject* watched, QEvent* event) {
    // Every event of the program passes here: a flag written directly is shown at the next one.
    if (ConfigChanged != shownModified_)
        showChangeState();
    if (event->type() == QEvent::ToolTip && !showHints_) {
        // A field's own complaint about its text is no hint: it shows either way.
        if (auto* widget = qobject_cast<QWidget*>(watched);
            widget && widget->window() == this && !widget->property(SettingsForm::kInvalidMark).toBool())
            return true;
    }
    if (isCommandKeyForField(watched, event))
        return true;
    return QMainWindow::eventFilter(watched, event);
}

std::string TMainWnd::NormalizeRuleLine(const std::string& line) {
    return ::NormalizeRuleLine(line);
}

// ---------------------------------------------------------------------------------------------------------------
// Rule lists: building them, the shared pop-up menu and the shared column sort

// Every list view is built once from its descriptor and bound to the editor whose actions its input runs; a view
// the form lacks stops the start-up (GlymError).
void TMainWnd::buildLists() {
    lists_ = std::make_unique<ListViews>(this);
    groupEditor_ = std::make_unique<GroupEditor>(this, Groups, *lists_);
    ruleEditor_ = std::make_unique<RuleEditor>(this, Groups, *lists_);
    cacheSkipEditor_ = std::make_unique<CacheSkipEditor>(this, CacheSkipLines);
    manualServiceEditor_ = std::make_unique<ManualServiceEditor>(
        this, ManualServiceLines, StandardServiceLines,
        std::array<QLineEdit*, 3>{ui_->SMTPaddress, ui_->POP3address, ui_->NNTPaddress}, ui_->EditProxyPort);
    // A relay server typed but not yet confirmed counts for the port check of an Add: it is stored first.
    manualServiceEditor_->setBeforeAdd([this] { return storeEditedStandardServices(); });
    const ListSources sources{Groups, CacheSkipLines, ManualServiceLines};
    auto bind = [this, &sources](const ListDescriptor& descriptor, ListActions& actions) {
        const QAbstractItemModel* model = lists_->bind(descriptor, makeLineModel(descriptor, sources), &actions).model;
        // A row added, changed or removed is a change of the configuration; selecting or sorting rows is not.
        connect(model, &QAbstractItemModel::rowsInserted, this, &TMainWnd::RouterRulesChange);
        connect(model, &QAbstractItemModel::rowsRemoved, this, &TMainWnd::RouterRulesChange);
        connect(model, &QAbstractItemModel::dataChanged, this, &TMainWnd::RouterRulesChange);
        connect(model, &QAbstractItemModel::modelReset, this, &TMainWnd::RouterRulesChange);
    };
    for (const ListDescriptor* descriptor : accesslists::all()) {
        if (descriptor == &accesslists::groups())
            bind(*descriptor, *groupEditor_);
        else
            bind(*descriptor, *ruleEditor_);
    }
    bind(CacheSkipEditor::list(), *cacheSkipEditor_);
    bind(manualServiceList(), *manualServiceEditor_);
    statisticsPage_ = std::make_unique<StatisticsPage>(this, *lists_, ui_->StatusBar1, statusPanel1_);
    // The export refuses the files of the configuration, named as the window opens them (relative names count from
    // the program directory).
    statisticsPage_->setProtectedFiles([this] {
        auto file = [this](const char* what, const QString& name, std::string path) {
            if (!path.empty() && path.front() != '/')
                path = QFile::encodeName(ProgramDir.trimmed()).toStdString() + '/' + path;
            return StatisticsPage::ProtectedFile{QString::fromUtf8(what), name, std::move(path)};
        };
        auto shown = [&file](const char* what, const QLineEdit* field) {
            return file(what, field->text(), toFileBytes(field->text()).value_or(std::string()));
        };
        return std::vector{
            shown("the connection log", ui_->ConnectLogFile),
            file("the server settings", QDir::cleanPath(IniFileName), QFile::encodeName(IniFileName).toStdString()),
            file("the preferences file", preferencesFile, QFile::encodeName(preferencesFile).toStdString()),
            shown("the access rules file", ui_->CheckFile),
            shown("the cache-skip rules file", ui_->CacheSkipFile),
            shown("the port-mapping rules file", ui_->RouterFile)};
    });
    lists_->popupRequested = [this](BoundList& list, QPoint at) {
        popupComponent_ = list.view;
        CacheSkipPopup->exec(at);
    };
    // The cache-skip rules sort by their whole line; every other list by the column clicked.
    lists_->columnClicked = [this](BoundList& list, int column) {
        if (list.descriptor == &CacheSkipEditor::list())
            CacheSkipRulesColumnClick(column);
        else
            LNetworkColumnClick(list.view, column);
    };
}

BoundList& TMainWnd::list(const ListDescriptor& descriptor) const {
    return lists_->of(descriptor);
}

void TMainWnd::setUpPopupMenu() {
    CacheSkipPopup = new QMenu(this);
    CacheSkipPopup->setObjectName(QStringLiteral("CacheSkipPopup"));
    auto addEntry = [this](const char* name, const QString& text, void (TMainWnd::*handler)()) {
        QAction* action = CacheSkipPopup->addAction(text);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, handler);
    };
    addEntry("AddPopAction", QStringLiteral("&Add"), &TMainWnd::AddPopActionExecute);
    addEntry("EditPopAction", QStringLiteral("&Edit"), &TMainWnd::EditPopActionExecute);
    addEntry("DeletePopAction", QStringLiteral("&Delete"), &TMainWnd::DeletePopActionExecute);
}

// The list that opened the pop-up menu; before any pop-up, the rule list that has the focus.
BoundList* TMainWnd::popupList() const {
    return lists_->find(popupComponent_ ? static_cast<QObject*>(popupComponent_) : focusWidget());
}

void TMainWnd::LNetworkColumnClick(QAbstractItemView* sender, int column) {
    const BoundList* shown = lists_->find(sender);
    if (!shown)
        return;
    SortColumn = column;
    shown->proxy->sortByClick(column);
}

// Every list of the access rules shows its lines afresh, through its editor.
void TMainWnd::fillRuleLists() {
    for (const ListDescriptor* descriptor : accesslists::all()) {
        BoundList& shown = list(*descriptor);
        shown.actions->fill(shown);
    }
}

// ---------------------------------------------------------------------------------------------------------------
// Cache-skip rules

void TMainWnd::LoadSkipActionExecute() {
    messages::guarded(this, [this] {
        LoadFindings dropped;
        const std::string path = toFileBytes(ui_->CacheSkipFile->text()).value_or(std::string());
        // A file that cannot be read leaves the list empty, not with the lines of an earlier reading.
        replaceRules(1, [&] {
            CacheSkipLines.clear();
            CacheSkipLines = document_.readCacheSkipRules(path, dropped);
        });
        document_.addFindings(dropped.findings());
    });
}

// The rules always sort by their whole line, whatever the column; a second click reverses.
void TMainWnd::CacheSkipRulesColumnClick(int column) {
    messages::guarded(this, [this, column] {
        const BoundList& shown = list(CacheSkipEditor::list());
        const Qt::SortOrder order = shown.proxy->nextOrder(column);
        cacheSkipEditor_->sort(list(CacheSkipEditor::list()), order);
        shown.proxy->markSorted(column, order);
    });
}

// ---------------------------------------------------------------------------------------------------------------
// Statistics

void TMainWnd::BReloadStatisticClick() {
    messages::guarded(this, [this] { statisticsPage_->reload(ui_->ConnectLogFile->text()); });
}

void TMainWnd::LoadStatActionExecute() {
    messages::guarded(this, [this] { statisticsPage_->read(ui_->ConnectLogFile->text()); });
}

// ---------------------------------------------------------------------------------------------------------------
// Undo, redo and the list filters

// The Edit menu's entries may come with the form; what it lacks is made here.
QAction* TMainWnd::editAction(const char* name, const QString& text, const QList<QKeySequence>& keys) {
    if (auto* found = findChild<QAction*>(QLatin1String(name)))
        return found;
    auto* menu = findChild<QMenu*>(QStringLiteral("Edit1"));
    if (!menu) {
        menu = new QMenu(QStringLiteral("&Edit"), this);
        menu->setObjectName(QStringLiteral("Edit1"));
        const QList<QAction*> entries = menuBar()->actions();
        const int file = static_cast<int>(entries.indexOf(ui_->File1->menuAction()));
        menuBar()->insertMenu(entries.value(file + 1), menu);
    }
    auto* action = new QAction(text, this);
    action->setObjectName(QLatin1String(name));
    action->setShortcuts(keys);
    menu->addAction(action);
    addAction(action); // its keys work with the menu bar hidden too
    return action;
}

void TMainWnd::setUpEditActions() {
    QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
    if (!redoKeys.contains(QKeySequence(QStringLiteral("Ctrl+Shift+Z"))))
        redoKeys.prepend(QKeySequence(QStringLiteral("Ctrl+Shift+Z")));
    QAction* undo = editAction("UndoAction", QStringLiteral("Undo"), QKeySequence::keyBindings(QKeySequence::Undo));
    QAction* redo = editAction("RedoAction", QStringLiteral("Redo"), redoKeys);
    QAction* find = editAction("FindAction", QStringLiteral("Find"), QKeySequence::keyBindings(QKeySequence::Find));
    connect(undo, &QAction::triggered, this, &TMainWnd::UndoActionExecute);
    connect(redo, &QAction::triggered, this, &TMainWnd::RedoActionExecute);
    connect(find, &QAction::triggered, this, &TMainWnd::FindActionExecute);

    // The entries name the step they undo or redo: "Undo delete URL rule".
    const QUndoStack& steps = lists_->undoStack();
    auto named = [](QAction* action, const QString& verb, const QString& step) {
        action->setText(step.isEmpty() ? verb : verb + u' ' + step);
    };
    connect(&steps, &QUndoStack::undoTextChanged, undo, [=](const QString& step) { named(undo, tr("Undo"), step); });
    connect(&steps, &QUndoStack::redoTextChanged, redo, [=](const QString& step) { named(redo, tr("Redo"), step); });
    connect(&steps, &QUndoStack::canUndoChanged, undo, &QAction::setEnabled);
    connect(&steps, &QUndoStack::canRedoChanged, redo, &QAction::setEnabled);
    undo->setEnabled(false);
    redo->setEnabled(false);
}

// Back where the last load or save left the lists, with no setting changed since, nothing is left to save.
void TMainWnd::UndoActionExecute() {
    messages::guarded(this, [this] {
        lists_->undoStack().undo();
        if (lists_->undoStack().isClean() && !settingsChanged_)
            setConfigChanged(false);
    });
}

void TMainWnd::RedoActionExecute() {
    messages::guarded(this, [this] {
        lists_->undoStack().redo();
        if (lists_->undoStack().isClean() && !settingsChanged_)
            setConfigChanged(false);
    });
}

void TMainWnd::FindActionExecute() {
    lists_->focusFilter();
}

void TMainWnd::clearUndo() {
    lists_->clearUndo();
}

void TMainWnd::markSavedState() {
    lists_->undoStack().setClean();
    settingsChanged_ = false;
}

void TMainWnd::BSaveStatisticClick() {
    messages::guarded(this, [this] { statisticsPage_->save(); });
}

// ---------------------------------------------------------------------------------------------------------------
// The change state, the keyboard and the hint of the focused control

void TMainWnd::setConfigChanged(bool changed) {
    ConfigChanged = changed;
    showChangeState();
}

// "GLYM add-on - <full path of the settings file>", with the modified mark; Save (button, menu entry and so its
// shortcut) only while there is something to save, so that a stray save does not rotate the last good backups
// away.
void TMainWnd::showChangeState() {
    QString title = QStringLiteral("GLYM add-on");
    if (!IniFileName.isEmpty())
        title += QStringLiteral(" - ") + QDir::cleanPath(QDir(ProgramDir).absoluteFilePath(IniFileName)) +
                 QStringLiteral("[*]");
    if (title != windowTitle())
        setWindowTitle(title);
    // Without a glym30.ini there is always something to save: the file itself.
    const bool canSave = ConfigChanged || document_.settingsFileMissing();
    if (ConfigChanged != shownModified_ || canSave != shownSaveEnabled_) {
        shownModified_ = ConfigChanged;
        shownSaveEnabled_ = canSave;
        setWindowModified(ConfigChanged);
        ui_->ButtonSave->setEnabled(canSave);
        ui_->Save1->setEnabled(canSave);
    }
}

void TMainWnd::setUpKeyboard() {
    ui_->Save1->setShortcuts(QKeySequence::Save);
    // Some keyboard schemes have no key to quit (the system closes windows there): the X11 one's is taken then.
    const QList<QKeySequence> quit = QKeySequence::keyBindings(QKeySequence::Quit);
    ui_->Exit1->setShortcuts(quit.isEmpty() ? QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Q)} : quit);
    ui_->FindAction->setShortcuts(QKeySequence::Find);
    ui_->UndoAction->setShortcuts(QKeySequence::Undo);
    ui_->RedoAction->setShortcuts(QKeySequence::Redo);
    // Undo and redo have nothing to do until the rule lists keep their steps.
    ui_->UndoAction->setEnabled(false);
    ui_->RedoAction->setEnabled(false);

    // F5 shows the statistics read afresh, from whichever page.
    auto* reloadStatistic = new QAction(this);
    reloadStatistic->setObjectName(QStringLiteral("ReloadStatisticAction"));
    reloadStatistic->setShortcut(Qt::Key_F5);
    addAction(reloadStatistic);
    connect(reloadStatistic, &QAction::triggered, this, [this] {
        ui_->PageControl->setCurrentWidget(ui_->Statistic);
        BReloadStatisticClick();
    });

    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { showFocusHint(now); });
}

// The long hint of the control that receives the keys, as the pointer's shows when it moves over a control.
void TMainWnd::showFocusHint(QWidget* focused) {
    if (!focused || focused->window() != this)
        return;
    QString hint;
    for (QWidget* widget = focused; widget && widget != this && hint.isEmpty(); widget = widget->parentWidget())
        hint = widget->statusTip();
    if (hint.isEmpty())
        ui_->StatusBar1->clearMessage();
    else
        ui_->StatusBar1->showMessage(hint);
}

// A key pressed with Alt (and not Ctrl, which AltGr may bring) is a command: one that no menu, label or button
// took must not become a letter in a text field.
bool TMainWnd::isCommandKeyForField(QObject* watched, QEvent* event) const {
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers modifiers = key->modifiers();
    if (!(modifiers & Qt::AltModifier) || (modifiers & Qt::ControlModifier) || key->text().isEmpty())
        return false;
    return qobject_cast<QLineEdit*>(watched) || qobject_cast<QPlainTextEdit*>(watched) ||
           qobject_cast<QTextEdit*>(watched);
}
