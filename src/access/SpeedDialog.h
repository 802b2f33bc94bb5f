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

    // The dialog of an Add or an Edit of a group's speed limit ("RL") or of its traffic limit ("TL"), titled for
    // it. Made directly, it is the dialog of a speed limit.
    static std::unique_ptr<TRuleDialog> createForSpeed(QWidget* parent, EditorAction action);
    static std::unique_ptr<TRuleDialog> createForLimit(QWidget* parent, EditorAction action);

    TAdvSpinEdit* groupField() override { return groupID; }
    RuleRecord record() const override;
    void showRecord(const RuleRecord& record) override;

    QGroupBox* Box1;
    QLabel* Label2; // "Speed, B/min :" or "Limit, kB/day :"
    TAdvSpinEdit* groupID;
    TAdvSpinEdit* speed;
    QLineEdit* comment;

private:
    QString tag_ = QStringLiteral("RL"); // the tag of the lines it edits
    std::unique_ptr<Ui::TFSpeed> ui_;
};
