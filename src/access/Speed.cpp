#include "access/Speed.h"

#include "ui_Speed.h"

TFSpeed::TFSpeed(QWidget* parent) : TRuleDialog(parent), ui_(new Ui::TFSpeed) {
    ui_->setupUi(this);
    Box1 = ui_->Box1;
    Label2 = ui_->Label2;
    groupID = ui_->groupID;
    speed = ui_->speed;
    comment = ui_->comment;
    connect(ui_->Button1, &QPushButton::clicked, this, &TFSpeed::accept);
    connect(ui_->IAeverButton1, &QPushButton::clicked, this, &TFSpeed::reject);
    watchFieldChanges();
}

TFSpeed::~TFSpeed() = default;
