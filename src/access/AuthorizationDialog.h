#pragma once

#include "base/RuleDialog.h"

#include <memory>

class QComboBox;
class QGroupBox;
class QLineEdit;
class TAdvSpinEdit;
namespace Ui {
class TFAuth;
}

// The dialog of a group's login and password, of the type "Input" or "Output" (a group holds one of each).
class TFAuth : public TRuleDialog {
    Q_OBJECT

public:
    explicit TFAuth(QWidget* parent);
    ~TFAuth() override;

    // The dialog of an Add or an Edit of an authorization rule ("IA" or "OA"), titled for it.
    static std::unique_ptr<TRuleDialog> create(QWidget* parent, EditorAction action);

    TAdvSpinEdit* groupField() override { return groupID; }
    RuleRecord record() const override;
    void showRecord(const RuleRecord& record) override;
    int type() const override { return authType(); }
    void showType(int type) override;
    QString typeName() const override;

    QGroupBox* Box1;
    TAdvSpinEdit* groupID;
    QComboBox* Combo; // 0 "Input", 1 "Output"; none chosen counts as output
    QLineEdit* login;
    QLineEdit* passw;
    QLineEdit* comment;

    // The type chosen: 0 input, 1 output.
    int authType() const;

private:
    std::unique_ptr<Ui::TFAuth> ui_;
};
