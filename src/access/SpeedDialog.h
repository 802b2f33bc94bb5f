#pragma once

#include "base/RuleDialog.h"

#include <memory>

class QGroupBox;
class QLabel;
class QLineEdit;
class TAdvSpinEdit;
namespace Ui {
class TFSpeed;
}

// The dialog of a group's speed limit (bytes per minute); retitled, it also edits the daily traffic limit.
class TFSpeed : public TRuleDialog {
    Q_OBJECT

public:
    explicit TFSpeed(QWidget* parent);
    ~TFSpeed() override;

    QGroupBox* Box1;
    QLabel* Label2; // "Speed, B/min :" or "Limit, kB/day :"
    TAdvSpinEdit* groupID;
    TAdvSpinEdit* speed;
    QLineEdit* comment;

private:
    std::unique_ptr<Ui::TFSpeed> ui_;
};
