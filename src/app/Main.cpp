#include "app/Main.h"

#include "access/RuleEditor.h"
#include "app/ConfigurationDirectory.h"
#include "app/Help.h"
#include "app/Theme.h"
#include "base/MessageBoxes.h"
#include "base/Text.h"
#include "base/WindowShell.h"
#include "session/ChangesDialog.h"
#include "session/DroppedLines.h"
#include "session/HistoryDialog.h"
#include "session/RuleFileFields.h"
#include "session/SaveQuestions.h"
#include "session/WindowPreferences.h"
#include "stats/StatisticsPage.h"
#include "systemd/ServiceControls.h"
#include "ui_Main.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QUndoStack>

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
    // A menu's hint belongs to its entry in the menu bar.
    for (QMenu* menu : {ui_->File1, ui_->Service1, ui_->Config1}) {
        menu->menuAction()->setToolTip(menu->toolTip());
        menu->menuAction()->setStatusTip(menu->statusTip());
    }
    setUpStatusBar();
    using Command = UnitControl::Command;
    serviceControls_ = new ServiceControls(this, {{{Command::Start, ui_->Start1, ui_->ButtonGLYMStart},
                                                   {Command::Stop, ui_->Stop1, ui_->ButtonStop},
                                                   {Command::Restart, ui_->Restart1, ui_->ButtonRestart},
                                                   {Command::Reload, ui_->ServiceReload1, nullptr}},
                                                  ui_->SaveAndApplyAction,
                                                  ui_->ButtonSaveAndApply,
                                                  ui_->StatusBar1,
                                                  statusPanel1_});
    buildLists();
    useHistoryOptions(); // every save is recorded, as the command line's

    settingsForm_ = new SettingsForm(this, document_);
    OpenDialog1 = settingsForm_->fileDialog();
    connect(settingsForm_, &SettingsForm::valueChanged, this, &TMainWnd::ValueChange);
    connect(settingsForm_, &SettingsForm::memoryChanged, this, &TMainWnd::EditMemoryPageCountChange);
    connect(settingsForm_, &SettingsForm::unitChosen, this, &TMainWnd::SwitchBClick);
    ruleFileFields_ = new RuleFileFields(
        this, document_, *settingsForm_, *lists_, {ui_->CheckFile, ui_->CacheSkipFile, ui_->RouterFile},
        {[this] { return otherFiles(); },
         [this](std::size_t file, const auto& change) { lists_->replaceRules(file, change); }, ui_->StatusBar1,
         statusPanel1_, &loading_});
    // The tool buttons and the menu entries are connected to their slots by the form.
    setUpKeyboard();
    setUpViewMenu();
}

// A field that still has the focus is left while the window goes: its leave handlers (a relay server stored, a
// rule-file name asked about) must not run on a window half destroyed.
TMainWnd::~TMainWnd() {
    for (QLineEdit* field : findChildren<QLineEdit*>())
        disconnect(field, &QLineEdit::editingFinished, nullptr, nullptr);
}

void TMainWnd::setUpStatusBar() {
    shell_ = new WindowShell(this, ui_->StatusBar1, SettingsForm::kInvalidMark);
    statusPanel1_ = shell_->notePanel();
    // Every event of the program passes here: a flag written directly is shown at the next one.
    shell_->everyEvent = [this] {
        if (ConfigChanged != shownModified_)
            showChangeState();
    };
}

void TMainWnd::setUpKeyboard() {
    ui_->Save1->setShortcuts(QKeySequence::Save);
    ui_->OpenConfigDirAction->setShortcuts(QKeySequence::Open);
    // Some keyboard schemes have no key to quit (the system closes windows there): the X11 one's is taken then.
    const QList<QKeySequence> quit = QKeySequence::keyBindings(QKeySequence::Quit);
    ui_->Exit1->setShortcuts(quit.isEmpty() ? QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Q)} : quit);
    const WindowShell::EditActions edit = shell_->addEditActions(ui_->File1, lists_->undoStack());
    connect(edit.undo, &QAction::triggered, this, &TMainWnd::UndoActionExecute);
    connect(edit.redo, &QAction::triggered, this, &TMainWnd::RedoActionExecute);
    connect(edit.find, &QAction::triggered, this, &TMainWnd::FindActionExecute);

    // F5 shows the statistics read afresh, from whichever page.
    auto* reloadStatistic = new QAction(this);
    reloadStatistic->setObjectName(QStringLiteral("ReloadStatisticAction"));
    reloadStatistic->setShortcut(Qt::Key_F5);
    addAction(reloadStatistic);
    connect(reloadStatistic, &QAction::triggered, this, [this] {
        ui_->PageControl->setCurrentWidget(ui_->Statistic);
        BReloadStatisticClick();
    });
}

