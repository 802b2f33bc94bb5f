#pragma once

#include "base/ListActions.h"
#include "rules/RuleLines.h"
#include "rules/RulesFile.h"

#include <QString>

#include <array>
#include <functional>
#include <string>

class FileLinesModel;
class QLineEdit;
class QWidget;
struct BoundList;

// The actions of the manual port-mapping services, RouterRules: row i of its model shows "CR" line i, whatever order
// the view shows, so Add, Edit and Delete change exactly the line of the row, through the model. The three standard
// services' fields are released when the last manual service on their port goes; undoing that delete takes the
// field again, and redoing it frees it again.
class ManualServiceEditor : public ListActions {
public:
    // standardFields are the fields of the SMTP, POP3 and NNTP servers; proxyPort is the proxy's own port.
    ManualServiceEditor(QWidget* window, RuleLines& lines, StandardServices& standard,
                        std::array<QLineEdit*, 3> standardFields, QLineEdit* proxyPort);

    // Marks the standard services that a manual service on the same port has taken over: their field shows so
    // and cannot be edited, and their line is dropped.
    void markTakenStandardServices();

    // The standard services' fields show the lines held (also after a reading that failed, or an earlier one that
    // marked them taken), and the taken ones are marked.
    void showStandardServices();
    // A standard service edited by the user is stored when its field is left (or Enter is pressed in it):
    // "CS:<server>:", or nothing when the field is empty. Every save, the close question and every Add store an
    // edited field first, as the field may still have the focus (a click on the tool bar or a shortcut does not
    // take it away); there only a line that differs from the stored one counts (onlyChanges), so a field left
    // edited does not make every later close ask again. False when the text cannot be stored (the error has been
    // shown).
    bool storeStandardService(int slot, bool onlyChanges);
    bool storeEditedStandardServices();
    // A key pressed in a standard service's field: Return or Enter (or Windows' code of Return, 13) stores it.
    void standardServiceKey(int slot, int key);
    // Called when a standard service changed (stored, or typed into: the close question asks at once).
    std::function<void()> standardServiceChanged;

    // A new service through the dialog. A local port that is taken is refused while the dialog stays open, so
    // the user can change it or cancel.
    void add(BoundList& list) override;
    // Edits the service of the selected row; its local port stays.
    void edit(BoundList& list) override;
    // Removes the services of the selected rows.
    void remove(BoundList& list) override;

private:
    FileLinesModel& modelOf(BoundList& list) const;
    void removeService(BoundList& list, int row);

    // What a standard field held while it was free: its line and its text. (Its edit is stored before the undo
    // that takes it runs: the undo is chosen outside the field, which the field's leave handler sees first.)
    struct FreeField {
        std::string line;
        QString text;
    };
    // Puts a standard field into the taken state (its line dropped); returns what it held while free.
    FreeField takeStandardField(int slot);
    // Frees a taken standard field, which then holds what it held while it was last free.
    void freeStandardField(int slot, const FreeField& shown);

    QWidget* window_;
    RuleLines& lines_;
    StandardServices& standard_;
    std::array<QLineEdit*, 3> standardFields_;
    QLineEdit* proxyPort_;
};
