#include "systemd/ServiceControls.h"

#include "base/MessageBoxes.h"

#include <QAbstractButton>
#include <QAction>
#include <QInputDialog>
#include <QLabel>
#include <QRegularExpression>
#include <QStatusBar>

namespace {

// The types of unit systemd knows; a name without one means a service.
constexpr const char* kUnitTypes[] = {"service", "socket", "target", "device", "mount", "automount",
                                      "swap",    "timer",  "path",   "slice",  "scope"};

// A failed unit's state line; readable on the light and the dark palette alike.
constexpr char kFailedStyle[] = "color: #d42020; font-weight: bold;";

void setEnabled(QObject* control, bool enabled) {
    if (auto* action = qobject_cast<QAction*>(control))
        action->setEnabled(enabled);
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
        button->setEnabled(enabled);
}

} // namespace

ServiceControls::ServiceControls(QWidget* window, const Controls& controls)
    : QObject(window), window_(window), controls_(controls), statePanel_(new QLabel(controls.statusBar)) {
    statePanel_->setObjectName(QStringLiteral("ServiceState"));
    controls_.statusBar->addPermanentWidget(statePanel_);
    auto keep = [this](QObject* control) {
        if (!control)
            return;
        const auto* action = qobject_cast<QAction*>(control);
        hinted_.push_back({control, action ? action->toolTip() : qobject_cast<QWidget*>(control)->toolTip()});
    };
    for (const Control& control : controls_.commands) {
        keep(control.action);
        keep(control.button);
        const UnitControl::Command command = control.command;
        connect(control.action, &QAction::triggered, this, [this, command] { run(command); });
        if (control.button)
            connect(control.button, &QAbstractButton::clicked, this, [this, command] { run(command); });
    }
    keep(controls_.saveAndApply);
    keep(controls_.saveAndApplyButton);
    connect(&unit_, &UnitControl::changed, this, &ServiceControls::show);
    connect(&unit_, &UnitControl::finished, this, &ServiceControls::finished);
}

QString ServiceControls::unitName(const QString& typed) {
    QString name = typed.trimmed();
    static const QRegularExpression unitCharacters(QStringLiteral("^[A-Za-z0-9:_.@\\\\-]{1,240}$"));
    if (!unitCharacters.match(name).hasMatch() || name.startsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char('.')))
        return {};
    const QString type = name.section(QLatin1Char('.'), -1);
    for (const char* known : kUnitTypes)
        if (name.contains(QLatin1Char('.')) && type == QLatin1String(known))
            return name;
    return name + QStringLiteral(".service");
}

bool ServiceControls::chooseUnit() {
    bool given = false;
    const QString typed = QInputDialog::getText(
        window_, tr("Service Unit"), tr("The systemd unit the GLYM proxy runs as (for example glym.service):"),
        QLineEdit::Normal, unit(), &given);
    if (!given)
        return false;
    const QString name = unitName(typed);
    if (name.isEmpty()) {
        messages::error(
            window_,
            tr("\"%1\" cannot name a systemd unit: use letters, digits and \":_.@\\-\".").arg(typed.trimmed()));
        return false;
    }
    if (name == unit())
        return false;
    unit_.open(name);
    return true;
}

void ServiceControls::apply() {
    applying_ = true;
    notesBeforeApply_ = controls_.notes->text();
    const QString pending = tr("Reloading %1...").arg(unit());
    controls_.notes->setText(notesBeforeApply_.isEmpty() ? pending : notesBeforeApply_ + u' ' + pending);
    unit_.run(UnitControl::Command::Reload);
}

void ServiceControls::run(UnitControl::Command command) {
    applying_ = false;
    unit_.run(command);
}

void ServiceControls::finished(UnitControl::Command, UnitControl::Outcome outcome, const QString& message) {
    QString said = message;
    if (applying_ && outcome != UnitControl::Outcome::Done)
        said = tr("Not applied: %1").arg(message);
    if (applying_ && !notesBeforeApply_.isEmpty())
        said = notesBeforeApply_ + u' ' + said;
    applying_ = false;
    controls_.notes->setText(said);
    controls_.notes->setToolTip(said);
}

// Enabled as the state allows; a control the unit's reach disables says why in its hints. Save and Apply needs
// only the unit: a unit that is not running is started.
void ServiceControls::show() {
    const bool reachable = unit_.reach() == UnitControl::Reach::Ready;
    for (const Hinted& control : hinted_) {
        bool enabled = reachable && !unit_.busy();
        for (const Control& command : controls_.commands)
            if (control.control == command.action || control.control == command.button)
                enabled = unit_.allows(command.command);
        showHint(control, enabled);
    }
    const bool available = reachable || unit_.reach() == UnitControl::Reach::Looking;
    statePanel_->setText(available ? unit_.stateLine() : tr("%1: not available").arg(unit()));
    statePanel_->setToolTip(available ? tr("The state of the GLYM proxy's systemd unit; the Service menu drives it")
                                      : unit_.problem());
    statePanel_->setStyleSheet(unit_.failed() ? QLatin1String(kFailedStyle) : QString());
}

void ServiceControls::showHint(const Hinted& control, bool enabled) const {
    setEnabled(control.control, enabled);
    const QString why = unit_.reach() == UnitControl::Reach::Looking
                            ? tr("Looking for %1 on the system bus...").arg(unit())
                            : unit_.problem();
    const QString hint = enabled || why.isEmpty() ? control.hint : control.hint + QStringLiteral(": ") + why;
    if (auto* action = qobject_cast<QAction*>(control.control)) {
        action->setToolTip(hint);
        action->setStatusTip(hint);
    } else if (auto* widget = qobject_cast<QWidget*>(control.control)) {
        widget->setToolTip(hint);
        widget->setStatusTip(hint);
    }
}
