#include "access/UrlDialog.h"

#include "base/Images.h"
#include "ui_UrlDialog.h"

TFUrl::TFUrl(QWidget* parent) : TRuleDialog(parent), ui_(new Ui::TFUrl) {
    ui_->setupUi(this);
    Box1 = ui_->Box1;
    groupID = ui_->groupID;
    Combo = ui_->Combo;
    url = ui_->url;
    comment = ui_->comment;
    for (int i = 0; i < Combo->count(); ++i)
        Combo->setItemIcon(i, listImage(ImageList::ImageCache, i));
    Combo->setCurrentIndex(-1);
    finishForm();
}

TFUrl::~TFUrl() = default;
