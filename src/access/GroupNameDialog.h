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

    // The dialog of an Add or an Edit of a host ("CD") or of a blocked word ("BW"), titled for it. Made
    // directly, it is the dialog of a group's name ("GN").
    static std::unique_ptr<TRuleDialog> createForHost(QWidget* parent, EditorAction action);
    static std::unique_ptr<TRuleDialog> createForWord(QWidget* parent, EditorAction action);

    TAdvSpinEdit* groupField() override { return groupID; }
    RuleRecord record() const override;
    void showRecord(const RuleRecord& record) override;

    QGroupBox* Box1;
    QLabel* Label2; // "Group Name :", "Host Name :" or "Word :"
    TAdvSpinEdit* groupID;
    QLineEdit* name;
    QLineEdit* comment;

private:
    QString tag_ = QStringLiteral("GN"); // the tag of the lines it edits
    std::unique_ptr<Ui::TFGroupName> ui_;
};
