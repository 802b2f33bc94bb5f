#include "app/Main.h"

#include "access/AccessKinds.h"
#include "access/GroupEditor.h"
#include "access/RuleEditor.h"
#include "access/RuleRows.h"
#include "app/ListColumns.h"
#include "app/MessageBoxes.h"
#include "app/Text.h"
#include "cacheskip/CacheSkipFile.h"
#include "cacheskip/CacheSkipEditor.h"
#include "stats/StatisticsPage.h"
#include "ui_Main.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTreeWidget>
#include <array>

namespace {

// Windows' code of the Delete key, which callers of the key handlers may pass instead of Qt::Key_Delete.
constexpr int kVirtualKeyDelete = 46;

// The rule lists with their handlers: the double click, the key handler and the three entries of the shared
// pop-up menu. The pop-up runs the first row whose list opened it; a list without a row shows "NoRules".
struct RuleListHandlers {
    const char* listName;
    void (TMainWnd::*dblClick)();
    void (TMainWnd::*keyDown)(int);
    void (TMainWnd::*add)();
    void (TMainWnd::*edit)();
    void (TMainWnd::*remove)();
    bool popupNeedsSelection; // Edit and Delete from the pop-up run only with a row selected
};

const std::array<RuleListHandlers, 4> kRuleLists = {{
    {"CacheSkipRules", &TMainWnd::CacheSkipRulesDblClick, &TMainWnd::CacheSkipRulesKeyDown,
     &TMainWnd::AddSkipActionExecute, &TMainWnd::EditSkipActionExecute, &TMainWnd::DeleteSkipActionExecute, true},
    {"GroupName", &TMainWnd::GroupNameDblClick, &TMainWnd::GroupNameKeyDown, &TMainWnd::AddNameActionExecute,
     &TMainWnd::EditNameActionExecute, &TMainWnd::DeleteNameActionExecute, false},
    {"LNetwork", &TMainWnd::LNetworkDblClick, &TMainWnd::LNetworkKeyDown, &TMainWnd::AddNetActionExecute,
     &TMainWnd::EditNetActionExecute, &TMainWnd::DeleteNetActionExecute, false},
    {"LHost", &TMainWnd::LHostDblClick, &TMainWnd::LHostKeyDown, &TMainWnd::AddHostActionExecute,
     &TMainWnd::EditHostActionExecute, &TMainWnd::DeleteHostActionExecute, false},
}};

// Keyboard and mouse of a rule list: Delete runs the list's key handler, a double click (or Enter) its double
// click handler, and a click on no row clears the selection, so that the next double click adds.
class RuleListInput : public QObject {
public:
    RuleListInput(TMainWnd* window, QTreeWidget* list, const struct RuleListHandlers& handlers);
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TMainWnd* window_;
    QTreeWidget* list_;
    const struct RuleListHandlers& handlers_;
};

const RuleListHandlers* handlersOf(const QObject* list) {
    if (!list)
        return nullptr;
    for (const RuleListHandlers& handlers : kRuleLists)
        if (list->objectName() == QLatin1String(handlers.listName))
            return &handlers;
    return nullptr;
}

RuleListInput::RuleListInput(TMainWnd* window, QTreeWidget* list, const RuleListHandlers& handlers)
    : QObject(list), window_(window), list_(list), handlers_(handlers) {
    list->installEventFilter(this);
    list->viewport()->installEventFilter(this);
}

bool RuleListInput::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (watched != list_)
            break;
        if (key == Qt::Key_Delete) {
            (window_->*handlers_.keyDown)(key);
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            (window_->*handlers_.dblClick)();
            return true;
        }
        break;
    }
    case QEvent::MouseButtonPress:
        if (watched == list_->viewport() && !list_->itemAt(static_cast<QMouseEvent*>(event)->position().toPoint())) {
            list_->clearSelection();
            list_->setCurrentItem(nullptr);
        }
        break;
    case QEvent::MouseButtonDblClick:
        if (watched == list_->viewport() && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            (window_->*handlers_.dblClick)();
            return true;
        }
        break;
    default:
        break;
    }
    return false;
}

} // namespace

