#include "access/Groupname.h"

#include "ui_Groupname.h"

TFGroupName::TFGroupName(QWidget* parent) : TRuleDialog(parent), ui(new Ui::TFGroupName) {
    ui->setupUi(this);
    Box1 = ui->Box1;
    Label2 = ui->Label2;
    groupID = ui->groupID;
    name = ui->name;
    comment = ui->comment;
    connect(ui->Button1, &QPushButton::clicked, this, &TFGroupName::accept);
    connect(ui->IAeverButton1, &QPushButton::clicked, this, &TFGroupName::reject);
    watchFieldChanges();
}

TFGroupName::~TFGroupName() = default;
