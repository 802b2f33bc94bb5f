#pragma once

#include "base/RuleDialog.h"

#include <memory>

class QGroupBox;
class QLineEdit;
class TAdvSpinEdit;
namespace Ui {
class TFNet;
}

// The dialog of a network of a group: address, mask and comment.
//
// Once the user has edited the address or the mask, "Ok" takes both only in IPv4 dotted form. An address written
// with its prefix length ("192.168.1.0/24") and an empty mask is split into the address and the prefix's mask
// (255.255.255.0); anything else that is not in dotted form is refused with a message naming the field and its
// text, and the dialog stays open. A network the user has not edited is kept as the line holds it.
class TFNet : public TRuleDialog {
    Q_OBJECT

public:
    explicit TFNet(QWidget* parent);
    ~TFNet() override;

    // The dialog of an Add or an Edit of a network rule ("GD"), titled for it.
    static std::unique_ptr<TRuleDialog> create(QWidget* parent, EditorAction action);

    TAdvSpinEdit* groupField() override { return groupID; }
    RuleRecord record() const override;
    void showRecord(const RuleRecord& record) override;

    QGroupBox* Box1;
    TAdvSpinEdit* groupID;
    QLineEdit* ip;
    QLineEdit* mask;
    QLineEdit* comment;

protected:
    bool checkOwnFields() override;

private:
    bool refuse(QLineEdit* field, const QString& problem);

    std::unique_ptr<Ui::TFNet> ui_;
};
