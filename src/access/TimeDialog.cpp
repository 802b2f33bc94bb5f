#include "access/TimeDialog.h"

#include "base/MessageBoxes.h"
#include "base/Text.h"
#include "common/Numbers.h"
#include "rules/Strings.h"
#include "widgets/Advspin.h"
#include "widgets/Comboboxx.h"

#include "ui_TimeDialog.h"

#include <QPushButton>
#include <utility>

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

// The days one button puts into the day field, by the English name the field also takes in any language.
struct SeveralDays {
    const char* name;
    int first;
    int last;
};
constexpr SeveralDays kWorkDays{"Mon-Fri", 1, 5};
constexpr SeveralDays kWeekend{"Sat-Sun", 6, 7};

bool sameText(const QString& text, const QString& name) {
    return text.compare(name, Qt::CaseInsensitive) == 0;
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
    takeBounds("WT", {{3, begin}, {4, end}});
    WorkDays = ui_->WorkDays;
    Weekend = ui_->Weekend;
    day->setItems(dayNameList());
    showDay(QStringLiteral("0"));
    for (QPushButton* button : {WorkDays, Weekend})
        connect(button, &QPushButton::clicked, this, [this, button] {
            day->setText(button->text());
            begin->setFocus(Qt::TabFocusReason); // the hours come next, selected to be typed over
        });
    connect(begin, &TAdvSpinEdit::OnChange, this, &TFTime::beginChange);
    connect(end, &QLineEdit::editingFinished, this, &TFTime::raiseEnd);
    finishForm();
}

TFTime::~TFTime() = default;

std::vector<int> TFTime::days() const {
    const QString text = day->text().trimmed();
    for (std::size_t number = 0; number < DayNames.size(); ++number)
        if (sameText(text, dayName(number)))
            return {static_cast<int>(number)};
    if (!severalDays_)
        return {};
    for (const auto& [button, several] : {std::pair{WorkDays, kWorkDays}, std::pair{Weekend, kWeekend}})
        if (sameText(text, button->text()) || sameText(text, QLatin1String(several.name))) {
            std::vector<int> numbers;
            for (int number = several.first; number <= several.last; ++number)
                numbers.push_back(number);
            return numbers;
        }
    return {};
}

int TFTime::dayIndex() const {
    const std::vector<int> named = days();
    return named.size() == 1 ? named.front() : -1;
}

void TFTime::showDay(const QString& field) {
    const std::optional<std::string> bytes = toFileBytes(field);
    const std::optional<int> number = bytes ? dayNumber(*bytes) : std::nullopt;
    day->setText(number ? dayName(static_cast<std::size_t>(*number)) : field);
    day->setItemIndex(number.value_or(-1));
}

void TFTime::beginChange() {
    end->setMinValue(begin->CheckValue(begin->GetValue()) + orderedDistance("WT"));
    raiseEnd();
    Changed = true;
}

// A begin of 23 makes the end's bounds 24..24, which the spin edit takes for "no bound": the end is kept in range
// here as well. Hours the user has not edited stay as the line holds them.
void TFTime::raiseEnd() {
    keepRangeOrdered(begin, end, orderedDistance("WT"));
}

bool TFTime::checkOwnFields() {
    raiseEnd();
    return true;
}

void TFTime::accept() {
    if (days().empty()) {
        const QString names = dayNameList().join(QStringLiteral(", "));
        messages::error(this, severalDays_ ? tr("The field \"Day\" must hold one of the day names: %1; or %2 or %3 for "
                                                "several days.")
                                                 .arg(names, WorkDays->text(), Weekend->text())
                                           : tr("The field \"Day\" must hold one of the day names: %1.").arg(names));
        day->setFocus(Qt::OtherFocusReason);
        return;
    }
    TRuleDialog::accept();
}

std::unique_ptr<TRuleDialog> TFTime::create(QWidget* parent, EditorAction action) {
    auto dialog = std::make_unique<TFTime>(parent);
    if (action == EditorAction::Edit) {
        dialog->Box1->setTitle(QStringLiteral(" Edit Access Time "));
        // An Edit changes one line: several days are for an Add.
        dialog->severalDays_ = false;
        dialog->WorkDays->setEnabled(false);
        dialog->Weekend->setEnabled(false);
    }
    return dialog;
}

// The day is what the field's text names (the dialog accepts no other text), wherever the user has moved its
// entry in the list.
RuleRecord TFTime::record() const {
    return recordOfDay(dayIndex());
}

QList<RuleRecord> TFTime::records() const {
    QList<RuleRecord> rules;
    for (const int number : days())
        rules << recordOfDay(number);
    return rules;
}

RuleRecord TFTime::recordOfDay(int number) const {
    return {QStringLiteral("WT"), {QString::number(number), begin->text(), end->text(), comment->text()}};
}

void TFTime::showRecord(const RuleRecord& record) {
    showDay(record.values.value(0));
    begin->setText(record.values.value(1)); // beginChange raises the end's minimum
    end->setText(record.values.value(2));
    comment->setText(record.values.value(3));
}
