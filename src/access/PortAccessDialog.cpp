#include "access/PortAccessDialog.h"

#include "widgets/Advspin.h"

#include "ui_PortAccessDialog.h"

#include <QGroupBox>
#include <QLineEdit>

TFPortA::TFPortA(QWidget* parent) : TRuleDialog(parent), ui_(new Ui::TFPortA) {
    ui_->setupUi(this);
    Box1 = ui_->Box1;
    groupID = ui_->groupChoice->field();
    port = ui_->port;
    comment = ui_->comment;
    takeBounds("RP", {{2, port}});
    finishForm();
}

TFPortA::~TFPortA() = default;

std::unique_ptr<TRuleDialog> TFPortA::create(QWidget* parent, EditorAction action) {
    auto dialog = std::make_unique<TFPortA>(parent);
    if (action == EditorAction::Edit)
        dialog->Box1->setTitle(QStringLiteral(" Edit Port Access Rules "));
    return dialog;
}

RuleRecord TFPortA::record() const {
    return {QStringLiteral("RP"), {port->text(), comment->text()}};
}

void TFPortA::showRecord(const RuleRecord& record) {
    port->setText(record.values.value(0));
    comment->setText(record.values.value(1));
}
