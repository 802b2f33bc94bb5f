#pragma once

#include "base/RuleDialog.h"

#include <array>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

class QGroupBox;
class QLineEdit;
class QPushButton;
class TAdvSpinEdit;
class TFlatComboBoxX;
namespace Ui {
class TFTime;
}

// The days of the working hours, by the number a "WT" line stores: 0 is every day, 1 to 7 Monday to Sunday.
inline constexpr std::array<std::string_view, 8> DayNames{"EveryDay", "Monday", "Tuesday",  "Wednesday",
                                                          "Thursday", "Friday", "Saturday", "Sunday"};

// The day number a line's day field holds: a whole number from 0 to 7 (blanks around it do not count). A line
// written by hand may hold anything there; it is then shown as it stands and kept.
std::optional<int> dayNumber(std::string_view field);

// The dialog of a group's working hours: the day, the hour the work begins and the hour it ends, a comment.
//
// The day field's list can be edited, reordered and typed into, so the day is what its text says, never where
// its entry stands: the text must be one of DayNames (letter case and blanks around it do not count), or "Ok" is
// refused with the dialog left open. In an Add, the buttons beside it put "Mon-Fri" or "Sat-Sun" into the field,
// which the field also takes typed: the Add then stores one rule per day, with the same hours and comment. An Edit
// changes one rule, of one day: the buttons are disabled there. The end is kept above the begin (beginChange).
class TFTime : public TRuleDialog {
    Q_OBJECT

public:
    explicit TFTime(QWidget* parent);
    ~TFTime() override;

    // The dialog of an Add or an Edit of a working hours rule ("WT"), titled for it.
    static std::unique_ptr<TRuleDialog> create(QWidget* parent, EditorAction action);

    TAdvSpinEdit* groupField() override { return groupID; }
    RuleRecord record() const override;
    QList<RuleRecord> records() const override;
    void showRecord(const RuleRecord& record) override;

    QGroupBox* Box1;
    TAdvSpinEdit* groupID;
    TFlatComboBoxX* day;
    QPushButton* WorkDays; // "Mon-Fri"
    QPushButton* Weekend;  // "Sat-Sun"
    TAdvSpinEdit* begin;
    TAdvSpinEdit* end;
    QLineEdit* comment;

    // The numbers of the days the field's text names: one day, the days of "Mon-Fri" or "Sat-Sun" (in an Add), or
    // none.
    std::vector<int> days() const;
    // The number of the one day the field's text names, or -1 when it names none or several.
    int dayIndex() const;
    // Shows a day by its number, or the text of a line's day field that holds no day number.
    void showDay(const QString& field);

public Q_SLOTS:
    // Keeps the end above the begin on every change of the begin, typed or set.
    void beginChange();
    void accept() override;

protected:
    bool checkOwnFields() override;

private Q_SLOTS:
    void raiseEnd();

private:
    RuleRecord recordOfDay(int number) const;

    bool severalDays_ = true; // the field takes "Mon-Fri" and "Sat-Sun" (an Add)
    std::unique_ptr<Ui::TFTime> ui_;
};
