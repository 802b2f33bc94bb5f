#include "access/TimeDialog.h"

#include "base/MessageBoxes.h"
#include "base/Text.h"
#include "common/Numbers.h"
#include "rules/Strings.h"
#include "widgets/Advspin.h"
#include "widgets/Comboboxx.h"

#include "ui_TimeDialog.h"

std::optional<int> dayNumber(std::string_view field) {
    const std::string_view trimmed = TrimField(field);
    const auto number = parseInt32(trimmed);
    if (trimmed.empty() || !number || *number < 0 || *number >= static_cast<int>(DayNames.size()))
        return std::nullopt;
    return *number;
}

namespace {

QString dayName(std::size_t number) {
    return QString::fromLatin1(DayNames[number].data(), static_cast<qsizetype>(DayNames[number].size()));
}

QStringList dayNameList() {
    QStringList names;
    for (std::size_t i = 0; i < DayNames.size(); ++i)
        names << dayName(i);
    return names;
}

} // namespace

TFTime::TFTime(QWidget* parent) : TRuleDialog(parent), ui_(new Ui::TFTime) {
    ui_->setupUi(this);
    Box1 = ui_->Box1;
    groupID = ui_->groupChoice->field();
    day = ui_->day;
    begin = ui_->begin;
    end = ui_->end;
    comment = ui_->comment;
    day->setItems(dayNameList());
    showDay(QStringLiteral("0"));
    connect(begin, &TAdvSpinEdit::OnChange, this, &TFTime::beginChange);
    connect(end, &QLineEdit::editingFinished, this, &TFTime::raiseEnd);
    finishForm();
}

TFTime::~TFTime() = default;

int TFTime::dayIndex() const {
    return static_cast<int>(dayNameList().indexOf(day->text()));
}

void TFTime::showDay(const QString& field) {
    const std::optional<std::string> bytes = toFileBytes(field);
    const std::optional<int> number = bytes ? dayNumber(*bytes) : std::nullopt;
    day->setText(number ? dayName(static_cast<std::size_t>(*number)) : field);
    day->setItemIndex(number.value_or(-1));
}

void TFTime::beginChange() {
    end->setMinValue(begin->CheckValue(begin->GetValue()) + 1);
    raiseEnd();
    Changed = true;
}

// A begin of 23 makes the end's bounds 24..24, which the spin edit takes for "no bound": the end is kept in range
// here as well. Hours the user has not edited stay as the line holds them.
void TFTime::raiseEnd() {
    keepRangeOrdered(begin, end, 1);
}

bool TFTime::checkOwnFields() {
    raiseEnd();
    return true;
}

void TFTime::accept() {
    if (dayIndex() < 0) {
        messages::error(this, QStringLiteral("The field \"Day\" must hold one of the day names: %1.")
                                  .arg(dayNameList().join(QStringLiteral(", "))));
        day->setFocus(Qt::OtherFocusReason);
        return;
    }
    TRuleDialog::accept();
}

std::unique_ptr<TRuleDialog> TFTime::create(QWidget* parent, EditorAction action) {
    auto dialog = std::make_unique<TFTime>(parent);
    if (action == EditorAction::Edit)
        dialog->Box1->setTitle(QStringLiteral(" Edit Access Time "));
    return dialog;
}

// The day is what the field's text names (the dialog accepts no other text), wherever the user has moved its
// entry in the list.
RuleRecord TFTime::record() const {
    return {QStringLiteral("WT"), {QString::number(dayIndex()), begin->text(), end->text(), comment->text()}};
}

void TFTime::showRecord(const RuleRecord& record) {
    showDay(record.values.value(0));
    begin->setText(record.values.value(1)); // beginChange raises the end's minimum
    end->setText(record.values.value(2));
    comment->setText(record.values.value(3));
}
