#include "access/UrlDialog.h"

#include "base/Images.h"
#include "ui_UrlDialog.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>

TFUrl::TFUrl(QWidget* parent) : TRuleDialog(parent), ui_(new Ui::TFUrl) {
    ui_->setupUi(this);
    Box1 = ui_->Box1;
    groupID = ui_->groupChoice->field();
    Combo = ui_->Combo;
    url = ui_->url;
    comment = ui_->comment;
    for (int i = 0; i < Combo->count(); ++i)
        Combo->setItemIcon(i, listImage(ImageList::ImageCache, i));
    Combo->setCurrentIndex(-1);
    finishForm();
}

TFUrl::~TFUrl() = default;

std::unique_ptr<TRuleDialog> TFUrl::create(QWidget* parent, EditorAction action) {
    auto dialog = std::make_unique<TFUrl>(parent);
    if (action == EditorAction::Edit)
        dialog->Box1->setTitle(QStringLiteral(" Edit Url Rules "));
    return dialog;
}

// No entry chosen counts as denied.
RuleRecord TFUrl::record() const {
    const bool access = Combo->currentIndex() == kAccess;
    return {access ? QStringLiteral("PA") : QStringLiteral("PD"), {url->text(), comment->text()}};
}

void TFUrl::showRecord(const RuleRecord& record) {
    Combo->setCurrentIndex(record.tag == QLatin1String("PA") ? kAccess : kDenied);
    url->setText(record.values.value(0));
    comment->setText(record.values.value(1));
}
