#include "base/ListViews.h"

#include "base/Images.h"
#include "base/ListActions.h"
#include "base/ListModels.h"
#include "base/MessageBoxes.h"
#include "base/RowOrder.h"
#include "base/UndoMacro.h"
#include "common/Error.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <QToolButton>
#include <QUndoStack>
#include <algorithm>
#include <set>
#include <utility>

namespace {

// The height of a row: one line of text beside a small image, as the item delegate lays a cell out, and the grid
// line below it.
int rowHeight(const QTableView* view) {
    QStyleOptionViewItem cell;
    cell.initFrom(view);
    cell.features = QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasDecoration;
    cell.text = QStringLiteral("Xg");
    const int icon = view->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, view);
    cell.decorationSize = view->iconSize().isValid() ? view->iconSize() : QSize(icon, icon);
    const int height = view->style()->sizeFromContents(QStyle::CT_ItemViewItem, &cell, QSize(), view).height();
    return height + (view->showGrid() ? 1 : 0);
}

// Report style: one whole row selected at a time (a list with actions allows several: wireInput), no editing in place,
// no row numbers, grid lines, and every row of one fixed height, so that the view never measures rows: adding or
// removing one among a million rows costs what it costs among ten. Tab leaves the list as it leaves any other control.
void setUpReportStyle(QTableView* view) {
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSortingEnabled(false);
    view->setShowGrid(true);
    view->setWordWrap(false);
    view->setTabKeyNavigation(false);
    view->setCornerButtonEnabled(false);

    QHeaderView* rows = view->verticalHeader();
    rows->setVisible(false);
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(1);
    rows->setDefaultSectionSize(rowHeight(view));

    QHeaderView* header = view->horizontalHeader();
    header->setSectionsClickable(true);
    header->setSectionsMovable(true);
    header->setHighlightSections(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void applyColumns(QTableView* view, const ListDescriptor& list) {
    QHeaderView* header = view->horizontalHeader();
    bool stretchesAColumn = false;
    int minimumWidth = 0;
    for (int column = 0; column < static_cast<int>(list.columns.size()); ++column) {
        const ListColumn& layout = list.columns[static_cast<std::size_t>(column)];
        switch (layout.sizing) {
        case ColumnSizing::Fixed:
        case ColumnSizing::Interactive:
            // The widths were laid out for a small 8-point font: with a larger one the column still shows its
            // whole header text.
            header->setSectionResizeMode(column, QHeaderView::Interactive);
            header->resizeSection(column, std::max(layout.width, header->sectionSizeHint(column)));
            break;
        case ColumnSizing::Contents:
            header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
            break;
        case ColumnSizing::Stretch:
            header->setSectionResizeMode(column, QHeaderView::Stretch);
            stretchesAColumn = true;
            break;
        }
        if (layout.minimumWidth > 0)
            minimumWidth = minimumWidth == 0 ? layout.minimumWidth : std::min(minimumWidth, layout.minimumWidth);
    }
    // Without a stretching column the last one takes up the free room, so the header reaches the right edge.
    header->setStretchLastSection(!stretchesAColumn);
    // A header has one minimum for all its sections: the smallest minimum the descriptor gives.
    if (minimumWidth > 0)
        header->setMinimumSectionSize(minimumWidth);
}

// A column of a starting width grows to the widest of its first rows (the view looks at a bounded number of them)
// when rows first come, so that an address, a mask or a time shows whole; it never shrinks, and a width the user
// dragged stays.
void widenFixedColumns(QTableView* view, const ListDescriptor& list) {
    QHeaderView* header = view->horizontalHeader();
    for (int column = 0; column < static_cast<int>(list.columns.size()); ++column)
        if (list.columns[static_cast<std::size_t>(column)].sizing == ColumnSizing::Fixed)
            header->resizeSection(column, std::max(header->sectionSize(column),
                                                   static_cast<QAbstractItemView*>(view)->sizeHintForColumn(column)));
}

// The list's commands and their kinds, which name their buttons ("LUrlAdd") and actions ("LUrlAddAction").
std::array<std::pair<QAction*, const char*>, 3> commandsOf(const BoundList& list) {
    return {{{list.addCommand, "Add"}, {list.editCommand, "Edit"}, {list.deleteCommand, "Delete"}}};
}

// The icons of the commands: the desktop's own where its theme has them, else drawings in the list's colours.
void showCommandIcons(const BoundList& list) {
    const QPalette palette = list.view->palette();
    auto icon = [&palette](const char* themed, const char* drawing) {
        return QIcon::fromTheme(QLatin1String(themed),
                                glyphIcon(QStringLiteral(":/comboboxx/%1.svg").arg(QLatin1String(drawing)), palette));
    };
    list.addCommand->setIcon(icon("list-add", "new"));
    list.editCommand->setIcon(icon("document-edit", "edit"));
    list.deleteCommand->setIcon(icon("list-remove", "delete"));
}

// The keys that open a list's pop-up menu at its selected row: the Menu key and Shift+F10.
bool isPopupKey(const QKeyEvent& press) {
    return (press.key() == Qt::Key_Menu && press.modifiers() == Qt::NoModifier) ||
           (press.key() == Qt::Key_F10 && press.modifiers() == Qt::ShiftModifier);
}

// The list's command (Add, Edit or Delete) whose keys the key pressed is, or nullptr. The keypad's keys count as
// the others.
QAction* commandOfKey(const BoundList& list, const QKeyEvent& press) {
    const QKeySequence pressed(QKeyCombination(press.modifiers() & ~Qt::KeypadModifier, Qt::Key(press.key())));
    for (QAction* command : {list.addCommand, list.editCommand, list.deleteCommand})
        if (command && command->shortcuts().contains(pressed))
            return command;
    return nullptr;
}

// Keyboard and mouse of a list, on the view and on its command buttons: the commands' keys run them (Insert or
// Ctrl+N, F2, Delete), a double click or Enter runs doubleClick, the Menu key and Shift+F10 open the pop-up menu at
// the selected row, Home and End go to the first and the last row, and a click on no row clears the selection.
// The list's keys go before the window's shortcuts while it has the focus: they never fight another page's.
class ListInput : public QObject {
public:
    ListInput(BoundList& list, std::function<void()> popupAtSelection)
        : QObject(list.view), list_(list), popupAtSelection_(std::move(popupAtSelection)) {
        list.view->installEventFilter(this);
        list.view->viewport()->installEventFilter(this);
    }
    // The command buttons take the list's keys too.
    void watchButton(QWidget* button) { button->installEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override {
        QTableView* view = list_.view;
        switch (event->type()) {
        case QEvent::ShortcutOverride:
            if (watched != view->viewport() && isListKey(*static_cast<QKeyEvent*>(event))) {
                event->accept();
                return true;
            }
            break;
        case QEvent::KeyPress:
            if (watched != view->viewport()) // the view or a button
                return keyPressed(*static_cast<QKeyEvent*>(event), watched == view);
            break;
        case QEvent::PaletteChange:
            if (watched == view && list_.addCommand)
                showCommandIcons(list_);
            break;
        case QEvent::ContextMenu:
            // The Menu key (the platform may send this besides the key itself) opens the menu at the selected row.
            if (watched == view && list_.actions &&
                static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
                popupAtSelection_();
                return true;
            }
            break;
        case QEvent::MouseButtonPress:
            if (watched == view->viewport() &&
                !view->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint()).isValid()) {
                view->clearSelection();
                view->setCurrentIndex(QModelIndex());
            }
            break;
        case QEvent::MouseButtonDblClick:
            if (watched == view->viewport() && list_.actions &&
                static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                list_.doubleClick();
                return true;
            }
            break;
        default:
            break;
        }
        return false;
    }

private:
    bool isListKey(const QKeyEvent& press) const {
        return list_.actions && (commandOfKey(list_, press) || isPopupKey(press));
    }

    bool keyPressed(const QKeyEvent& press, bool onView) {
        const int key = press.key();
        if (onView && (key == Qt::Key_Home || key == Qt::Key_End) && press.modifiers() == Qt::NoModifier)
            return goToEnd(key == Qt::Key_Home);
        if (!list_.actions)
            return false;
        if (QAction* command = commandOfKey(list_, press)) {
            command->trigger(); // nothing while the selection does not allow it
            return true;
        }
        if (isPopupKey(press)) {
            popupAtSelection_();
            return true;
        }
        if (onView && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            list_.doubleClick();
            return true;
        }
        return false;
    }

    // A table's Home and End go to the first and the last column; in a list of whole rows they go to the first
    // and the last row.
    bool goToEnd(bool first) const {
        QTableView* view = list_.view;
        const int rows = view->model()->rowCount();
        if (rows == 0)
            return true;
        const int column = std::max(view->currentIndex().column(), 0);
        view->setCurrentIndex(view->model()->index(first ? 0 : rows - 1, column));
        return true;
    }

    BoundList& list_;
    std::function<void()> popupAtSelection_;
};

// The box layout that holds a widget, at any depth below a layout, and the widget's place in it.
QBoxLayout* boxHolding(QLayout* layout, const QWidget* widget, int& place) {
    if (!layout)
        return nullptr;
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        if (item->widget() == widget) {
            place = i;
            return qobject_cast<QBoxLayout*>(layout);
        }
        if (QBoxLayout* inner = boxHolding(item->layout(), widget, place))
            return inner;
    }
    return nullptr;
}

// Escape in a filter clears it, and goes no further (a dialog would close on it).
class FilterKeys : public QObject {
public:
    explicit FilterKeys(QLineEdit* field) : QObject(field) { field->installEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape)
            return false;
        auto* field = static_cast<QLineEdit*>(watched);
        if (field->text().isEmpty())
            return false;
        field->clear();
        return true;
    }
};

} // namespace

