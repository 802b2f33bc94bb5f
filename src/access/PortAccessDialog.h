#pragma once

#include "base/RuleDialog.h"

#include <memory>

class QGroupBox;
class QLineEdit;
class TAdvSpinEdit;
namespace Ui {
class TFPortA;
}

// The dialog of a port a group's members may reach.
class TFPortA : public TRuleDialog {
    Q_OBJECT

public:
    explicit TFPortA(QWidget* parent);
    ~TFPortA() override;

    // The dialog of an Add or an Edit of an allowed port rule ("RP"), titled for it.
    static std::unique_ptr<TRuleDialog> create(QWidget* parent, EditorAction action);

    TAdvSpinEdit* groupField() override { return groupID; }
    RuleRecord record() const override;
    void showRecord(const RuleRecord& record) override;

    QGroupBox* Box1;
    TAdvSpinEdit* groupID;
    TAdvSpinEdit* port; // 1 to 65535
    QLineEdit* comment;

private:
    std::unique_ptr<Ui::TFPortA> ui_;
};
