#include "access/GroupNameDialog.h"

#include "ui_GroupNameDialog.h"

TFGroupName::TFGroupName(QWidget* parent) : TRuleDialog(parent), ui_(new Ui::TFGroupName) {
    ui_->setupUi(this);
    Box1 = ui_->Box1;
    Label2 = ui_->Label2;
    groupID = ui_->groupID;
    name = ui_->name;
    comment = ui_->comment;
    finishForm();
}

TFGroupName::~TFGroupName() = default;
