#pragma once

#include <QDialog>
#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <initializer_list>
#include <string_view>
#include <utility>
#include <vector>

struct GroupEntry; // base/GroupCombo.h
class QLabel;
class QLineEdit;
class TAdvSpinEdit;

// A rule outside its line: its tag and its values in line order, the group field left out.
struct RuleRecord {
    QString tag;
    QStringList values;
};

// What a dialog is opened for: its titles say which.
enum class EditorAction { Add, Edit };

// The base of every rule editor dialog. A dialog is created for one Add or Edit and closed with "Ok" or "Cancel";
// Changed tells whether any field changed since it was last cleared (just before the dialog is shown).
//
// "Ok" is refused, with a message naming the field, while a field holds text the rule files cannot store: a ":"
// (it separates the fields of a rule line), a line break, a character that Windows-1251 cannot encode, or, in a
// number field, text that is not a whole number. The dialog then stays open with everything typed. Number
// fields are brought into their bounds first, exactly as leaving them would.
//
// What the fields show when the dialog is shown is what the rule holds. A field the user has not edited is kept as
// it is, however the line holds it: a number field is not brought into its bounds (a port of 70000 written by
// hand stays 70000 until the user edits the port), nor refused when it holds no number, so "Ok" with nothing
// touched changes nothing.
//
// The editor that shows the dialog may add a check of its own (a group that must exist, a port already taken):
// it runs after the fields are found storable, shows its own message when it refuses, and a refusal keeps the
// dialog open with what was typed, so the user can change it or cancel.
class TRuleDialog : public QDialog {
    Q_OBJECT

public:
    explicit TRuleDialog(QWidget* parent);

    bool Changed = false;

    // Makes a field read-only and takes it out of the tab order (Edit never moves a rule to another group); the
    // group field then offers no groups either.
    static void lockField(QLineEdit* field);

    // Why text cannot be stored in a rule line, or an empty string when it can.
    static QString whyNotStorable(const QString& text);

    // Whether the user has edited a field since the dialog was shown (true for a dialog not shown yet).
    bool edited(const QLineEdit* field) const;

    // The dialog's fields as a rule of a group, for the common editor of the group rules (access/RuleEditor.h).
    // A dialog of no group rule keeps the defaults: no group field, an empty rule, nothing shown.
    //
    // The field of the group number.
    virtual TAdvSpinEdit* groupField() { return nullptr; }
    // The rule the fields hold: its tag (the fields may choose it) and its values.
    virtual RuleRecord record() const { return {}; }
    // The rules an Add stores: the one record() gives, or several at once (the working hours of Monday to Friday).
    virtual QList<RuleRecord> records() const { return {record()}; }
    // Shows a rule's values in the fields (its tag where a field chooses it).
    virtual void showRecord(const RuleRecord&) {}
    // A kind of several single lines per group, one per type (authorization): the type the fields choose, and
    // showing a row's type in them. Every other kind has one type, 0.
    virtual int type() const { return 0; }
    virtual void showType(int) {}
    // The name of the type the fields choose, for messages ("Input"); empty for a kind of one type.
    virtual QString typeName() const { return {}; }

    // The existing groups the group field offers (a dialog without one offers none).
    void offerGroups(const std::vector<GroupEntry>& groups);

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

    // The dialog's own check of "Ok", run once every field is found storable and before the editor's: returns
    // false, after telling the user why, to keep the dialog open. It may still change the fields' texts.
    virtual bool checkOwnFields() { return true; }

    // The bounds of number fields, from the one table of the rule kinds (rules/RuleKinds.h) that the command line
    // checks lines by too: each field by its index in a line of the tag (1 the first field after the tag).
    static void takeBounds(std::string_view tag, std::initializer_list<std::pair<int, TAdvSpinEdit*>> fields);
    // How far the last of the tag's two ordered number fields must be past the first (0 a port range, 1 hours).
    static int orderedDistance(std::string_view tag);

    // Keeps last within first + distance .. its maximum once the user has edited either field. The spin edit takes
    // equal bounds for "no bound", which a first field at the top makes of the last field's (65535..65535): the
    // last field is therefore kept in range here, not only by its bounds. Text that is no number is left for the
    // number check of "Ok".
    void keepRangeOrdered(TAdvSpinEdit* first, TAdvSpinEdit* last, int distance) const;

    // The field's label without its trailing " :" (labels name their field through their buddy).
    QString fieldName(const QWidget* field) const;

    // The fields' texts are taken as the rule's values when the dialog is shown.
    void showEvent(QShowEvent* event) override;

private:
    AcceptCheck acceptCheck_;
    QHash<const QLineEdit*, QString> shownTexts_;

    QList<QLineEdit*> fields() const;
    bool checkFields();
    // Why a number field's text is no value it takes ("must be at most 65535."); empty when it is one.
    static QString numberProblem(const TAdvSpinEdit* spin);
};
