#include "base/ListViews.h"

#include "base/ListModels.h"
#include "base/RowOrder.h"
#include "common/Error.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTreeView>
#include <algorithm>

namespace {

void setUpReportStyle(QTreeView* view) {
    view->setRootIsDecorated(false);
    view->setItemsExpandable(false);
    view->setUniformRowHeights(true);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setAllColumnsShowFocus(true);
    view->setSortingEnabled(false);
    view->header()->setSectionsClickable(true);
}

void applyColumns(QTreeView* view, const ListDescriptor& list) {
    QHeaderView* header = view->header();
    bool stretchesAColumn = false;
    int minimumWidth = 0;
    for (int column = 0; column < static_cast<int>(list.columns.size()); ++column) {
        const ListColumn& layout = list.columns[static_cast<std::size_t>(column)];
        switch (layout.sizing) {
        case ColumnSizing::Fixed:
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

// Keyboard and mouse of a list: Delete runs the key handler, a double click or Enter the double click handler,
// and a click on no row clears the selection.
class ListInput : public QObject {
public:
    ListInput(const ListViews& views, BoundList& list) : QObject(list.view), views_(views), list_(list) {
        list.view->installEventFilter(this);
        list.view->viewport()->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        QTreeView* view = list_.view;
        switch (event->type()) {
        case QEvent::KeyPress: {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (watched != view)
                break;
            if (key == Qt::Key_Delete && list_.keyDown.isValid()) {
                views_.run(list_.keyDown, key);
                return true;
            }
            if ((key == Qt::Key_Return || key == Qt::Key_Enter) && list_.dblClick.isValid()) {
                views_.run(list_.dblClick);
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
            if (watched == view->viewport() && list_.dblClick.isValid() &&
                static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                views_.run(list_.dblClick);
                return true;
            }
            break;
        default:
            break;
        }
        return false;
    }

private:
    const ListViews& views_;
    BoundList& list_;
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

ListViews::ListViews(QWidget* window) : QObject(window), window_(window) {
    const int sort = window->metaObject()->indexOfMethod(kSharedColumnSort);
    if (sort >= 0)
        sharedSort_ = window->metaObject()->method(sort);
}

// The views go before the lists they show: the window's rule data goes before its child widgets do.
ListViews::~ListViews() {
    for (const auto& list : lists_)
        list->view->setModel(nullptr);
}

QMetaMethod ListViews::handler(const ListDescriptor& list, const char* name, const char* arguments) const {
    if (!name)
        return {};
    const QByteArray signature = QByteArray(name) + arguments;
    const int index = window_->metaObject()->indexOfMethod(signature.constData());
    if (index < 0)
        throw GlymError(std::string("The list view ") + list.objectName + " is served by " + signature.toStdString() +
                        ", which the window does not have.");
    return window_->metaObject()->method(index);
}

BoundList& ListViews::bind(const ListDescriptor& list, std::unique_ptr<ListModel> model) {
    auto* view = window_->findChild<QTreeView*>(QLatin1String(list.objectName));
    if (!view)
        throw GlymError(std::string("The window has no list view named ") + list.objectName + ".");
    auto bound = std::make_unique<BoundList>();
    bound->descriptor = &list;
    bound->view = view;
    bound->dblClick = handler(list, list.handlers.dblClick, "()");
    bound->keyDown = handler(list, list.handlers.keyDown, "(int)");
    bound->add = handler(list, list.handlers.add, "()");
    bound->edit = handler(list, list.handlers.edit, "()");
    bound->remove = handler(list, list.handlers.remove, "()");
    bound->columnClick = handler(list, list.handlers.columnClick, "(int)");
    if (!list.handlers.columnClick && !sharedSort_.isValid())
        throw GlymError(std::string("The list view ") + list.objectName + " sorts with " + kSharedColumnSort +
                        ", which the window does not have.");

    bound->model = model.release();
    bound->model->setParent(view);
    bound->proxy = new RowOrderProxy(view);
    bound->proxy->setSourceModel(bound->model);
    view->setModel(bound->proxy);
    setUpReportStyle(view);
    applyColumns(view, list);
    wireInput(*bound);
    lists_.push_back(std::move(bound));
    return *lists_.back();
}

void ListViews::wireInput(BoundList& list) {
    new ListInput(*this, list);
    QTreeView* view = list.view;
    connect(view->header(), &QHeaderView::sectionClicked, this, [this, &list](int column) {
        if (list.columnClick.isValid())
            run(list.columnClick, column);
        else
            sharedSort_.invoke(window_, Qt::DirectConnection, Q_ARG(QAbstractItemView*, list.view), Q_ARG(int, column));
    });
    if (!list.add.isValid())
        return; // a list without rules to edit has no pop-up menu
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this, [this, &list](const QPoint& position) {
        if (popupRequested)
            popupRequested(list, list.view->viewport()->mapToGlobal(position));
    });
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

void ListViews::run(const QMetaMethod& handler) const {
    if (handler.isValid())
        handler.invoke(window_, Qt::DirectConnection);
}

void ListViews::run(const QMetaMethod& handler, int argument) const {
    if (handler.isValid())
        handler.invoke(window_, Qt::DirectConnection, Q_ARG(int, argument));
}
