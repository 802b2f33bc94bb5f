#include "access/SpeedDialog.h"

#include "ui_SpeedDialog.h"

TFSpeed::TFSpeed(QWidget* parent) : TRuleDialog(parent), ui_(new Ui::TFSpeed) {
    ui_->setupUi(this);
    Box1 = ui_->Box1;
    Label2 = ui_->Label2;
    groupID = ui_->groupID;
    speed = ui_->speed;
    comment = ui_->comment;
    finishForm();
}

TFSpeed::~TFSpeed() = default;
