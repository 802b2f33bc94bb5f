#pragma once

#include "systemd/UnitControl.h"

#include <QObject>
#include <QString>
#include <vector>

class QAbstractButton;
class QAction;
class QLabel;
class QStatusBar;
class QWidget;

// The window's controls of the proxy's systemd unit: Start, Stop, Restart and Reload as menu entries and tool
// buttons, enabled as the unit's state allows; Save and Apply's reload; the unit's state line in the status bar
// (ServiceState, red for a failed unit); and the choice of the unit. Where the unit cannot be driven (no system
// bus, no systemd, no such unit) the controls stay visible, disabled, their hints saying why.
class ServiceControls : public QObject {
    Q_OBJECT

public:
    struct Control {
        UnitControl::Command command;
        QAction* action;
        QAbstractButton* button; // may be null
    };
    struct Controls {
        std::vector<Control> commands;
        QAction* saveAndApply;
        QAbstractButton* saveAndApplyButton;
        QStatusBar* statusBar; // gets the state panel at its right end
        QLabel* notes;         // the window's notes: what a command did
    };

    ServiceControls(QWidget* window, const Controls& controls);

    // Looks the unit up, without waiting for the answer: the controls are disabled until it comes.
    void open(const QString& unit) { unit_.open(unit); }
    const QString& unit() const { return unit_.unit(); }
    UnitControl& unitControl() { return unit_; }

    // Config > Service unit...: asks for the unit's name ("glym" means glym.service) and looks the new one up;
    // false when the user kept the unit.
    bool chooseUnit();
    // The second half of Save and Apply, once the save is done: reloads the unit (one that cannot reload is
    // restarted, one that is not running started); the notes say so after what the save said.
    void apply();
    void run(UnitControl::Command command);

    // The name typed, made a unit's name: blanks around it dropped, ".service" added when it has no type; empty
    // when it cannot name a unit.
    static QString unitName(const QString& typed);

private:
    struct Hinted {
        QObject* control; // a QAction or a QAbstractButton
        QString hint;     // its hint in the form
    };

    void show();
    void showHint(const Hinted& control, bool enabled) const;
    void finished(UnitControl::Command command, UnitControl::Outcome outcome, const QString& message);

    QWidget* window_;
    Controls controls_;
    UnitControl unit_;
    QLabel* statePanel_;
    std::vector<Hinted> hinted_;
    bool applying_ = false;
    QString notesBeforeApply_; // what the save said, kept before the reload's outcome
};
