#pragma once

#include "base/RuleDialog.h"

#include <memory>

class QGroupBox;
class QLineEdit;
class TAdvSpinEdit;
namespace Ui {
class TFPortB;
}

// The dialog of a port range blocked for a group's members. The range is kept ordered: the end never offers a
// port below the start (a single port has start and end equal), and once the user has edited either port, leaving
// the end and "Ok" keep it within start..65535, also when a start of 65535 leaves the end no bounds of its own.
class TFPortB : public TRuleDialog {
    Q_OBJECT

public:
    explicit TFPortB(QWidget* parent);
    ~TFPortB() override;

    // The dialog of an Add or an Edit of a blocked port range ("BP"), titled for it.
    static std::unique_ptr<TRuleDialog> create(QWidget* parent, EditorAction action);

    TAdvSpinEdit* groupField() override { return groupID; }
    RuleRecord record() const override;
    void showRecord(const RuleRecord& record) override;

    QGroupBox* Box1;
    TAdvSpinEdit* groupID;
    TAdvSpinEdit* portStart; // 1 to 65535
    TAdvSpinEdit* portEnd;   // portStart to 65535
    QLineEdit* comment;

public Q_SLOTS:
    // Every change of the start, typed or set from code: an empty start becomes 1, the end's minimum follows the
    // start, and an end below the start is raised to it.
    void portStartChange();
    void portEndChange();

protected:
    bool checkOwnFields() override;

private:
    std::unique_ptr<Ui::TFPortB> ui_;
};
