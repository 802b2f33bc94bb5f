#pragma once

#include "base/RuleDialog.h"

#include <memory>

class QGroupBox;
class QLabel;
class QLineEdit;
class TAdvSpinEdit;
namespace Ui {
class TFGroupName;
}

// The dialog of a group's number, name and comment; retitled, it also edits hosts and blocked words.
class TFGroupName : public TRuleDialog {
    Q_OBJECT

public:
    explicit TFGroupName(QWidget* parent);
    ~TFGroupName() override;

    QGroupBox* Box1;
    QLabel* Label2; // "Group Name :", "Host Name :" or "Word :"
    TAdvSpinEdit* groupID;
    QLineEdit* name;
    QLineEdit* comment;

private:
    std::unique_ptr<Ui::TFGroupName> ui_;
};
