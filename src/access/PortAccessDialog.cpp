#include "access/PortAccessDialog.h"

#include "ui_PortAccessDialog.h"

TFPortA::TFPortA(QWidget* parent) : TRuleDialog(parent), ui_(new Ui::TFPortA) {
    ui_->setupUi(this);
    Box1 = ui_->Box1;
    groupID = ui_->groupID;
    port = ui_->port;
    comment = ui_->comment;
    finishForm();
}

TFPortA::~TFPortA() = default;
