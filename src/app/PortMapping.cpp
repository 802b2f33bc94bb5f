// The port-mapping rules on the page "Advanced": the three standard services (SMTP, POP3, NNTP), each given by
// its server, and the manual services of RouterRules.

#include "app/Main.h"

#include "base/ListModels.h"
#include "base/ListViews.h"
#include "base/MessageBoxes.h"
#include "base/RuleDialog.h"
#include "base/Text.h"
#include "portmap/ServiceEditor.h"
#include "portmap/ServiceList.h"
#include "rules/PortMapFile.h"
#include "ui_Main.h"

#include <QLineEdit>
#include <array>

namespace {

// The tag of each standard slot, in slot order.
constexpr std::array<const char*, 3> kStandardTags = {"CS", "CP", "CN"};
constexpr int kVirtualKeyReturn = 13;

// Set while the error about a server that cannot be stored is shown: the box takes the focus from the field,
// whose leave handler must then not report the same text again.
bool reportingUnstorableServer = false;

} // namespace

QLineEdit* TMainWnd::standardServiceField(int slot) const {
    const std::array<QLineEdit*, 3> fields = {ui_->SMTPaddress, ui_->POP3address, ui_->NNTPaddress};
    return fields.at(static_cast<std::size_t>(slot));
}

void TMainWnd::setUpPortMapping() {
    connect(ui_->SMTPaddress, &QLineEdit::editingFinished, this, &TMainWnd::SMTPaddressExit);
    connect(ui_->POP3address, &QLineEdit::editingFinished, this, &TMainWnd::POP3addressExit);
    connect(ui_->NNTPaddress, &QLineEdit::editingFinished, this, &TMainWnd::NNTPaddressExit);
    // Typing into a field is a change at once, so that the close question asks before the field is left.
    for (int slot = 0; slot < 3; ++slot)
        connect(standardServiceField(slot), &QLineEdit::textEdited, this, &TMainWnd::ValueChange);
}

void TMainWnd::LoadMServiceActionExecute() {
    messages::guarded(this, [this] {
        LoadFindings dropped;
        const std::string path = toFileBytes(ui_->RouterFile->text()).value_or(std::string());
        replaceRules(2, [&] {
            StandardServiceLines = {};
            ManualServiceLines.clear();
            document_.readPortMapping(path, StandardServiceLines, ManualServiceLines, dropped);
        });
        document_.addFindings(dropped.findings());
    });
}

// The standard-service fields show the lines held, also after a reading that failed (nothing) or an earlier one
// that marked them taken.
void TMainWnd::showStandardServices() {
    for (int slot = 0; slot < 3; ++slot) {
        const TStructString line(StandardServiceLines[static_cast<std::size_t>(slot)], ":");
        standardServiceField(slot)->setReadOnly(false);
        standardServiceField(slot)->setText(fromFileBytes(line.Field(1)));
    }
    if (!ManualServiceLines.empty())
        SetMServiceActionExecute();
}

// RouterRules shows every manual service; a standard service a manual one on the same port has taken over is
// marked so.
void TMainWnd::SetMServiceActionExecute() {
    manualServiceEditor_->markTakenStandardServices();
}

// A standard service edited by the user is stored when its field is left: "CS:<server>:", or nothing when the
// field is empty. Every save and the close question store an edited field first, as the field may still have the
// focus (a click on the tool bar or a shortcut does not take it away); there only a line that differs from the
// stored one counts as a change, so a field left edited does not make every later close ask again. Returns false
// when the text cannot be stored (the error has been shown).
bool TMainWnd::storeStandardService(int slot, bool onlyChanges) {
    QLineEdit* field = standardServiceField(slot);
    if (!field->isModified() || field->isReadOnly())
        return true;
    if (const QString problem = TRuleDialog::whyNotStorable(field->text()); !problem.isEmpty()) {
        if (!reportingUnstorableServer) {
            reportingUnstorableServer = true;
            messages::error(this, QStringLiteral("The server name %1").arg(problem));
            reportingUnstorableServer = false;
        }
        return false;
    }
    const std::string server = *toFileBytes(field->text());
    const std::string line =
        server.empty() ? std::string() : joinRuleLine({kStandardTags[static_cast<std::size_t>(slot)], server, ""});
    std::string& stored = StandardServiceLines[static_cast<std::size_t>(slot)];
    if (onlyChanges && line == stored)
        return true;
    setConfigChanged(true);
    stored = line;
    return true;
}

bool TMainWnd::storeEditedStandardServices() {
    for (int slot = 0; slot < 3; ++slot)
        if (!storeStandardService(slot, true))
            return false;
    return true;
}

void TMainWnd::SMTPaddressExit() {
    storeStandardService(0, false);
}
void TMainWnd::POP3addressExit() {
    storeStandardService(1, false);
}
void TMainWnd::NNTPaddressExit() {
    storeStandardService(2, false);
}

void TMainWnd::SMTPaddressKeyDown(int key) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == kVirtualKeyReturn)
        SMTPaddressExit();
}
void TMainWnd::POP3addressKeyDown(int key) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == kVirtualKeyReturn)
        POP3addressExit();
}
void TMainWnd::NNTPaddressKeyDown(int key) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == kVirtualKeyReturn)
        NNTPaddressExit();
}
