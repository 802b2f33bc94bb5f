#include "access/AuthorizationDialog.h"

#include "base/Images.h"

#include "ui_AuthorizationDialog.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QToolButton>

TFAuth::TFAuth(QWidget* parent) : TRuleDialog(parent), ui_(new Ui::TFAuth) {
    ui_->setupUi(this);
    Box1 = ui_->Box1;
    groupID = ui_->groupChoice->field();
    Combo = ui_->Combo;
    login = ui_->login;
    passw = ui_->passw;
    comment = ui_->comment;
    for (int i = 0; i < Combo->count(); ++i)
        Combo->setItemIcon(i, listImage(ImageList::IAuth, i));
    Combo->setCurrentIndex(-1);
    // The password is masked, as anyone may be looking at the screen; the button shows it while it is down.
    connect(ui_->RevealPassword, &QToolButton::toggled, passw,
            [this](bool shown) { passw->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password); });
    finishForm();
}

TFAuth::~TFAuth() = default;

int TFAuth::authType() const {
    return Combo->currentIndex() == 0 ? 0 : 1;
}

std::unique_ptr<TRuleDialog> TFAuth::create(QWidget* parent, EditorAction action) {
    auto dialog = std::make_unique<TFAuth>(parent);
    if (action == EditorAction::Edit)
        dialog->Box1->setTitle(QStringLiteral(" Edit Authorization Rules "));
    return dialog;
}

RuleRecord TFAuth::record() const {
    return {authType() == 0 ? QStringLiteral("IA") : QStringLiteral("OA"),
            {login->text(), passw->text(), comment->text()}};
}

void TFAuth::showRecord(const RuleRecord& record) {
    login->setText(record.values.value(0));
    passw->setText(record.values.value(1));
    comment->setText(record.values.value(2));
}

QString TFAuth::typeName() const {
    return Combo->itemText(authType());
}

void TFAuth::showType(int type) {
    Combo->setCurrentIndex(type);
}
