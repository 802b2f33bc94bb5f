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
class ListViews;
class QAbstractItemView;
class QAction;
class QHBoxLayout;
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
    const ListViews* views = nullptr; // the lists of the window, this one among them
    // The list's Add, Edit and Delete with their keys, shown as the tool buttons above the view; none for a list
    // without actions. Edit is enabled with exactly one row selected, Delete with one or more.
    QAction* addCommand = nullptr;
    QAction* editCommand = nullptr;
    QAction* deleteCommand = nullptr;

    // The model rows of the rows selected in the view, in the order the view shows them.
    std::vector<int> selectedRows() const;
    // The model row of the row an edit acts on, whatever order the view shows: the current row when it is
    // selected, else the first one selected.
    std::optional<int> selectedRow() const;
    // Selects the view row that shows a model row, as a click would; or several, the first becoming current.
    void selectRow(int modelRow) const;
    void selectRows(const std::vector<int>& modelRows) const;

    // The list's commands, as the user's input runs them: through its actions (nothing without them), an error
    // ending the command and showing in the window's error box. Delete removes every selected row, as one step to
    // undo, and the window then says what went (with the rows of other lists that went with them) and how to bring
    // it back (ListViews::reportDeleted).
    void fill();
    void add();
    void edit();
    void remove();
    // A double click or Enter: edits the selected row, or adds one when none is selected.
    void doubleClick();
    // A key pressed on the list: the Delete key (Qt's code, or Windows' 46) removes the selected rows.
    void keyDown(int key);
    // An entry of the pop-up menu. False, doing nothing, when the list has no actions, or when "&Edit" and
    // "&Delete" need a selected row that it lacks.
    bool popup(PopupEntry entry);

    // For the actions' remove: runs removeRow on each model row given, from the last one up, so that the rows still
    // to remove keep their numbers. Several rows are one step to undo ("delete 3 URL rules").
    void removeRows(std::vector<int> rows, const std::function<void(int row)>& removeRow) const;
};

// Every list view of a window, each built once from its descriptor: report style (whole rows selected, several
// with Shift and Ctrl where the list has actions; no editing in place, grid lines, rows of one height), the columns
// with their widths, a row above it with the Add, Edit and Delete buttons and the filter field, and the user's
// input wired to the list's actions: a double click or Enter, Insert or Ctrl+N, F2, the Delete key, a click on
// empty space (it clears the selection, so that the next double click adds) and the pop-up menu (the mouse's
// button, the Menu key or Shift+F10, the last two opening it at the selected row); a click on a header goes to
// columnClicked. The keys act while the list or its buttons have the focus. The changes made through the lists'
// models are steps of one undo stack.
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
    // The rows of every list.
    int totalRows() const;

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
    // Called with what a delete took away and how to bring it back: the window's status bar shows it.
    std::function<void(const QString& report)> reportDeleted;

private:
    void wireInput(BoundList& list);
    void addCommands(BoundList& list);
    // Opens the pop-up menu for the list at a point of its view's viewport, or at its selected row.
    void openPopup(BoundList& list, QPoint where);
    void popupAtSelection(BoundList& list);
    BoundList* popupList() const;
    void addRowAbove(BoundList& list);
    void addFilter(BoundList& list, QHBoxLayout* row);

    QWidget* window_;
    QUndoStack* undo_;
    bool keepSteps_ = false;
    std::vector<std::unique_ptr<BoundList>> lists_;
    QMenu* popupMenu_ = nullptr;
    QObject* popupView_ = nullptr; // the view that opened the pop-up menu last
    QString nothingToDo_;
};