// ---------------------------------------------------------------------------------------------------------------
// Start-up, the change flag, saving and closing

void TMainWnd::FormCreate() {
    ProgramDir = workingDirectory_.isEmpty()
                     ? executablePath_.left(std::max<qsizetype>(executablePath_.lastIndexOf(QLatin1Char('/')), 0))
                     : workingDirectory_;
    preferencesFile = windowpreferences::location(executablePath_);
    QDir::setCurrent(ProgramDir.trimmed()); // a failure leaves the current directory as it was
    serviceUnit_ = QString::fromLatin1(kDefaultServiceUnit);
    LoadPreferences();
    serviceControls_->open(serviceUnit_); // answers later: the bus is never waited for
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

void TMainWnd::CreateDefaultServerConfig() {
    if (messages::ask(this, QStringLiteral("Warning"), QStringLiteral("GLYM30.ini not found. Create new?"),
                      QMessageBox::Yes | QMessageBox::No, QMessageBox::Question) == QMessageBox::Yes)
        messages::guarded(this, [this] { createDefaultServerSettings(IniFileName.toStdString()); });
    raise();
    activateWindow();
}

// Each setting is shown as it is read, and each rule file's list as soon as the file is read.
bool TMainWnd::guarded(void (TMainWnd::*body)()) {
    return messages::guarded(this, [this, body] { (this->*body)(); });
}

void TMainWnd::ValueChange() {
    setConfigChanged(true);
    settingsChanged_ = true; // undoing every list step leaves this change
}

void TMainWnd::setConfigChanged(bool changed) {
    ConfigChanged = changed;
    showChangeState();
}

void TMainWnd::loadServerConfig() {
    loading_ = true;
    const std::shared_ptr<void> loaded(nullptr, [this](void*) { loading_ = false; });
    LineTokenizer = std::make_unique<TStructString>("", ":");
    LineBuilder = std::make_unique<TUnStructString>(":");
    GroupCount = GroupTable::kSlotCount;
    document_.load(loadObserver());
    setConfigChanged(false);
    markSavedState();
    ruleFileFields_->accept();
    savequestions::tidyLeftovers(this, document_);
    showDroppedLines(ui_->StatusBar1, document_.findings());
}

Configuration::LoadObserver TMainWnd::loadObserver() {
    return {
        .settingRead = [this](const ServerSetting& s, const SettingValue& value) { settingsForm_->show(s, value); },
        .reached =
            [this](LoadPoint point) {
                if (point == LoadPoint::MemoryPoolShown)
                    settingsForm_->showMemoryTotalOfLoad();
            },
        .failed = [this](const std::string& message) { messages::error(this, fromFileBytes(message)); },
        .replacingRules = [this](std::size_t file, const auto& change) { lists_->replaceRules(file, change); },
    };
}

// A rule file read again under the name its field shows.
void TMainWnd::rereadRules(std::size_t file) {
    QDir::setCurrent(ProgramDir.trimmed());
    settingsForm_->store(false);
    document_.rereadRules(file, loadObserver());
}

// Both saves first store a relay server still being typed (the field keeps the focus: it was never left).
void TMainWnd::save() {
    if (lists_->manualServices().storeEditedStandardServices())
        SaveServerConfig();
}

// The settings the proxy could not use and the rule-file names are settled first; then the save (see
// savequestions::save) asks about what changed on disk.
bool TMainWnd::SaveServerConfig() {
    QDir::setCurrent(ProgramDir.trimmed());
    if (!settingsForm_->confirmBeforeSave() || !ruleFileFields_->nameFilesToCreate() || ruleFileFields_->refused() ||
        !messages::guarded(this, [this] { settingsForm_->store(true); }))
        return false;
    std::string comment;
    if (!askSaveComment(comment))
        return false;
    std::vector<std::string> notes;
    switch (
        savequestions::save(this, document_, QFile::encodeName(ProgramDir.trimmed()).toStdString(), notes, comment)) {
    case savequestions::SaveEnd::Saved:
        showSaved(notes);
        return true;
    case savequestions::SaveEnd::Reload:
        reloadConfiguration();
        return false;
    default:
        return false;
    }
}

void TMainWnd::showSaved(const std::vector<std::string>& notes) {
    ruleFileFields_->accept();
    setConfigChanged(false);
    showDroppedLines(ui_->StatusBar1, document_.findings());
    markSavedState();
    showNotes(notes);
}

void TMainWnd::showNotes(const std::vector<std::string>& notes) {
    QStringList said;
    for (const std::string& note : notes)
        said << fromFileBytes(note);
    statusPanel1_->setText(said.join(u' ')); // also takes away what an earlier save had to say
    statusPanel1_->setToolTip(statusPanel1_->text());
}

// Yes saves as the save button does: a file changed on disk by someone else is asked about first, and Reload there
// reads the files again and keeps the window open (the administrator sees what is on disk now and decides again);
// Cancel there keeps the window open with its changes.
bool TMainWnd::FormCloseQuery() {
    // A relay server still being typed counts; one that cannot be stored keeps the window open to be mended.
    bool canClose = lists_->manualServices().storeEditedStandardServices();
    if (canClose && ConfigChanged) {
        const auto answer =
            messages::askWithMore(this, QStringLiteral("Confirm"), QStringLiteral("Save changes to config?"),
                                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Question, {},
                                  QMessageBox::Yes, tr("Show changes"), QStringLiteral("ShowChangesButton"), [this] {
                                      showChanges();
                                      return QMessageBox::NoButton; // then the question again
                                  });
        if (answer == QMessageBox::Yes && !SaveServerConfig())
            return false; // the error has been shown; the window stays open with its changes
        canClose = answer != QMessageBox::Cancel;
    }
    SavePreferences(); // a failure is shown, but does not keep the window from closing
    return canClose;
}

void TMainWnd::closeEvent(QCloseEvent* event) {
    statisticsPage_->cancel(); // a statistics reading in progress stops at its next block
    event->setAccepted(FormCloseQuery());
}

// Changes not saved are asked about first: Save saves, then reads the files (a save that fails, or that the user
// stops, reads nothing); Discard reads them at once; Cancel does nothing.
void TMainWnd::reload() {
    if (settleChanges(tr("Save changes to config before reloading?")))
        reloadConfiguration();
}

// Whether the files may be read afresh: nothing unsaved, or saved, or to be discarded, as the user answers.
bool TMainWnd::settleChanges(const QString& question) {
    if (!lists_->manualServices().storeEditedStandardServices())
        return false;
    if (!ConfigChanged)
        return true;
    const auto answer =
        messages::ask(this, QStringLiteral("Confirm"), question,
                      QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Question);
    return answer == QMessageBox::Discard || (answer == QMessageBox::Save && SaveServerConfig());
}

void TMainWnd::OpenConfigDirActionExecute() {
    const QString directory = configurationdirectory::choose(this, ProgramDir);
    if (!directory.isEmpty())
        OpenConfigDir(directory);
}

// The window reads the other directory's files through the same steps as a reload, once that directory is the
// current one; the preferences stay the executable's. The statistics of the other connection log are put away.
bool TMainWnd::OpenConfigDir(const QString& directory) {
    const QString path = QDir::cleanPath(QDir(directory).absolutePath());
    if (!QFileInfo(path).isDir()) {
        messages::error(this, tr("The directory \"%1\" does not exist.").arg(path));
        recentDirectories_.removeAll(path);
        showRecentDirectories();
        return false;
    }
    if (!settleChanges(tr("Save changes to config before opening another directory?")))
        return false;
    workingDirectory_ = path;
    ProgramDir = path;
    settingsForm_->startPickersAfresh();
    statisticsPage_->clear();
    reloadConfiguration();
    recentDirectories_ = windowpreferences::withRecentDirectory(recentDirectories_, ProgramDir);
    showRecentDirectories();
    showChangeState();
    return true;
}

// Forgets what the window holds and reads the files again, through the same steps as the start-up.
void TMainWnd::reloadConfiguration() {
    QDir::setCurrent(ProgramDir.trimmed());
    clearUndo(); // the edit history of the lists would refer to rows that are gone
    readConfiguration();
}

// The lines a save would change now: the settings being typed and a relay server still in its field count.
void TMainWnd::showChanges() {
    QDir::setCurrent(ProgramDir.trimmed());
    if (lists_->manualServices().storeEditedStandardServices() &&
        messages::guarded(this, [this] { settingsForm_->store(false); }))
        ChangesDialog::showPending(this, document_);
}

// The comment the history keeps with a save, when the preference asks for one; false: the user cancelled the save.
bool TMainWnd::askSaveComment(std::string& comment) {
    if (!ui_->AskSaveComment->isChecked())
        return true;
    bool given = false;
    const QString text =
        QInputDialog::getText(this, tr("Comment"), tr("A comment for the history of saves (one line, may be empty):"),
                              QLineEdit::Normal, QString(), &given);
    comment = text.simplified().toStdString();
    return given;
}

// The history as Config says, for the saves to come: a smaller number prunes at the next save.
void TMainWnd::useHistoryOptions() {
    windowpreferences::Options options;
    options.historyKeep = historyKeep_;
    options.historyBesideFiles = ui_->HistoryBesideFiles->isChecked();
    document_.setHistory(windowpreferences::historyPlace(options));
}

void TMainWnd::HistoryKeepActionExecute() {
    bool given = false;
    const int keep = QInputDialog::getInt(this, tr("History"),
                                          tr("How many saves the history keeps (the oldest go at the next save):"),
                                          historyKeep_, 1, 100'000, 1, &given);
    if (!given)
        return;
    historyKeep_ = keep;
    useHistoryOptions();
}

void TMainWnd::HistoryActionExecute() {
    QDir::setCurrent(ProgramDir.trimmed());
    const std::string store = document_.historyDirectory();
    if (store.empty())
        return messages::error(this,
                               tr("This configuration keeps no history: the user's state directory is not known."));
    HistoryDialog dialog({.storeDirectory = store,
                          .configurationDirectory = QFile::encodeName(ProgramDir.trimmed()).toStdString(),
                          .filesNow =
                              [this] {
                                  QDir::setCurrent(ProgramDir.trimmed());
                                  return document_.filesOnDisk();
                              },
                          .restore =
                              [this](unsigned number) {
                                  return restoreGeneration(number);
                              }},
                         this);
    dialog.exec();
}

// A restore is a save: changes not saved are asked about first (Save saves them, and that save is recorded too),
// files someone else changed are named (the history records them before it restores), and it happens under the
// save lock. The window then reads the files again, as Reload does.
bool TMainWnd::restoreGeneration(unsigned number) {
    if (!lists_->manualServices().storeEditedStandardServices())
        return false;
    if (ConfigChanged) {
        const auto answer =
            messages::ask(this, QStringLiteral("Confirm"), tr("Save changes to config before restoring?"),
                          QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Question);
        if (answer != QMessageBox::Discard && (answer != QMessageBox::Save || !SaveServerConfig()))
            return false;
    }
    QDir::setCurrent(ProgramDir.trimmed());
    QStringList changed;
    for (const Configuration::OutsideChange& change : document_.changedOnDisk())
        changed << QStringLiteral("%1 (%2)").arg(fromFileBytes(change.file), fromFileBytes(change.what));
    if (!changed.isEmpty() &&
        messages::ask(this, QStringLiteral("Warning"),
                      tr("These files were changed on disk by someone else since the configurator read them:") +
                          QStringLiteral("\n\n    ") + changed.join(QStringLiteral("\n    ")) + QStringLiteral("\n\n") +
                          tr("The history records them as they are before the restore replaces them, so they can "
                             "be restored too.\n\nRestore: restore generation %1.\nCancel: restore nothing.")
                              .arg(number),
                      QMessageBox::Save | QMessageBox::Cancel, QMessageBox::Warning,
                      {{QMessageBox::Save, tr("Restore")}}, QMessageBox::Cancel) != QMessageBox::Save)
        return false;
    Configuration::SaveResult restored;
    {
        const SaveLock lock(QFile::encodeName(ProgramDir.trimmed()).toStdString());
        if (!messages::guarded(this, [&] { restored = document_.restore(number); }))
            return false;
    }
    if (!restored.changedMeanwhile.empty()) {
        messages::error(this, tr("%1 was changed by someone else during the restore: nothing was restored.")
                                  .arg(fromFileBytes(restored.changedMeanwhile)));
        return false;
    }
    reloadConfiguration();
    std::vector<std::string> notes = std::move(restored.notes);
    if (restored.generation != 0)
        notes.insert(notes.begin(),
                     tr("Restored generation %1 as generation %2.").arg(number).arg(restored.generation).toStdString());
    showNotes(notes);
    return true;
}

void TMainWnd::ShowHint1Click() {
    shell_->setPopupHints(!shell_->popupHints());
    ui_->ShowHint1->setChecked(shell_->popupHints());
}

void TMainWnd::UserManual1Click() {
    if (!manual_)
        manual_ = new help::ManualWindow(this);
    manual_->showSection(help::sectionOfPage(ui_->PageControl));
}

void TMainWnd::About1Click() {
    help::showAbout(this);
}

// The theme is applied before the window is first shown; the directory worked on becomes the latest recent one.
void TMainWnd::loadPreferences() {
    const windowpreferences::Options options = windowpreferences::load(this, preferencesFile);
    shell_->setPopupHints(options.popupHints);
    ui_->ShowHint1->setChecked(shell_->popupHints());
    ui_->AskSaveComment->setChecked(options.askSaveComment);
    ui_->HistoryBesideFiles->setChecked(options.historyBesideFiles);
    historyKeep_ = options.historyKeep;
    useHistoryOptions();
    statisticsPage_->setFollowInterval(options.followSeconds);
    setTheme(options.theme);
    recentDirectories_ = windowpreferences::withRecentDirectory(options.recentDirectories, QDir::cleanPath(ProgramDir));
    showRecentDirectories();
    serviceUnit_ = options.serviceUnit;
}

void TMainWnd::savePreferences() {
    windowpreferences::save(this, preferencesFile,
                            {shell_->popupHints(), ui_->AskSaveComment->isChecked(), theme_, recentDirectories_,
                             historyKeep_, ui_->HistoryBesideFiles->isChecked(), serviceControls_->unit(),
                             statisticsPage_->followInterval()});
}

// A save cut short or refused applies nothing; with nothing to save, the service reloads what is on disk.
void TMainWnd::SaveAndApplyActionExecute() {
    if (!lists_->manualServices().storeEditedStandardServices())
        return;
    if (!ConfigChanged && !document_.settingsFileMissing())
        statusPanel1_->setText(tr("Nothing to save."));
    else if (!SaveServerConfig())
        return;
    serviceControls_->apply();
}

void TMainWnd::ServiceUnitActionExecute() {
    serviceControls_->chooseUnit();
}

// View > Theme: one of three, checked as the preferences say.
void TMainWnd::setUpViewMenu() {
    auto* themes = new QActionGroup(this);
    themes->setExclusive(true);
    const std::pair<QAction*, void (TMainWnd::*)()> entries[] = {{ui_->ThemeSystem, &TMainWnd::ThemeSystemExecute},
                                                                 {ui_->ThemeLight, &TMainWnd::ThemeLightExecute},
                                                                 {ui_->ThemeDark, &TMainWnd::ThemeDarkExecute}};
    for (const auto& [action, slot] : entries) {
        action->setCheckable(true);
        themes->addAction(action);
        connect(action, &QAction::triggered, this, slot);
    }
    ui_->ThemeSystem->setChecked(true);
    // A directory listed may have gone meanwhile: it is shown disabled.
    connect(ui_->RecentDirs1, &QMenu::aboutToShow, this, &TMainWnd::showRecentDirectories);
}

void TMainWnd::setTheme(Theme theme) {
    theme_ = theme;
    theme::apply(theme);
    // The application tells its windows of a new palette through their window-system windows: a window not yet
    // shown has none and would keep the palette it was built with (and so would its children).
    QEvent paletteChange(QEvent::ApplicationPaletteChange);
    QCoreApplication::sendEvent(this, &paletteChange);
    QAction* checked = theme == Theme::Light  ? ui_->ThemeLight
                       : theme == Theme::Dark ? ui_->ThemeDark
                                              : ui_->ThemeSystem;
    checked->setChecked(true);
}

// "&1 /srv/glym", ...; a directory that no longer exists is shown, disabled, until another one takes its place.
void TMainWnd::showRecentDirectories() {
    QMenu* menu = ui_->RecentDirs1;
    for (QAction* old : menu->actions()) { // one of them may be running now: deleted once it has run
        menu->removeAction(old);
        old->deleteLater();
    }
    for (qsizetype i = 0; i < recentDirectories_.size(); ++i) {
        const QString& directory = recentDirectories_[i];
        QString label = directory;
        label.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* entry = menu->addAction(QStringLiteral("&%1 %2").arg(QString::number(i + 1), label));
        entry->setObjectName(QStringLiteral("RecentDir%1").arg(i + 1));
        entry->setData(directory);
        entry->setStatusTip(directory);
        entry->setEnabled(QFileInfo(directory).isDir());
        connect(entry, &QAction::triggered, this, [this, directory] { OpenConfigDir(directory); });
    }
    menu->setEnabled(!recentDirectories_.isEmpty());
}

// A widget under a style sheet (the inner page controls draw their tabs by one, a marked field has one) keeps the
// palette its sheet was applied with, on the pages not shown yet too: the sheets are applied again.
void TMainWnd::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        for (QWidget* widget : findChildren<QWidget*>())
            if (!widget->styleSheet().isEmpty())
                widget->setStyleSheet(widget->styleSheet());
}

// ---------------------------------------------------------------------------------------------------------------
// The settings pages

OtherFiles TMainWnd::otherFiles() const {
    return {IniFileName.toStdString(), QFile::encodeName(preferencesFile).toStdString(),
            toFileBytes(ui_->ConnectLogFile->text()).value_or(std::string())};
}

// The load shows the exact product once both keys are read; an unreadable value is no error there. A text that is
// no number is a change too: it is what a save would write, so closing asks about it.
void TMainWnd::EditMemoryPageCountChange() {
    if (loading_)
        return setConfigChanged(true);
    settingsForm_->computeMemoryTotal();
    ValueChange();
}

// ---------------------------------------------------------------------------------------------------------------
// Rule lists: building them, the named slots, the shared pop-up menu and the column sorts

// Every list view is built once from its descriptor and bound to its editor; a view the form lacks stops the
// start-up (GlymError).
void TMainWnd::buildLists() {
    lists_ = std::make_unique<WindowLists>(
        this, document_, std::array<QLineEdit*, 3>{ui_->SMTPaddress, ui_->POP3address, ui_->NNTPaddress},
        ui_->EditProxyPort);
    connect(lists_.get(), &WindowLists::rowsChanged, this, &TMainWnd::RouterRulesChange);
    lists_->reportDeleted = [this](const QString& report) {
        shell_->showReport(report);
    };
    lists_->manualServices().standardServiceChanged = [this] {
        ValueChange();
    };
    statisticsPage_ = std::make_unique<StatisticsPage>(this, *lists_, ui_->StatusBar1, statusPanel1_);
    // The export refuses the files of the configuration, named as the window opens them (relative names count from
    // the program directory).
    statisticsPage_->setProtectedFiles([this] {
        auto file = [this](const char* what, const QString& name) {
            std::string path = toFileBytes(name).value_or(std::string());
            if (!path.empty() && path.front() != '/')
                path = QFile::encodeName(ProgramDir.trimmed()).toStdString() + '/' + path;
            return StatisticsPage::ProtectedFile{tr(what), name, std::move(path)};
        };
        return std::vector{file(QT_TR_NOOP("the connection log"), ui_->ConnectLogFile->text()),
                           file(QT_TR_NOOP("the server settings"), QDir::cleanPath(IniFileName)),
                           file(QT_TR_NOOP("the preferences file"), preferencesFile),
                           file(QT_TR_NOOP("the access rules file"), ui_->CheckFile->text()),
                           file(QT_TR_NOOP("the cache-skip rules file"), ui_->CacheSkipFile->text()),
                           file(QT_TR_NOOP("the port-mapping rules file"), ui_->RouterFile->text())};
    });
    statisticsPage_->setGroups([this]() -> const GroupTable& { return document_.groups(); });
    connect(ui_->OpenLogAction, &QAction::triggered, this, [this] {
        ui_->PageControl->setCurrentWidget(ui_->Statistic);
        messages::guarded(this, [this] { statisticsPage_->chooseLogs(); });
    });
    connect(ui_->ConnectLogAction, &QAction::triggered, this, [this] {
        statisticsPage_->forgetOpenedLogs();
        ui_->PageControl->setCurrentWidget(ui_->Statistic);
        BReloadStatisticClick();
    });
    connect(ui_->FollowIntervalAction, &QAction::triggered, statisticsPage_.get(), &StatisticsPage::askFollowInterval);
    CacheSkipPopup = lists_->addPopupMenu("CacheSkipPopup", {"AddPopAction", "EditPopAction", "DeletePopAction"},
                                          QStringLiteral("NoRules"));
    // The cache-skip rules sort by their whole line; every other list by the column clicked.
    lists_->columnClicked = [this](BoundList& list, int column) {
        if (list.descriptor == &CacheSkipEditor::list())
            CacheSkipRulesColumnClick(column);
        else
            LNetworkColumnClick(list.view, column);
    };
}

void TMainWnd::ShowGroupNotFound() {
    ::ShowGroupNotFound(this);
}

void TMainWnd::UpdateSkipActionExecute() {
    messages::guarded(this, [this] { lists_->cacheSkip().sort(list(CacheSkipEditor::list())); });
}

// ---------------------------------------------------------------------------------------------------------------
// Statistics, undo and redo, the change state

void TMainWnd::BReloadStatisticClick() {
    messages::guarded(this, [this] { statisticsPage_->reload(ui_->ConnectLogFile->text()); });
}

void TMainWnd::LoadStatActionExecute() {
    messages::guarded(this, [this] { statisticsPage_->read(ui_->ConnectLogFile->text()); });
}

void TMainWnd::openLogs(const QStringList& files) {
    ui_->PageControl->setCurrentWidget(ui_->Statistic);
    messages::guarded(this, [this, &files] { statisticsPage_->openLogs(files); });
}

void TMainWnd::BSaveStatisticClick() {
    messages::guarded(this, [this] { statisticsPage_->save(); });
}

// Back where the last load or save left the lists, with no setting changed since, nothing is left to save.
void TMainWnd::UndoActionExecute() {
    messages::guarded(this, [this] { lists_->undoStack().undo(); });
    if (lists_->undoStack().isClean() && !settingsChanged_)
        setConfigChanged(false);
}

void TMainWnd::RedoActionExecute() {
    messages::guarded(this, [this] { lists_->undoStack().redo(); });
    if (lists_->undoStack().isClean() && !settingsChanged_)
        setConfigChanged(false);
}

void TMainWnd::markSavedState() {
    lists_->undoStack().setClean();
    settingsChanged_ = false;
}

// "GLYM add-on - <full path of the settings file>", with the modified mark; Save (button, menu entry and so its
// shortcut) only while there is something to save, so that a stray save does not rotate the last good backups
// away. Without a glym30.ini there is always something to save: the file itself.
void TMainWnd::showChangeState() {
    QString title = QStringLiteral("GLYM add-on");
    if (!IniFileName.isEmpty())
        title += QStringLiteral(" - ") + QDir::cleanPath(QDir(ProgramDir).absoluteFilePath(IniFileName)) +
                 QStringLiteral("[*]");
    if (title != windowTitle())
        setWindowTitle(title);
    const bool canSave = ConfigChanged || document_.settingsFileMissing();
    if (ConfigChanged != shownModified_ || canSave != shownSaveEnabled_) {
        shownModified_ = ConfigChanged;
        shownSaveEnabled_ = canSave;
        setWindowModified(ConfigChanged);
        ui_->ButtonSave->setEnabled(canSave);
        ui_->Save1->setEnabled(canSave);
    }
}
