#include "base/GroupCombo.h"

#include "rules/Proxyusers.h"
#include "rules/RuleKinds.h"
#include "widgets/Advspin.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QWheelEvent>

GroupCombo::GroupCombo(QWidget* parent) : QComboBox(parent), field_(new TAdvSpinEdit) {
    field_->setObjectName(QStringLiteral("groupID"));
    field_->setMinValue(kGroupField.min);
    field_->setMaxValue(kGroupField.max);
    // The combo's own arrow opens the groups; the field's arrow buttons would stand beside it.
    field_->spinButton()->hide();
    field_->setTextMargins(0, 0, 0, 0);
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert); // Enter confirms the number typed, it adds no entry
    setLineEdit(field_);
    setCompleter(nullptr); // completing "3" inline to "3 - Guests" would leave the field no number
    field_->clear();
    // Long group names widen the list that drops down, not the dialog.
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(4);
    setToolTip(ruleHint());
    connect(this, &QComboBox::currentIndexChanged, this, &GroupCombo::showChosenNumber);
    connect(this, &QComboBox::activated, this, &GroupCombo::showChosenNumber);
}

QString GroupCombo::ruleHint() {
    return tr("The group the rule belongs to: choose one or type its number (0 to 64)");
}

void GroupCombo::setGroups(const std::vector<GroupEntry>& groups) {
    const QString typed = field_->text();
    {
        const QSignalBlocker quiet(this); // the entries change, not the choice
        clear();
        for (const GroupEntry& group : groups)
            addItem(group.text, group.number);
        setCurrentIndex(-1);
    }
    field_->setText(typed); // the combo shows the text of its current entry, which is none
}

int GroupCombo::entryOfField() const {
    bool isNumber = false;
    const int number = field_->text().toInt(&isNumber, 10);
    return isNumber ? findData(number) : -1;
}

// The entry's number, not its text, is what the field holds.
void GroupCombo::showChosenNumber(int index) {
    if (index < 0)
        return;
    const QString number = QString::number(itemData(index).toInt());
    if (field_->text() != number)
        field_->setText(number);
}

bool GroupCombo::locked() const {
    return field_->isReadOnly();
}

void GroupCombo::showPopup() {
    if (locked())
        return;
    QComboBox::showPopup();
    // The list opens at the group typed, which need not be the entry chosen last.
    if (const int typed = entryOfField(); typed >= 0)
        view()->setCurrentIndex(model()->index(typed, modelColumn()));
}

void GroupCombo::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const bool steps = key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp || key == Qt::Key_PageDown;
    if (steps && locked()) {
        event->accept();
        return;
    }
    // The arrows step from the group typed to the next existing group.
    if (steps && !(event->modifiers() & Qt::AltModifier))
        if (const int typed = entryOfField(); typed >= 0 && typed != currentIndex())
            setCurrentIndex(typed);
    QComboBox::keyPressEvent(event);
}

void GroupCombo::wheelEvent(QWheelEvent* event) {
    if (locked()) {
        event->ignore();
        return;
    }
    if (const int typed = entryOfField(); typed >= 0 && typed != currentIndex())
        setCurrentIndex(typed);
    QComboBox::wheelEvent(event);
}
