#pragma once

#include "base/RuleDialog.h"

#include <memory>

class QComboBox;
class QGroupBox;
class QLineEdit;
class TAdvSpinEdit;
namespace Ui {
class TFUrl;
}

// The dialog of a URL rule of a group: allowed or denied, the URL and a comment.
class TFUrl : public TRuleDialog {
    Q_OBJECT

public:
    explicit TFUrl(QWidget* parent);
    ~TFUrl() override;

    // The dialog of an Add or an Edit of a URL rule ("PA" or "PD"), titled for it.
    static std::unique_ptr<TRuleDialog> create(QWidget* parent, EditorAction action);

    TAdvSpinEdit* groupField() override { return groupID; }
    RuleRecord record() const override;
    void showRecord(const RuleRecord& record) override;

    static constexpr int kAccess = 0; // Combo's entries
    static constexpr int kDenied = 1;

    QGroupBox* Box1;
    TAdvSpinEdit* groupID;
    QComboBox* Combo; // "Url Access", "Url Denied"; none chosen at first, which counts as denied
    QLineEdit* url;
    QLineEdit* comment;

private:
    std::unique_ptr<Ui::TFUrl> ui_;
};
