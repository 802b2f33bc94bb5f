#pragma once

#include "base/RuleDialog.h"

#include <array>
#include <memory>

class QGroupBox;
class QLineEdit;
class TAdvSpinEdit;
namespace Ui {
class TFMService;
}

// The dialog of a manual port-mapping service: the local port it listens on, the server and remote port it
// relays to, its name, its tuning values and a comment.
class TFMService : public TRuleDialog {
    Q_OBJECT

public:
    explicit TFMService(QWidget* parent);
    ~TFMService() override;

    QGroupBox* Box1;
    TAdvSpinEdit* LPort;
    TAdvSpinEdit* RPort;
    QLineEdit* Server;
    QLineEdit* Service;
    TAdvSpinEdit* Count;
    TAdvSpinEdit* SQuery;
    TAdvSpinEdit* STimeout;
    TAdvSpinEdit* TTLdns;
    TAdvSpinEdit* TimeWait;
    QLineEdit* Comment;

    // The ten fields in the order of the fields of a "CR" line after its tag.
    std::array<QLineEdit*, 10> fields() const;

public Q_SLOTS:
    // The change handler of the ten fields: sets Changed.
    void LPortChange() { groupIDChange(); }

private:
    std::unique_ptr<Ui::TFMService> ui_;
};
