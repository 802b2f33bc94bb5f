// The port-mapping rules on the page "Advanced": the three standard services (SMTP, POP3, NNTP), each given by
// its server, and the manual services of RouterRules.

#include "app/Main.h"

#include "access/RuleDialog.h"
#include "access/RuleRows.h"
#include "app/MessageBoxes.h"
#include "app/Text.h"
#include "portmap/PortMapFile.h"
#include "ui_Main.h"

#include <QLineEdit>
#include <QTreeWidget>
#include <array>

namespace {

// The tag of each standard slot, in slot order.
constexpr std::array<const char*, 3> kStandardTags = {"CS", "CP", "CN"};
const QString kTakenByManualService = QStringLiteral("Used Manual Service");
constexpr int kVirtualKeyReturn = 13;

} // namespace

QLineEdit* TMainWnd::standardServiceField(int slot) const {
    const std::array<QLineEdit*, 3> fields = {ui->SMTPaddress, ui->POP3address, ui->NNTPaddress};
    return fields.at(static_cast<std::size_t>(slot));
}

void TMainWnd::connectStandardServices() {
    connect(ui->SMTPaddress, &QLineEdit::editingFinished, this, &TMainWnd::SMTPaddressExit);
    connect(ui->POP3address, &QLineEdit::editingFinished, this, &TMainWnd::POP3addressExit);
    connect(ui->NNTPaddress, &QLineEdit::editingFinished, this, &TMainWnd::NNTPaddressExit);
}

void TMainWnd::LoadMServiceActionExecute() {
    messages::guarded(this, [this] {
        const auto path = toFileBytes(ui->RouterFile->text());
        LoadPortMapping(path.value_or(std::string()), StandardServiceLines, ManualServiceLines, &loadFindings);
        for (int slot = 0; slot < 3; ++slot) {
            const TStructString line(StandardServiceLines[static_cast<std::size_t>(slot)], ":");
            standardServiceField(slot)->setText(fromFileBytes(line.Field(1)));
        }
    });
    if (!ManualServiceLines.empty())
        SetMServiceActionExecute();
}

// Shows the manual services, and marks the standard service a manual one on the same port has taken over.
void TMainWnd::SetMServiceActionExecute() {
    QList<QTreeWidgetItem*> rows;
    TStructString fields("", ":");
    for (const auto& line : ManualServiceLines) {
        fields.Parse(line.text);
        QStringList columns;
        for (int i = 2; i < fields.Count(); ++i)
            columns << fromFileBytes(fields.Field(i));
        auto* row = new rulerows::RuleRow(fromFileBytes(fields.Field(1)), columns, -1);
        rulerows::setLink(row, line.id, -1);
        rows << row;
        if (const auto slot = StandardSlotOfPort(fields.Field(1))) {
            QLineEdit* field = standardServiceField(*slot);
            field->setText(kTakenByManualService);
            field->setReadOnly(true);
            StandardServiceLines[static_cast<std::size_t>(*slot)].clear();
        }
    }
    rulerows::appendRows(ui->RouterRules, rows);
}

// A standard service edited by the user is stored when its field is left: "CS:<server>:", or nothing when the
// field is empty.
void TMainWnd::storeStandardService(int slot) {
    QLineEdit* field = standardServiceField(slot);
    if (!field->isModified() || field->isReadOnly())
        return;
    if (const QString problem = TRuleDialog::whyNotStorable(field->text()); !problem.isEmpty()) {
        messages::error(this, QStringLiteral("The server name %1").arg(problem));
        return;
    }
    ConfigChanged = true;
    const std::string server = *toFileBytes(field->text());
    StandardServiceLines[static_cast<std::size_t>(slot)] =
        server.empty() ? std::string() : JoinRuleLine({kStandardTags[static_cast<std::size_t>(slot)], server, ""});
}

void TMainWnd::SMTPaddressExit() { storeStandardService(0); }
void TMainWnd::POP3addressExit() { storeStandardService(1); }
void TMainWnd::NNTPaddressExit() { storeStandardService(2); }

void TMainWnd::SMTPaddressKeyDown(int Key) {
    if (Key == Qt::Key_Return || Key == Qt::Key_Enter || Key == kVirtualKeyReturn)
        SMTPaddressExit();
}
void TMainWnd::POP3addressKeyDown(int Key) {
    if (Key == Qt::Key_Return || Key == Qt::Key_Enter || Key == kVirtualKeyReturn)
        POP3addressExit();
}
void TMainWnd::NNTPaddressKeyDown(int Key) {
    if (Key == Qt::Key_Return || Key == Qt::Key_Enter || Key == kVirtualKeyReturn)
        NNTPaddressExit();
}
