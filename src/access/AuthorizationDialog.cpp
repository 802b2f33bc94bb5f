#include "access/AuthorizationDialog.h"

#include "base/Images.h"

#include "ui_AuthorizationDialog.h"

TFAuth::TFAuth(QWidget* parent) : TRuleDialog(parent), ui_(new Ui::TFAuth) {
    ui_->setupUi(this);
    Box1 = ui_->Box1;
    groupID = ui_->groupID;
    Combo = ui_->Combo;
    login = ui_->login;
    passw = ui_->passw;
    comment = ui_->comment;
    for (int i = 0; i < Combo->count(); ++i)
        Combo->setItemIcon(i, listImage(ImageList::IAuth, i));
    Combo->setCurrentIndex(-1);
    finishForm();
}

TFAuth::~TFAuth() = default;

int TFAuth::authType() const {
    return Combo->currentIndex() == 0 ? 0 : 1;
}
