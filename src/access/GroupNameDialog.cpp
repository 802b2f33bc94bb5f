#include "access/GroupNameDialog.h"

#include "ui_GroupNameDialog.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

TFGroupName::TFGroupName(QWidget* parent) : TRuleDialog(parent), ui_(new Ui::TFGroupName) {
    ui_->setupUi(this);
    Box1 = ui_->Box1;
    Label2 = ui_->Label2;
    groupID = ui_->groupChoice->field();
    name = ui_->name;
    comment = ui_->comment;
    ui_->groupChoice->setToolTip(tr("The group to name: choose one to rename it, or type a new number (0 to 64)"));
    finishForm();
}

TFGroupName::~TFGroupName() = default;

std::unique_ptr<TRuleDialog> TFGroupName::createForHost(QWidget* parent, EditorAction action) {
    auto dialog = std::make_unique<TFGroupName>(parent);
    const bool edit = action == EditorAction::Edit;
    dialog->tag_ = QStringLiteral("CD");
    dialog->setWindowTitle(edit ? QStringLiteral("Edit Host") : QStringLiteral("Add Host"));
    dialog->Box1->setTitle(edit ? QStringLiteral(" Edit Host in Group ") : QStringLiteral(" Add Host in Group "));
    dialog->Label2->setText(QStringLiteral("Host Name :"));
    dialog->name->setToolTip(tr("Host name of a computer that belongs to the group"));
    dialog->name->setStatusTip(dialog->name->toolTip());
    dialog->ui_->groupChoice->setToolTip(GroupCombo::ruleHint());
    return dialog;
}

std::unique_ptr<TRuleDialog> TFGroupName::createForWord(QWidget* parent, EditorAction action) {
    auto dialog = std::make_unique<TFGroupName>(parent);
    const bool edit = action == EditorAction::Edit;
    dialog->tag_ = QStringLiteral("BW");
    dialog->setWindowTitle(edit ? QStringLiteral("Edit Word") : QStringLiteral("Add Word"));
    dialog->Box1->setTitle(edit ? QStringLiteral(" Edit Blocking Word ") : QStringLiteral(" Add Blocking Word "));
    dialog->Label2->setText(QStringLiteral("Word :"));
    dialog->name->setToolTip(tr("Word that no URL requested by the group may contain"));
    dialog->name->setStatusTip(dialog->name->toolTip());
    dialog->ui_->groupChoice->setToolTip(GroupCombo::ruleHint());
    return dialog;
}

RuleRecord TFGroupName::record() const {
    return {tag_, {name->text(), comment->text()}};
}

void TFGroupName::showRecord(const RuleRecord& record) {
    name->setText(record.values.value(0));
    comment->setText(record.values.value(1));
}
