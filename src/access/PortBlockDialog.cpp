#include "access/PortBlockDialog.h"

#include "ui_PortBlockDialog.h"
#include "widgets/Advspin.h"

TFPortB::TFPortB(QWidget* parent) : TRuleDialog(parent), ui_(new Ui::TFPortB) {
    ui_->setupUi(this);
    Box1 = ui_->Box1;
    groupID = ui_->groupChoice->field();
    portStart = ui_->portStart;
    portEnd = ui_->portEnd;
    comment = ui_->comment;
    takeBounds("BP", {{2, portStart}, {3, portEnd}});
    finishForm();
    connect(portStart, &TAdvSpinEdit::OnChange, this, &TFPortB::portStartChange);
    connect(portEnd, &TAdvSpinEdit::OnChange, this, &TFPortB::portEndChange);
    connect(portEnd, &QLineEdit::editingFinished, this,
            [this] { keepRangeOrdered(portStart, portEnd, orderedDistance("BP")); });
}

TFPortB::~TFPortB() = default;

void TFPortB::portStartChange() {
    Changed = true;
    if (portStart->text().isEmpty())
        portStart->setText(QString::number(portStart->minValue()));
    const int start = portStart->CheckValue(portStart->GetValue()); // a start typed beyond 65535 counts as 65535
    portEnd->setMinValue(start + orderedDistance("BP"));
    if (start > portEnd->GetValue())
        portEnd->SetValue(start);
}

void TFPortB::portEndChange() {
    Changed = true;
}

bool TFPortB::checkOwnFields() {
    keepRangeOrdered(portStart, portEnd, orderedDistance("BP"));
    return true;
}

std::unique_ptr<TRuleDialog> TFPortB::create(QWidget* parent, EditorAction action) {
    auto dialog = std::make_unique<TFPortB>(parent);
    if (action == EditorAction::Edit)
        dialog->Box1->setTitle(QStringLiteral(" Edit Port Blocking Rules "));
    return dialog;
}

RuleRecord TFPortB::record() const {
    return {QStringLiteral("BP"), {portStart->text(), portEnd->text(), comment->text()}};
}

// The start first: it sets the end's minimum, and the end then shows the line's value.
void TFPortB::showRecord(const RuleRecord& record) {
    portStart->setText(record.values.value(0));
    portEnd->setText(record.values.value(1));
    comment->setText(record.values.value(2));
}
