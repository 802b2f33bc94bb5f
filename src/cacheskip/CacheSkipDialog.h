#pragma once

#include "base/RuleDialog.h"

#include <memory>

class QComboBox;
class QGroupBox;
class QLineEdit;
namespace Ui {
class TFCacheSkip;
}

// The dialog of a cache-skip rule: its kind (Cache Denied, Cache Access, Code Blocking), URL or code, comment.
class TFCacheSkip : public TRuleDialog {
    Q_OBJECT

public:
    explicit TFCacheSkip(QWidget* parent);
    ~TFCacheSkip() override;

    QGroupBox* Box1;
    QComboBox* Combo;
    QLineEdit* url;
    QLineEdit* comment;

public Q_SLOTS:
    // The change handler of the three fields: sets Changed.
    void ComboChange() { groupIDChange(); }

private:
    std::unique_ptr<Ui::TFCacheSkip> ui_;
};
