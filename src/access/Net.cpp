#include "access/Net.h"

#include "ui_Net.h"

TFNet::TFNet(QWidget* parent) : TRuleDialog(parent), ui_(new Ui::TFNet) {
    ui_->setupUi(this);
    Box1 = ui_->Box1;
    groupID = ui_->groupID;
    ip = ui_->ip;
    mask = ui_->mask;
    comment = ui_->comment;
    finishForm();
}

TFNet::~TFNet() = default;
