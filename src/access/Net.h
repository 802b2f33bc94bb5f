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
class TFNet : public TRuleDialog {
    Q_OBJECT

public:
    explicit TFNet(QWidget* parent);
    ~TFNet() override;

    QGroupBox* Box1;
    TAdvSpinEdit* groupID;
    QLineEdit* ip;
    QLineEdit* mask;
    QLineEdit* comment;

private:
    std::unique_ptr<Ui::TFNet> ui;
};
