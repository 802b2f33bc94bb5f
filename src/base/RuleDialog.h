#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class QLabel;
class QLineEdit;
class TAdvSpinEdit;

// The base of every rule editor dialog. A dialog is created for one Add or Edit and closed with "Ok" or "Cancel";
// Changed tells whether any field changed since it was last cleared (just before the dialog is shown).
//
// "Ok" is refused, with a message naming the field, while a field holds text the rule files cannot store: a ":"
// (it separates the fields of a rule line), a line break, a character that Windows-1251 cannot encode, or, in a
// number field, text that is not a whole number. The dialog then stays open with everything typed. Number
// fields are brought into their bounds first, exactly as leaving them would.
//
// The editor that shows the dialog may add a check of its own (a group that must exist, a port already taken):
// it runs after the fields are found storable, shows its own message when it refuses, and a refusal keeps the
// dialog open with what was typed, so the user can change it or cancel.
class TRuleDialog : public QDialog {
    Q_OBJECT

public:
    explicit TRuleDialog(QWidget* parent);

    bool Changed = false;

    // Makes a field read-only and takes it out of the tab order (Edit never moves a rule to another group).
    static void lockField(QLineEdit* field);

    // Why text cannot be stored in a rule line, or an empty string when it can.
    static QString whyNotStorable(const QString& text);

    // The editor's check of "Ok": returns false, after telling the user why, to keep the dialog open.
    using AcceptCheck = std::function<bool()>;
    void setAcceptCheck(AcceptCheck check) { acceptCheck_ = std::move(check); }

public Q_SLOTS:
    // The change handler of every field: sets Changed.
    void groupIDChange();
    void accept() override;

protected:
    // Called by the subclass after setupUi: "Ok" (`Button1`) accepts, "Cancel" (`IAeverButton1`) rejects, and the
    // change signals of the fields (line edits, spin edits, combo boxes) go to groupIDChange.
    void finishForm();

private:
    AcceptCheck acceptCheck_;

    QList<QLineEdit*> fields() const;
    bool checkFields();
    QString fieldName(const QWidget* field) const;
};
