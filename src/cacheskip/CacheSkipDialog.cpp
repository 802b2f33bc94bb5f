#include "cacheskip/CacheSkipDialog.h"

#include "base/Images.h"
#include "ui_CacheSkipDialog.h"

TFCacheSkip::TFCacheSkip(QWidget* parent) : TRuleDialog(parent), ui_(new Ui::TFCacheSkip) {
    ui_->setupUi(this);
    Box1 = ui_->Box1;
    Combo = ui_->Combo;
    url = ui_->url;
    comment = ui_->comment;
    for (int i = 0; i < Combo->count(); ++i)
        Combo->setItemIcon(i, listImage(ImageList::CacheSkipImage, i));
    finishForm();
}

TFCacheSkip::~TFCacheSkip() = default;
