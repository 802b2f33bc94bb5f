#pragma once

#include "base/ListDescriptor.h"

#include <QObject>
#include <QPoint>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class ListActions;
class ListModel;
class QAbstractItemView;
class QLabel;
class QLineEdit;
class QMenu;
class QTableView;
class QUndoStack;
class QWidget;
class RowOrderProxy;

// The entries of the pop-up menu of the lists.
enum class PopupEntry { Add, Edit, Delete };

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

    // What the user's input runs on the rows; none for a list that only shows them.
    ListActions* actions = nullptr;

    // The model row of the row selected in the view, whatever order the view shows.
    std::optional<int> selectedRow() const;
    // Selects the view row that shows a model row, as a click would.
    void selectRow(int modelRow) const;

    // The list's commands, as the user's input runs them: through its actions (nothing without them), an error
    // ending the command and showing in the window's error box.
    void fill();
    void add();
    void edit();
    void remove();
    // A double click or Enter: edits the selected row, or adds one when none is selected.
    void doubleClick();
    // A key pressed on the list: the Delete key (Qt's code, or Windows' 46) removes the selected row.
    void keyDown(int key);
    // An entry of the pop-up menu. False, doing nothing, when the list has no actions, or when "&Edit" and
    // "&Delete" need a selected row that it lacks.
    bool popup(PopupEntry entry);
};

// Every list view of a window, each built once from its descriptor: report style (one whole row selected at a
// time, no editing in place, grid lines, rows of one height), the columns with their widths, a filter field above
// it, and the user's input wired to the list's actions: a double click or Enter, the Delete key, a click on empty
// space (it clears the selection, so that the next double click adds) and the pop-up menu key or button; a click
// on a header goes to columnClicked. The changes made through the lists' models are steps of one undo stack.
class ListViews : public QObject {
    Q_OBJECT

public:
    // The window holds the views.
    explicit ListViews(QWidget* window);
    // Takes the models off the views: destroy it before what the models show.
    ~ListViews() override;

    // Binds the view the descriptor names to a model and to the actions its input runs (none: the list only shows
    // its rows, and has no pop-up menu). A view the window does not hold is an error of the program's build:
    // GlymError naming it.
    BoundList& bind(const ListDescriptor& list, std::unique_ptr<ListModel> model, ListActions* actions = nullptr);

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

    // The pop-up menu the lists with actions share: made once, with the objectName given and its entries "&Add",
    // "&Edit" and "&Delete" named by entryNames; it opens where the user asks for it on a list. Each entry runs on
    // the list that opened the menu (before any pop-up, the list that has the focus); where it does not run there,
    // a notice says nothingToDo.
    QMenu* addPopupMenu(const char* objectName, const std::array<const char*, 3>& entryNames,
                        const QString& nothingToDo);
    void runPopupEntry(PopupEntry entry);
    // Called when the user clicks a header of a list, with the column's index in the model: the window sorts.
    std::function<void(BoundList& list, int column)> columnClicked;

private:
    void wireInput(BoundList& list);
    BoundList* popupList() const;
    void addFilter(BoundList& list);

    QWidget* window_;
    QUndoStack* undo_;
    bool keepSteps_ = false;
    std::vector<std::unique_ptr<BoundList>> lists_;
    QMenu* popupMenu_ = nullptr;
    QObject* popupView_ = nullptr; // the view that opened the pop-up menu last
    QString nothingToDo_;
};