std::vector<int> BoundList::selectedRows() const {
    std::set<int> viewRows;
    for (const QModelIndex& index : view->selectionModel()->selectedIndexes())
        viewRows.insert(index.row());
    std::vector<int> rows;
    for (const int viewRow : viewRows)
        if (const int row = proxy->sourceRow(viewRow); row >= 0)
            rows.push_back(row);
    return rows;
}

std::optional<int> BoundList::selectedRow() const {
    const QModelIndex current = view->selectionModel()->currentIndex();
    if (current.isValid() && view->selectionModel()->isSelected(current))
        if (const int row = proxy->sourceRow(current.row()); row >= 0)
            return row;
    const std::vector<int> rows = selectedRows();
    return rows.empty() ? std::nullopt : std::optional<int>(rows.front());
}

void BoundList::selectRow(int modelRow) const {
    const QModelIndex shown = proxy->index(proxy->viewRow(modelRow), 0);
    view->selectionModel()->setCurrentIndex(shown, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void BoundList::selectRows(const std::vector<int>& modelRows) const {
    QItemSelection selection;
    for (const int row : modelRows)
        if (const int viewRow = proxy->viewRow(row); viewRow >= 0)
            selection.select(proxy->index(viewRow, 0), proxy->index(viewRow, 0));
    if (selection.isEmpty())
        return;
    view->selectionModel()->setCurrentIndex(selection.first().topLeft(), QItemSelectionModel::NoUpdate);
    view->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

// The commands run the actions with the window's error box as the guard: an error ends the command, and never
// reaches the event loop.
namespace {

// Windows' code of the Delete key, which callers of the key handlers may pass instead of Qt::Key_Delete.
constexpr int kVirtualKeyDelete = 46;

void runAction(BoundList& list, void (ListActions::*action)(BoundList&)) {
    if (list.actions)
        messages::guarded(list.view->window(), [&list, action] { (list.actions->*action)(list); });
}

// What a delete took away and how to bring it back: "Deleted 3 URL rules. Ctrl+Z brings them back."
QString deletedReport(const ListDescriptor& list, int rows, int otherRows) {
    auto counted = [](int count, const QString& noun) {
        return count == 1 ? ListViews::tr("1 %1").arg(noun) : ListViews::tr("%1 %2s").arg(count).arg(noun);
    };
    QString what = counted(rows, ListViews::tr(list.noun));
    if (otherRows > 0)
        what = ListViews::tr("%1 and %2").arg(what, counted(otherRows, ListViews::tr("other rule")));
    const QString undoKey = QKeySequence(QKeySequence::Undo).toString(QKeySequence::NativeText);
    return (rows + otherRows == 1 ? ListViews::tr("Deleted %1. %2 brings it back.")
                                  : ListViews::tr("Deleted %1. %2 brings them back."))
        .arg(what, undoKey);
}

} // namespace

void BoundList::fill() {
    runAction(*this, &ListActions::fill);
}

void BoundList::add() {
    runAction(*this, &ListActions::add);
}

void BoundList::edit() {
    runAction(*this, &ListActions::edit);
}

// The rows that went are counted on the model: a delete the user cancels, or one refused, takes none.
void BoundList::remove() {
    const int rowsBefore = model->rowCount();
    const int allBefore = views ? views->totalRows() : rowsBefore;
    runAction(*this, &ListActions::remove);
    const int rows = rowsBefore - model->rowCount();
    if (rows > 0 && views && views->reportDeleted)
        views->reportDeleted(deletedReport(*descriptor, rows, allBefore - views->totalRows() - rows));
}

void BoundList::removeRows(std::vector<int> rows, const std::function<void(int row)>& removeRow) const {
    std::sort(rows.begin(), rows.end(), std::greater<>());
    const auto* lines = qobject_cast<const LineModel*>(model);
    std::optional<UndoMacro> step;
    if (rows.size() > 1 && lines && lines->undoStack())
        step.emplace(*lines->undoStack(), QStringLiteral("delete ") + countedRows(*descriptor, rows.size()));
    for (const int row : rows)
        removeRow(row);
}

// Several rows selected are no row to edit, nor one to add beside.
void BoundList::doubleClick() {
    const std::size_t selected = selectedRows().size();
    if (selected == 1)
        edit();
    else if (selected == 0)
        add();
}

void BoundList::keyDown(int key) {
    if (key == Qt::Key_Delete || key == kVirtualKeyDelete)
        remove();
}

bool BoundList::popup(PopupEntry entry) {
    if (!actions)
        return false;
    if (entry == PopupEntry::Add) {
        add();
        return true;
    }
    if (actions->popupNeedsSelection() && !selectedRow())
        return false;
    if (entry == PopupEntry::Edit)
        edit();
    else
        remove();
    return true;
}

ListViews::ListViews(QWidget* window) : QObject(window), window_(window), undo_(new QUndoStack(this)) {}

// The views go before the lists they show: the window's rule data goes before its child widgets do.
ListViews::~ListViews() {
    for (const auto& list : lists_)
        list->view->setModel(nullptr);
}

BoundList& ListViews::bind(const ListDescriptor& list, std::unique_ptr<ListModel> model, ListActions* actions) {
    auto* view = window_->findChild<QTableView*>(QLatin1String(list.objectName));
    if (!view)
        throw GlymError(std::string("The window has no list view named ") + list.objectName + ".");
    auto bound = std::make_unique<BoundList>();
    bound->descriptor = &list;
    bound->view = view;
    bound->actions = actions;
    bound->views = this;

    bound->model = model.release();
    bound->model->setParent(view);
    if (auto* lines = qobject_cast<LineModel*>(bound->model)) {
        lines->setUndoStack(undo_);
        connect(lines, &LineModel::changedOutsideSteps, this, &ListViews::clearUndo);
    }
    bound->proxy = new RowOrderProxy(view);
    bound->proxy->setSourceModel(bound->model);
    view->setModel(bound->proxy);
    setUpReportStyle(view);
    applyColumns(view, list);
    if (actions)
        addCommands(*bound);
    addRowAbove(*bound);
    wireInput(*bound);
    BoundList* shown = bound.get();
    auto widen = [shown] {
        if (!shown->widened && shown->model->rowCount() > 0) {
            shown->widened = true;
            widenFixedColumns(shown->view, *shown->descriptor);
        }
    };
    connect(bound->model, &QAbstractItemModel::modelReset, view, widen);
    connect(bound->model, &QAbstractItemModel::rowsInserted, view, widen);
    lists_.push_back(std::move(bound));
    return *lists_.back();
}

int ListViews::totalRows() const {
    int rows = 0;
    for (const auto& list : lists_)
        rows += list->model->rowCount();
    return rows;
}

// The rows no longer are what the steps left: none of the states the steps lead back to is the saved one.
void ListViews::clearUndo() const {
    if (keepSteps_)
        return;
    undo_->clear();
    undo_->resetClean();
}

// Every list gets its row above the view here, so a list added to the window has one without more code: the
// buttons of its commands, then the filter and its count. The view's parent must hold it in a box layout.
void ListViews::addRowAbove(BoundList& list) {
    int place = 0;
    QBoxLayout* box = boxHolding(list.view->parentWidget()->layout(), list.view, place);
    if (!box)
        return;
    auto* row = new QHBoxLayout;
    // Tab goes from what came before the list to its filter, the list, then its buttons, and on as it went.
    QWidget* before = list.view->previousInFocusChain();
    std::vector<QWidget*> tabOrder;
    for (const auto& [command, kind] : commandsOf(list)) {
        if (!command)
            continue;
        auto* button = new QToolButton(list.view->parentWidget());
        button->setObjectName(QLatin1String(list.descriptor->objectName) + QLatin1String(kind));
        button->setDefaultAction(command);
        button->setAutoRaise(true);
        row->addWidget(button);
        tabOrder.push_back(button);
    }
    addFilter(list, row);
    tabOrder.insert(tabOrder.begin(), {list.filter, list.view});
    for (QWidget* next : tabOrder)
        QWidget::setTabOrder(std::exchange(before, next), next);
    box->insertLayout(place, row);
    // The row takes room the view had: the view may be as low as its header and one row, so a pane keeps the
    // height it was given.
    list.view->setMinimumHeight(list.view->horizontalHeader()->sizeHint().height() +
                                list.view->verticalHeader()->defaultSectionSize() + 2 * list.view->frameWidth());
}

// The field keeps the selected rows selected while it is shown.
void ListViews::addFilter(BoundList& list, QHBoxLayout* row) {
    const QString name = QLatin1String(list.descriptor->objectName);
    list.filter = new QLineEdit(list.view->parentWidget());
    list.filter->setObjectName(name + QStringLiteral("Filter"));
    list.filter->setPlaceholderText(QStringLiteral("Filter"));
    list.filter->setClearButtonEnabled(true);
    list.filter->setToolTip(tr("Shows only the rows that contain this text (Ctrl+F; Escape clears)"));
    list.filterCount = new QLabel(list.view->parentWidget());
    list.filterCount->setObjectName(name + QStringLiteral("FilterCount"));
    new FilterKeys(list.filter);
    row->addWidget(list.filter, 1);
    row->addWidget(list.filterCount);

    auto count = [&list] {
        list.filterCount->setText(QStringLiteral("%1 of %2").arg(list.proxy->rowCount()).arg(list.proxy->totalRows()));
    };
    count();
    connect(list.proxy, &RowOrderProxy::shownRowsChanged, list.filterCount, count);
    connect(list.filter, &QLineEdit::textChanged, list.proxy, [&list](const QString& text) {
        const std::vector<int> selected = list.selectedRows();
        list.proxy->setFilter(text);
        list.selectRows(selected);
    });
}

bool ListViews::focusFilter() const {
    const QWidget* focus = QApplication::focusWidget();
    BoundList* chosen = nullptr;
    for (const auto& list : lists_) {
        if (!list->filter || !list->view->isVisible())
            continue;
        if (focus && (focus == list->view || focus == list->filter))
            chosen = list.get();
        else if (!chosen)
            chosen = list.get();
    }
    if (!chosen)
        return false;
    chosen->filter->setFocus(Qt::ShortcutFocusReason);
    chosen->filter->selectAll();
    return true;
}

void ListViews::wireInput(BoundList& list) {
    auto* input = new ListInput(list, [this, &list] { popupAtSelection(list); });
    QTableView* view = list.view;
    QHeaderView* header = view->horizontalHeader();
    header->setSortIndicatorShown(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    connect(list.proxy, &RowOrderProxy::sortChanged, header,
            [header](int column, Qt::SortOrder order) { header->setSortIndicator(column, order); });
    connect(view->horizontalHeader(), &QHeaderView::sectionClicked, this, [this, &list](int column) {
        if (columnClicked)
            columnClicked(list, column);
    });
    if (!list.actions)
        return; // a list without rules to edit has no pop-up menu, and one row is selected at a time
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (const auto& [command, kind] : commandsOf(list))
        for (QObject* user : command->associatedObjects())
            if (auto* button = qobject_cast<QToolButton*>(user))
                input->watchButton(button);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this,
            [this, &list](const QPoint& position) { openPopup(list, position); });
}

// The list's Add, Edit and Delete as actions on the view, with their keys and hints, enabled as the selection
// allows. Their keys act only while the list or its buttons have the focus (ListInput).
void ListViews::addCommands(BoundList& list) {
    QTableView* view = list.view;
    const QString noun = tr(list.descriptor->noun);
    auto command = [&list, view](const char* kind, const QString& text, const QString& hint,
                                 const QList<QKeySequence>& keys, void (BoundList::*run)()) {
        auto* action = new QAction(text, view);
        action->setObjectName(QLatin1String(list.descriptor->objectName) + QLatin1String(kind) +
                              QStringLiteral("Action"));
        action->setToolTip(hint);
        action->setStatusTip(hint);
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WidgetShortcut);
        view->addAction(action);
        connect(action, &QAction::triggered, view, [&list, run] { (list.*run)(); });
        return action;
    };
    list.addCommand = command("Add", tr("Add"), tr("New %1 (Insert or Ctrl+N)").arg(noun),
                              {QKeySequence(Qt::Key_Insert), QKeySequence(Qt::CTRL | Qt::Key_N)}, &BoundList::add);
    list.editCommand = command("Edit", tr("Edit"), tr("Edit the selected %1 (F2 or Enter)").arg(noun),
                               {QKeySequence(Qt::Key_F2)}, &BoundList::edit);
    list.deleteCommand = command("Delete", tr("Delete"), tr("Delete the selected %1s (Delete)").arg(noun),
                                 {QKeySequence(Qt::Key_Delete)}, &BoundList::remove);
    showCommandIcons(list);

    auto enable = [&list] {
        const std::size_t selected = list.selectedRows().size();
        list.editCommand->setEnabled(selected == 1);
        list.deleteCommand->setEnabled(selected > 0);
    };
    enable();
    connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, view, enable);
    for (auto rowsChanged : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(list.proxy, rowsChanged, view, enable);
    connect(list.proxy, &QAbstractItemModel::modelReset, view, enable);
    connect(list.proxy, &QAbstractItemModel::layoutChanged, view, enable);
}

void ListViews::openPopup(BoundList& list, QPoint where) {
    if (!popupMenu_)
        return;
    popupView_ = list.view;
    popupMenu_->exec(list.view->viewport()->mapToGlobal(where));
}

// Below the row an edit would act on, scrolled into sight; at the top of the list when no row is selected.
void ListViews::popupAtSelection(BoundList& list) {
    QTableView* view = list.view;
    QPoint where(0, 0);
    if (const std::optional<int> row = list.selectedRow()) {
        const QModelIndex shown = list.proxy->index(list.proxy->viewRow(*row), 0);
        view->scrollTo(shown);
        const QRect place = view->visualRect(shown);
        where = QPoint(std::max(place.left(), 0), place.bottom());
    }
    openPopup(list, where);
}

QMenu* ListViews::addPopupMenu(const char* objectName, const std::array<const char*, 3>& entryNames,
                               const QString& nothingToDo) {
    popupMenu_ = new QMenu(window_);
    popupMenu_->setObjectName(QLatin1String(objectName));
    nothingToDo_ = nothingToDo;
    const std::array<std::pair<QString, PopupEntry>, 3> entries = {
        {{tr("&Add"), PopupEntry::Add}, {tr("&Edit"), PopupEntry::Edit}, {tr("&Delete"), PopupEntry::Delete}}};
    for (std::size_t i = 0; i < entries.size(); ++i) {
        QAction* action = popupMenu_->addAction(entries[i].first);
        action->setObjectName(QLatin1String(entryNames[i]));
        connect(action, &QAction::triggered, this, [this, entry = entries[i].second] { runPopupEntry(entry); });
    }
    return popupMenu_;
}

BoundList* ListViews::popupList() const {
    return find(popupView_ ? popupView_ : window_->focusWidget());
}

void ListViews::runPopupEntry(PopupEntry entry) {
    BoundList* shown = popupList();
    if (!shown || !shown->popup(entry))
        messages::notice(window_, nothingToDo_);
}

BoundList* ListViews::find(const QObject* view) const {
    for (const auto& list : lists_)
        if (list->view == view)
            return list.get();
    return nullptr;
}

BoundList* ListViews::find(const ListDescriptor& descriptor) const {
    for (const auto& list : lists_)
        if (list->descriptor == &descriptor)
            return list.get();
    return nullptr;
}

BoundList& ListViews::of(const ListDescriptor& descriptor) const {
    if (BoundList* list = find(descriptor))
        return *list;
    throw GlymError(std::string("The list view ") + descriptor.objectName + " is not built.");
}
