#pragma once

#include "base/ListDescriptor.h"

#include <QMetaMethod>
#include <QObject>
#include <QPoint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class ListModel;
class QAbstractItemView;
class QLabel;
class QLineEdit;
class QTableView;
class QUndoStack;
class QWidget;
class RowOrderProxy;

// A list view of the window bound to its descriptor: the view shows the model through the row order proxy.
struct BoundList {
    const ListDescriptor* descriptor = nullptr;
    QTableView* view = nullptr;
    RowOrderProxy* proxy = nullptr;
    ListModel* model = nullptr;
    // The filter above the view and its "N of M" count; none for a view outside a box layout.
    QLineEdit* filter = nullptr;
    QLabel* filterCount = nullptr;
    bool widened = false; // the columns of a starting width have grown to their first rows

    // The window's handlers, found by the descriptor's names (invalid where it names none).
    QMetaMethod dblClick, keyDown, add, edit, remove, columnClick;

    // The model row of the row selected in the view, whatever order the view shows.
    std::optional<int> selectedRow() const;
    // Selects the view row that shows a model row, as a click would.
    void selectRow(int modelRow) const;
};

// The name of the window's shared column sort: LNetworkColumnClick(QAbstractItemView* sender, int column).
inline constexpr const char* kSharedColumnSort = "LNetworkColumnClick(QAbstractItemView*,int)";

// Every list view of a window, each built once from its descriptor: report style (one whole row selected at a
// time, no editing in place, grid lines, rows of one height), the columns with their widths, a filter field above
// it, and the user's input wired to the window's handlers: a double click or Enter, the Delete key, a click on a
// header, a click on empty space (it clears the selection, so that the next double click adds) and the pop-up
// menu key or button. The changes made through the lists' models are steps of one undo stack.
class ListViews : public QObject {
    Q_OBJECT

public:
    // The window holds the views and the handler slots.
    explicit ListViews(QWidget* window);
    // Takes the models off the views: destroy it before what the models show.
    ~ListViews() override;

    // Binds the view the descriptor names to a model. A view the window does not hold, or a handler it lacks,
    // is an error of the program's build: GlymError naming it.
    BoundList& bind(const ListDescriptor& list, std::unique_ptr<ListModel> model);

    // The list of a view (or of a descriptor), or nullptr when it has none.
    BoundList* find(const QObject* view) const;
    BoundList* find(const ListDescriptor& list) const;
    // The list of a descriptor; GlymError when it is not bound.
    BoundList& of(const ListDescriptor& list) const;

    const std::vector<std::unique_ptr<BoundList>>& all() const { return lists_; }

    // The steps of every list, to undo and redo. A change of the rows outside the steps (a fill, a load)
    // empties it; a reload of everything must as well (clearUndo).
    QUndoStack& undoStack() const { return *undo_; }
    void clearUndo() const;
    // While set, a change of the rows outside the steps keeps the steps: for a step that itself refills lists.
    void keepSteps(bool keep) { keepSteps_ = keep; }

    // Puts the keyboard focus into the filter of a list shown: the one of the list that has the focus, else the
    // first one visible. False when no list with a filter is visible.
    bool focusFilter() const;

    // Runs a handler of the window (nothing when it is invalid).
    void run(const QMetaMethod& handler) const;
    void run(const QMetaMethod& handler, int argument) const;

    // Called when the user asks for the pop-up menu on a list, with the point (global) where it opens.
    std::function<void(BoundList& list, QPoint at)> popupRequested;

private:
    QMetaMethod handler(const ListDescriptor& list, const char* name, const char* arguments) const;
    void wireInput(BoundList& list);
    void addFilter(BoundList& list);

    QWidget* window_;
    QUndoStack* undo_;
    bool keepSteps_ = false;
    QMetaMethod sharedSort_;
    std::vector<std::unique_ptr<BoundList>> lists_;
};
