#pragma once

struct BoundList;

// What the rows of a list can be asked to do. Each feature's editor implements it for the lists it edits, and a
// list bound with it (ListViews::bind) runs it on the user's input: a double click or Enter, the Delete key, the
// pop-up menu. Each function acts on the list given: its model, its selected row. They may throw; the list's
// commands (BoundList::add and the others) show the error and end there.
class ListActions {
public:
    virtual ~ListActions() = default;

    // Shows every row afresh from the data behind the model; nothing for a list that is filled otherwise.
    virtual void fill(BoundList&) {}
    // A new row through the kind's dialog.
    virtual void add(BoundList& list) = 0;
    // The selected row through the kind's dialog (BoundList::selectedRow); nothing without a selected row.
    virtual void edit(BoundList& list) = 0;
    // Removes every selected row (BoundList::selectedRows) as one step to undo (BoundList::removeRows); nothing
    // without a selected row. A question it asks first is asked once for all of them.
    virtual void remove(BoundList& list) = 0;
    // Whether "&Edit" and "&Delete" of the pop-up menu need a selected row: without one they then only say that
    // there is nothing to act on.
    virtual bool popupNeedsSelection() const { return false; }
};
