#include "access/NetworkDialog.h"

#include "base/MessageBoxes.h"
#include "base/Text.h"
#include "rules/Ipv4.h"
#include "rules/Strings.h"

#include "ui_NetworkDialog.h"

#include <QGroupBox>
#include <QLineEdit>

TFNet::TFNet(QWidget* parent) : TRuleDialog(parent), ui_(new Ui::TFNet) {
    ui_->setupUi(this);
    Box1 = ui_->Box1;
    groupID = ui_->groupChoice->field();
    ip = ui_->ip;
    mask = ui_->mask;
    comment = ui_->comment;
    finishForm();
}

TFNet::~TFNet() = default;

bool TFNet::refuse(QLineEdit* field, const QString& problem) {
    messages::error(this, tr("The field \"%1\" holds \"%2\", %3").arg(fieldName(field), field->text(), problem));
    field->setFocus(Qt::OtherFocusReason);
    return false;
}

bool TFNet::checkOwnFields() {
    if (!edited(ip) && !edited(mask))
        return true;
    // The fields have been found storable: they are Windows-1251 text.
    const std::string address = toFileBytes(ip->text()).value_or(std::string());
    const std::string netmask = toFileBytes(mask->text()).value_or(std::string());
    if (const auto network = splitCidr(address)) {
        if (!TrimField(netmask).empty() && parseIpv4(netmask) != parseIpv4(network->mask))
            return refuse(ip, tr("whose prefix length gives the mask %1, not the mask \"%2\".")
                                  .arg(fromFileBytes(network->mask), mask->text()));
        ip->setText(fromFileBytes(network->address));
        mask->setText(fromFileBytes(network->mask));
        return true;
    }
    if (!parseIpv4(address))
        return refuse(ip, tr("which is not an IPv4 address in dotted form (such as 192.168.1.0, or "
                             "192.168.1.0/24 with the mask left empty)."));
    if (!parseIpv4(netmask))
        return refuse(mask, tr("which is not an IPv4 mask in dotted form (such as 255.255.255.0)."));
    return true;
}

std::unique_ptr<TRuleDialog> TFNet::create(QWidget* parent, EditorAction action) {
    auto dialog = std::make_unique<TFNet>(parent);
    if (action == EditorAction::Edit)
        dialog->Box1->setTitle(QStringLiteral("Edit IP Address in Group "));
    return dialog;
}

RuleRecord TFNet::record() const {
    return {QStringLiteral("GD"), {ip->text(), mask->text(), comment->text()}};
}

void TFNet::showRecord(const RuleRecord& record) {
    ip->setText(record.values.value(0));
    mask->setText(record.values.value(1));
    comment->setText(record.values.value(2));
}