TMainWnd::TMainWnd(const QString& executablePath, QWidget* parent)
    : QMainWindow(parent), ui(new Ui::TMainWnd), executablePath_(QFileInfo(executablePath).absoluteFilePath()) {
    setUp();
    FormCreate();
}

TMainWnd::TMainWnd(const QString& executablePath, const QDir& workingDirectory, QWidget* parent)
    : QMainWindow(parent), ui(new Ui::TMainWnd), executablePath_(QFileInfo(executablePath).absoluteFilePath()),
      workingDirectory_(workingDirectory.absolutePath()) {
    setUp();
    FormCreate();
}

void TMainWnd::setUp() {
    // The image list is compiled into this library; register it before the form loads its icons.
    Q_INIT_RESOURCE(images);
    ui->setupUi(this);

    ui->VerPanel->setText(QStringLiteral("GLYM configurator ver.") + QStringLiteral(GLYM_VERSION));
    ui->PageControl->setTabVisible(AccessPageIndex, false);
    ui->PageControl->setTabVisible(TestPageIndex, false);
    // A menu's hint belongs to its entry in the menu bar; the service menu is not offered.
    for (QMenu* menu : {ui->File1, ui->Service1, ui->Config1}) {
        menu->menuAction()->setToolTip(menu->toolTip());
        menu->menuAction()->setStatusTip(menu->statusTip());
    }
    ui->Service1->menuAction()->setVisible(false);
    applyListColumns(this);
    setUpStatusBar();

    groupEditor = std::make_unique<GroupEditor>(this, Groups);
    ruleEditor = std::make_unique<RuleEditor>(this, Groups);
    cacheSkipEditor = std::make_unique<CacheSkipEditor>(this, CacheSkipLines);
    statisticsPage = std::make_unique<StatisticsPage>(this, ui->LStat, ui->BReloadStatistic, ui->StatusBar1, StatusPanel1);

    OpenDialog1 = new QFileDialog(this);
    OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));
    OpenDialog1->setOption(QFileDialog::DontUseNativeDialog);
    OpenDialog1->setFileMode(QFileDialog::AnyFile);
    OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);

    connect(ui->ButtonSave, &QToolButton::clicked, this, &TMainWnd::ButtonSaveClick);
    connect(ui->Save1, &QAction::triggered, this, &TMainWnd::Save1Click);
    connect(ui->ButtonExit, &QToolButton::clicked, this, &TMainWnd::Exit1Click);
    connect(ui->Exit1, &QAction::triggered, this, &TMainWnd::Exit1Click);
    connect(ui->ShowHint1, &QAction::triggered, this, &TMainWnd::ShowHint1Click);
    connect(ui->BReloadStatistic, &QToolButton::clicked, this, &TMainWnd::BReloadStatisticClick);
    connectSettingsControls();
    connectRuleLists();
    connectStandardServices();
    setUpPopupMenu();
    setUpHints();
}

TMainWnd::~TMainWnd() = default;

void TMainWnd::setUpStatusBar() {
    StatusPanel0 = new QLabel(ui->StatusBar1);
    StatusPanel0->setObjectName(QStringLiteral("StatusPanel0"));
    StatusPanel0->setFixedWidth(350);
    StatusPanel1 = new QLabel(ui->StatusBar1);
    StatusPanel1->setObjectName(QStringLiteral("StatusPanel1"));
    StatusPanel1->setMinimumWidth(50);
    ui->StatusBar1->addWidget(StatusPanel0);
    // A permanent widget stays visible while the status bar shows the hint of the control under the mouse.
    ui->StatusBar1->addPermanentWidget(StatusPanel1, 1);
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
    PreferencesFile = preferencesLocation(executablePath_);
    QDir::setCurrent(ProgramDir.trimmed()); // a failure leaves the current directory as it was
    LoadPreferences();
    IniFileName = QStringLiteral("./glym30.ini");
    if (!QFileInfo(IniFileName).isFile())
        CreateDefaultServerConfig();
    LoadServerConfig();
}

void TMainWnd::ValueChange() { ConfigChanged = true; }

void TMainWnd::RouterRulesChange() { ConfigChanged = true; }

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
    statisticsPage->cancel(); // a statistics reading in progress stops at its next block
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

