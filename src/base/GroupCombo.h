#pragma once

#include <QComboBox>
#include <QString>
#include <vector>

class TAdvSpinEdit;

// A group the group field offers: its number and the text of its entry ("3 - Guests").
struct GroupEntry {
    int number;
    QString text;
};

// The group field of the rule dialogs: an editable combo box whose line edit is the number field `groupID` (a
// TAdvSpinEdit bounded to the group numbers 0 to 64), and whose entries are the existing groups, each carrying
// its number as its data. Typing a number works as in a plain number field; choosing an entry, with the mouse or
// the arrow keys, puts only its number into the field, so the field always holds what the rule line stores.
//
// In Designer, promote a QComboBox to GroupCombo (header "base/GroupCombo.h"); the dialog reads its number field
// through field(). The field starts empty: the editor that opens the dialog says which group it starts with.
class GroupCombo : public QComboBox {
    Q_OBJECT

public:
    explicit GroupCombo(QWidget* parent = nullptr);

    TAdvSpinEdit* field() const { return field_; }

    // The hint of a field that chooses a rule's group (the one it starts with).
    static QString ruleHint();

    // The groups offered, in place of those offered before; the field keeps its text.
    void setGroups(const std::vector<GroupEntry>& groups);
    // The entry of the group the field's text names, or -1.
    int entryOfField() const;

    // A read-only field (an Edit, which never moves a rule to another group) offers no entries either.
    void showPopup() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void showChosenNumber(int index);
    bool locked() const;

    TAdvSpinEdit* field_;
};
