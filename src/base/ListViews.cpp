#include "base/ListViews.h"

#include "base/ListActions.h"
#include "base/ListModels.h"
#include "base/MessageBoxes.h"
#include "base/RowOrder.h"
#include "common/Error.h"

#include <QApplication>
#include <QBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <QUndoStack>
#include <algorithm>

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

// Report style: one whole row selected at a time, no editing in place, no row numbers, grid lines, and every row of
// one fixed height, so that the view never measures rows: adding or removing one among a million rows costs what
// it costs among ten. Tab leaves the list as it leaves any other control.
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

// Keyboard and mouse of a list: Delete and a double click or Enter run the list's actions, Home and End go to the
// first and the last row, and a click on no row clears the selection.
class ListInput : public QObject {
public:
    explicit ListInput(BoundList& list) : QObject(list.view), list_(list) {
        list.view->installEventFilter(this);
        list.view->viewport()->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        QTableView* view = list_.view;
        switch (event->type()) {
        case QEvent::KeyPress: {
            const auto* press = static_cast<QKeyEvent*>(event);
            const int key = press->key();
            if (watched != view)
                break;
            if ((key == Qt::Key_Home || key == Qt::Key_End) && press->modifiers() == Qt::NoModifier)
                return goToEnd(key == Qt::Key_Home);
            if (key == Qt::Key_Delete && list_.actions) {
                list_.keyDown(key);
                return true;
            }
            if ((key == Qt::Key_Return || key == Qt::Key_Enter) && list_.actions) {
                list_.doubleClick();
                return true;
            }
            break;
        }
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

std::optional<int> BoundList::selectedRow() const {
    const QModelIndexList selected = view->selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return std::nullopt;
    const int row = proxy->sourceRow(selected.first().row());
    return row < 0 ? std::nullopt : std::optional<int>(row);
}

void BoundList::selectRow(int modelRow) const {
    const QModelIndex shown = proxy->index(proxy->viewRow(modelRow), 0);
    view->selectionModel()->setCurrentIndex(shown, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
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

void BoundList::remove() {
    runAction(*this, &ListActions::remove);
}

void BoundList::doubleClick() {
    if (selectedRow())
        edit();
    else
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
    wireInput(*bound);
    addFilter(*bound);
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

// The rows no longer are what the steps left: none of the states the steps lead back to is the saved one.
void ListViews::clearUndo() const {
    if (keepSteps_)
        return;
    undo_->clear();
    undo_->resetClean();
}

// Every list gets its filter here, so a list added to the window has one without more code. The field keeps the
// selected row selected while it is shown.
void ListViews::addFilter(BoundList& list) {
    int place = 0;
    QBoxLayout* box = boxHolding(list.view->parentWidget()->layout(), list.view, place);
    if (!box)
        return;
    const QString name = QLatin1String(list.descriptor->objectName);
    list.filter = new QLineEdit(list.view->parentWidget());
    list.filter->setObjectName(name + QStringLiteral("Filter"));
    list.filter->setPlaceholderText(QStringLiteral("Filter"));
    list.filter->setClearButtonEnabled(true);
    list.filter->setToolTip(tr("Shows only the rows that contain this text (Ctrl+F; Escape clears)"));
    list.filterCount = new QLabel(list.view->parentWidget());
    list.filterCount->setObjectName(name + QStringLiteral("FilterCount"));
    new FilterKeys(list.filter);
    auto* row = new QHBoxLayout;
    row->addWidget(list.filter, 1);
    row->addWidget(list.filterCount);
    box->insertLayout(place, row);
    // The field takes room the view had: the view may be as low as its header and one row, so a pane keeps the
    // height it was given.
    list.view->setMinimumHeight(list.view->horizontalHeader()->sizeHint().height() +
                                list.view->verticalHeader()->defaultSectionSize() + 2 * list.view->frameWidth());
    QWidget::setTabOrder(list.filter, list.view);

    auto count = [&list] {
        list.filterCount->setText(QStringLiteral("%1 of %2").arg(list.proxy->rowCount()).arg(list.proxy->totalRows()));
    };
    count();
    connect(list.proxy, &RowOrderProxy::shownRowsChanged, list.filterCount, count);
    connect(list.filter, &QLineEdit::textChanged, list.proxy, [&list](const QString& text) {
        const std::optional<int> selected = list.selectedRow();
        list.proxy->setFilter(text);
        if (selected && list.proxy->viewRow(*selected) >= 0)
            list.selectRow(*selected);
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
    new ListInput(list);
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
        return; // a list without rules to edit has no pop-up menu
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this, [this, &list](const QPoint& position) {
        if (popupMenu_) {
            popupView_ = list.view;
            popupMenu_->exec(list.view->viewport()->mapToGlobal(position));
        }
    });
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