void TMainWnd::Exit1Click() { close(); }

void TMainWnd::ShowHint1Click() {
    ShowHints = !ShowHints;
    ui->ShowHint1->setChecked(ShowHints);
}

bool TMainWnd::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ToolTip && !ShowHints) {
        if (auto* widget = qobject_cast<QWidget*>(watched); widget && widget->window() == this)
            return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

std::string TMainWnd::NormalizeRuleLine(const std::string& line) { return ::NormalizeRuleLine(line); }

// ---------------------------------------------------------------------------------------------------------------
// Rule lists: wiring, the shared pop-up menu and the shared column sort

void TMainWnd::connectRuleLists() {
    for (const RuleListHandlers& handlers : kRuleLists) {
        auto* list = findChild<QTreeWidget*>(QLatin1String(handlers.listName));
        new RuleListInput(this, list, handlers);
        list->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(list, &QWidget::customContextMenuRequested, this, [this, list](const QPoint& position) {
            PopupComponent = list;
            CacheSkipPopup->exec(list->viewport()->mapToGlobal(position));
        });
        // A row added, changed or removed is a change of the configuration; selecting a row is not.
        QAbstractItemModel* model = list->model();
        connect(model, &QAbstractItemModel::rowsInserted, this, &TMainWnd::RouterRulesChange);
        connect(model, &QAbstractItemModel::rowsRemoved, this, &TMainWnd::RouterRulesChange);
        connect(model, &QAbstractItemModel::dataChanged, this, &TMainWnd::RouterRulesChange);
    }
    // Every list sorts on a header click; the cache-skip rules sort their lines instead.
    for (QTreeWidget* list : findChildren<QTreeWidget*>()) {
        if (list == ui->AccessTree || list == ui->AccessList)
            continue;
        if (list == ui->CacheSkipRules)
            connect(list->header(), &QHeaderView::sectionClicked, this, &TMainWnd::CacheSkipRulesColumnClick);
        else
            connect(list->header(), &QHeaderView::sectionClicked, this,
                    [this, list](int column) { LNetworkColumnClick(list, column); });
        list->header()->setSectionsClickable(true);
    }
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
QTreeWidget* TMainWnd::popupList() const {
    if (PopupComponent)
        return PopupComponent;
    return qobject_cast<QTreeWidget*>(focusWidget());
}

void TMainWnd::AddPopActionExecute() {
    if (const RuleListHandlers* handlers = handlersOf(popupList()))
        return (this->*handlers->add)();
    messages::notice(this, QStringLiteral("NoRules"));
}

void TMainWnd::EditPopActionExecute() {
    const RuleListHandlers* handlers = handlersOf(popupList());
    if (handlers && (!handlers->popupNeedsSelection || rulerows::selectedRow(popupList())))
        return (this->*handlers->edit)();
    messages::notice(this, QStringLiteral("NoRules"));
}

void TMainWnd::DeletePopActionExecute() {
    const RuleListHandlers* handlers = handlersOf(popupList());
    if (handlers && (!handlers->popupNeedsSelection || rulerows::selectedRow(popupList())))
        return (this->*handlers->remove)();
    messages::notice(this, QStringLiteral("NoRules"));
}

bool TMainWnd::isDeleteKey(int key) const { return key == Qt::Key_Delete || key == kVirtualKeyDelete; }

void TMainWnd::LNetworkColumnClick(QTreeWidget* Sender, int Column) {
    if (!Sender)
        return;
    SortColumn = Column;
    rulerows::sortRows(Sender, Column);
}

void TMainWnd::fillRuleLists() {
    groupEditor->fill();
    ruleEditor->fill(accesskinds::networks());
    ruleEditor->fill(accesskinds::hosts());
}

// ---------------------------------------------------------------------------------------------------------------
// User groups, networks and hosts: the common editor pattern does the work

void TMainWnd::SetNameActionExecute() { messages::guarded(this, [this] { groupEditor->fill(); }); }
void TMainWnd::AddNameActionExecute() { messages::guarded(this, [this] { groupEditor->add(); }); }
void TMainWnd::EditNameActionExecute() { messages::guarded(this, [this] { groupEditor->edit(); }); }
void TMainWnd::DeleteNameActionExecute() { messages::guarded(this, [this] { groupEditor->remove(); }); }

void TMainWnd::GroupNameDblClick() {
    rulerows::selectedRow(ui->GroupName) ? EditNameActionExecute() : AddNameActionExecute();
}

void TMainWnd::GroupNameKeyDown(int Key) {
    if (isDeleteKey(Key))
        DeleteNameActionExecute();
}

void TMainWnd::SetNetActionExecute() {
    messages::guarded(this, [this] { ruleEditor->fill(accesskinds::networks()); });
}
void TMainWnd::AddNetActionExecute() {
    messages::guarded(this, [this] { ruleEditor->add(accesskinds::networks()); });
}
void TMainWnd::EditNetActionExecute() {
    messages::guarded(this, [this] { ruleEditor->edit(accesskinds::networks()); });
}
void TMainWnd::DeleteNetActionExecute() {
    messages::guarded(this, [this] { ruleEditor->remove(accesskinds::networks()); });
}

void TMainWnd::LNetworkDblClick() {
    rulerows::selectedRow(ui->LNetwork) ? EditNetActionExecute() : AddNetActionExecute();
}

void TMainWnd::LNetworkKeyDown(int Key) {
    if (isDeleteKey(Key))
        DeleteNetActionExecute();
}

void TMainWnd::SetHostActionExecute() {
    messages::guarded(this, [this] { ruleEditor->fill(accesskinds::hosts()); });
}
void TMainWnd::AddHostActionExecute() {
    messages::guarded(this, [this] { ruleEditor->add(accesskinds::hosts()); });
}
void TMainWnd::EditHostActionExecute() {
    messages::guarded(this, [this] { ruleEditor->edit(accesskinds::hosts()); });
}
void TMainWnd::DeleteHostActionExecute() {
    messages::guarded(this, [this] { ruleEditor->remove(accesskinds::hosts()); });
}

void TMainWnd::LHostDblClick() { rulerows::selectedRow(ui->LHost) ? EditHostActionExecute() : AddHostActionExecute(); }

void TMainWnd::LHostKeyDown(int Key) {
    if (isDeleteKey(Key))
        DeleteHostActionExecute();
}

// ---------------------------------------------------------------------------------------------------------------
// Cache-skip rules

void TMainWnd::LoadSkipActionExecute() {
    messages::guarded(this, [this] {
        const auto path = toFileBytes(ui->CacheSkipFile->text());
        CacheSkipLines = LoadCacheSkipLines(path.value_or(std::string()), &loadFindings);
        cacheSkipEditor->fill();
    });
}

void TMainWnd::AddSkipActionExecute() { messages::guarded(this, [this] { cacheSkipEditor->add(); }); }
void TMainWnd::EditSkipActionExecute() { messages::guarded(this, [this] { cacheSkipEditor->edit(); }); }
void TMainWnd::DeleteSkipActionExecute() { messages::guarded(this, [this] { cacheSkipEditor->remove(); }); }
void TMainWnd::UpdateSkipActionExecute() { messages::guarded(this, [this] { cacheSkipEditor->sort(); }); }

void TMainWnd::CacheSkipRulesDblClick() {
    rulerows::selectedRow(ui->CacheSkipRules) ? EditSkipActionExecute() : AddSkipActionExecute();
}

void TMainWnd::CacheSkipRulesKeyDown(int Key) {
    if (isDeleteKey(Key))
        DeleteSkipActionExecute();
}

void TMainWnd::CacheSkipRulesColumnClick(int Column) {
    Q_UNUSED(Column); // the rules always sort by their whole line
    UpdateSkipActionExecute();
}

// ---------------------------------------------------------------------------------------------------------------
// Statistics

void TMainWnd::BReloadStatisticClick() {
    messages::guarded(this, [this] { statisticsPage->reload(ui->ConnectLogFile->text()); });
}

void TMainWnd::LoadStatActionExecute() {
    messages::guarded(this, [this] { statisticsPage->read(ui->ConnectLogFile->text()); });
}
