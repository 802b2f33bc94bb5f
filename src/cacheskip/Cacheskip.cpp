#include "cacheskip/Cacheskip.h"

#include "base/Images.h"
#include "ui_Cacheskip.h"

TFCacheSkip::TFCacheSkip(QWidget* parent) : TRuleDialog(parent), ui(new Ui::TFCacheSkip) {
    ui->setupUi(this);
    Box1 = ui->Box1;
    Combo = ui->Combo;
    url = ui->url;
    comment = ui->comment;
    for (int i = 0; i < Combo->count(); ++i)
        Combo->setItemIcon(i, listImage(ImageList::CacheSkipImage, i));
    connect(ui->Button1, &QPushButton::clicked, this, &TFCacheSkip::accept);
    connect(ui->IAeverButton1, &QPushButton::clicked, this, &TFCacheSkip::reject);
    watchFieldChanges();
}

TFCacheSkip::~TFCacheSkip() = default;
