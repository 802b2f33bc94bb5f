#include "access/SpeedDialog.h"

#include "widgets/Advspin.h"

#include "ui_SpeedDialog.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

TFSpeed::TFSpeed(QWidget* parent) : TRuleDialog(parent), ui_(new Ui::TFSpeed) {
    ui_->setupUi(this);
    Box1 = ui_->Box1;
    Label2 = ui_->Label2;
    groupID = ui_->groupChoice->field();
    speed = ui_->speed;
    comment = ui_->comment;
    takeBounds("RL", {{2, speed}}); // the traffic limit's are the same
    finishForm();
}

TFSpeed::~TFSpeed() = default;

std::unique_ptr<TRuleDialog> TFSpeed::createForSpeed(QWidget* parent, EditorAction action) {
    auto dialog = std::make_unique<TFSpeed>(parent);
    if (action == EditorAction::Edit)
        dialog->Box1->setTitle(QStringLiteral(" Edit Speed Rules "));
    return dialog;
}

std::unique_ptr<TRuleDialog> TFSpeed::createForLimit(QWidget* parent, EditorAction action) {
    auto dialog = std::make_unique<TFSpeed>(parent);
    dialog->tag_ = QStringLiteral("TL");
    dialog->setWindowTitle(QStringLiteral("Limit Rules"));
    dialog->Box1->setTitle(action == EditorAction::Edit ? QStringLiteral(" Edit Limit Traffic Rules ")
                                                        : QStringLiteral(" Add Limit Traffic Rules "));
    dialog->Label2->setText(QStringLiteral("Limit, kB/day :"));
    dialog->speed->setToolTip(tr("Daily traffic limit of the group, in kilobytes per day (0 to 2147483647)"));
    dialog->speed->setStatusTip(dialog->speed->toolTip());
    return dialog;
}

RuleRecord TFSpeed::record() const {
    return {tag_, {speed->text(), comment->text()}};
}

void TFSpeed::showRecord(const RuleRecord& record) {
    speed->setText(record.values.value(0));
    comment->setText(record.values.value(1));
}
