#include "access/Net.h"

#include "ui_Net.h"

TFNet::TFNet(QWidget* parent) : TRuleDialog(parent), ui_(new Ui::TFNet) {
    ui_->setupUi(this);
    Box1 = ui_->Box1;
    groupID = ui_->groupID;
    ip = ui_->ip;
    mask = ui_->mask;
    comment = ui_->comment;
    connect(ui_->Button1, &QPushButton::clicked, this, &TFNet::accept);
    connect(ui_->IAeverButton1, &QPushButton::clicked, this, &TFNet::reject);
    watchFieldChanges();
}

TFNet::~TFNet() = default;
