#include "access/Net.h"

#include "ui_Net.h"

TFNet::TFNet(QWidget* parent) : TRuleDialog(parent), ui(new Ui::TFNet) {
    ui->setupUi(this);
    Box1 = ui->Box1;
    groupID = ui->groupID;
    ip = ui->ip;
    mask = ui->mask;
    comment = ui->comment;
    connect(ui->Button1, &QPushButton::clicked, this, &TFNet::accept);
    connect(ui->IAeverButton1, &QPushButton::clicked, this, &TFNet::reject);
    watchFieldChanges();
}

TFNet::~TFNet() = default;
