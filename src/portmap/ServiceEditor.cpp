#include "portmap/ServiceEditor.h"

#include "base/ListModels.h"
#include "base/ListViews.h"
#include "base/MessageBoxes.h"
#include "base/RuleDialog.h"
#include "base/Text.h"
#include "common/Error.h"
#include "portmap/ManualServiceDialog.h"
#include "rules/PortMapFile.h"
#include "rules/Strings.h"
#include "widgets/Advspin.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <algorithm>
#include <memory>

namespace {

// The texts of this file, translated in their own context.
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(ManualServiceEditor)
};

const QString kTakenByManualService = QStringLiteral("Used Manual Service");

// The dialog has refused text Windows-1251 cannot hold, so this always succeeds for what it hands over.
std::string bytesOf(const QString& text) {
    return toFileBytes(text).value_or(std::string());
}

// "CR" and the ten fields, in line order.
std::string lineOfDialog(TFMService& dialog) {
    TUnStructString builder(":");
    builder.Add("CR");
    for (QLineEdit* field : dialog.fields()) {
        // Its "Ok" has brought every number into its bounds; a dialog closed without it has not.
        if (auto* spin = qobject_cast<TAdvSpinEdit*>(field); spin && !spin->isReadOnly())
            spin->applyBounds();
        builder.Add(bytesOf(field->text()));
    }
    return builder.Join();
}

// The fields show the line's fields as it holds them; a field the line lacks shows empty.
void showLine(TFMService& dialog, std::string_view line) {
    int index = 1;
    for (QLineEdit* field : dialog.fields())
        field->setText(fromFileBytes(ruleField(line, index++)));
}

} // namespace

ManualServiceEditor::ManualServiceEditor(QWidget* window, RuleLines& lines, StandardServices& standard,
                                         std::array<QLineEdit*, 3> standardFields, QLineEdit* proxyPort)
    : window_(window), lines_(lines), standard_(standard), standardFields_(standardFields), proxyPort_(proxyPort) {
    for (int slot = 0; slot < 3; ++slot) {
        QLineEdit* field = standardFields_[static_cast<std::size_t>(slot)];
        QObject::connect(field, &QLineEdit::editingFinished, field,
                         [this, slot] { storeStandardService(slot, false); });
        QObject::connect(field, &QLineEdit::textEdited, field, [this] { standardServiceChanged(); });
    }
}

void ManualServiceEditor::showStandardServices() {
    for (std::size_t slot = 0; slot < standardFields_.size(); ++slot) {
        const TStructString line(standard_[slot], ":");
        standardFields_[slot]->setReadOnly(false);
        standardFields_[slot]->setText(fromFileBytes(line.Field(1)));
    }
    if (!lines_.empty())
        markTakenStandardServices();
}

bool ManualServiceEditor::storeStandardService(int slot, bool onlyChanges) {
    // Set while the error about a server that cannot be stored is shown: the box takes the focus from the field,
    // whose leave handler must then not report the same text again.
    static bool reportingUnstorableServer = false;
    constexpr std::array<const char*, 3> kStandardTags = {"CS", "CP", "CN"};
    QLineEdit* field = standardFields_.at(static_cast<std::size_t>(slot));
    if (!field->isModified() || field->isReadOnly())
        return true;
    if (const QString problem = TRuleDialog::whyNotStorable(field->text()); !problem.isEmpty()) {
        if (!reportingUnstorableServer) {
            reportingUnstorableServer = true;
            messages::error(window_, Texts::tr("The server name %1").arg(problem));
            reportingUnstorableServer = false;
        }
        return false;
    }
    const std::string server = *toFileBytes(field->text());
    const std::string line =
        server.empty() ? std::string() : joinRuleLine({kStandardTags[static_cast<std::size_t>(slot)], server, ""});
    std::string& stored = standard_[static_cast<std::size_t>(slot)];
    if (onlyChanges && line == stored)
        return true;
    stored = line;
    standardServiceChanged();
    return true;
}

void ManualServiceEditor::standardServiceKey(int slot, int key) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == 13)
        storeStandardService(slot, false);
}

bool ManualServiceEditor::storeEditedStandardServices() {
    for (int slot = 0; slot < 3; ++slot)
        if (!storeStandardService(slot, true))
            return false;
    return true;
}

FileLinesModel& ManualServiceEditor::modelOf(BoundList& list) const {
    auto* model = qobject_cast<FileLinesModel*>(list.model);
    if (!model)
        throw GlymError(std::string("The list view ") + list.descriptor->objectName + " shows no line list.");
    return *model;
}

void ManualServiceEditor::markTakenStandardServices() {
    for (const auto& line : lines_)
        if (const auto slot = standardSlotOfPort(ruleField(line.text, 1)))
            takeStandardField(*slot);
}

ManualServiceEditor::FreeField ManualServiceEditor::takeStandardField(int slot) {
    const auto index = static_cast<std::size_t>(slot);
    QLineEdit* field = standardFields_[index];
    FreeField was;
    if (!field->isReadOnly())
        was = {standard_[index], field->text()};
    field->setText(kTakenByManualService);
    field->setReadOnly(true);
    standard_[index].clear();
    return was;
}

void ManualServiceEditor::freeStandardField(int slot, const FreeField& shown) {
    const auto index = static_cast<std::size_t>(slot);
    QLineEdit* field = standardFields_[index];
    field->setReadOnly(false);
    field->setText(shown.text);
    standard_[index] = shown.line;
}

void ManualServiceEditor::add(BoundList& list) {
    if (!storeEditedStandardServices()) // a relay server still being typed counts for the port check
        return;
    FileLinesModel& model = modelOf(list);
    TFMService dialog(window_);
    const auto refusal = [&] {
        return refusedLocalPort(bytesOf(dialog.LPort->text()), standard_, bytesOf(proxyPort_->text()), lines_);
    };
    dialog.setAcceptCheck([&] {
        const auto refused = dialog.Changed ? refusal() : std::nullopt;
        if (!refused)
            return true;
        messages::error(&dialog, fromFileBytes(*refused));
        dialog.LPort->setFocus(Qt::OtherFocusReason);
        return false;
    });
    dialog.Changed = false;
    if (dialog.exec() != QDialog::Accepted || !dialog.Changed)
        return;
    // A dialog closed as accepted without its "Ok" (by a caller of done()) has skipped the check: it is made here.
    if (const auto refused = refusal()) {
        messages::error(window_, fromFileBytes(*refused));
        return;
    }
    model.appendLine(lineOfDialog(dialog));
}

void ManualServiceEditor::edit(BoundList& list) {
    FileLinesModel& model = modelOf(list);
    const auto row = list.selectedRow();
    if (!row)
        return;
    const RuleLines::Entry& entry = lines_[static_cast<std::size_t>(*row)];
    TFMService dialog(window_);
    dialog.Box1->setTitle(QStringLiteral(" Edit Router Rules "));
    showLine(dialog, entry.text);
    TRuleDialog::lockField(dialog.LPort);
    dialog.Changed = false;
    if (dialog.exec() != QDialog::Accepted || !dialog.Changed)
        return;
    std::string line = lineOfDialog(dialog);
    if (line != entry.text) // fields changed and changed back are no change
        model.replaceLine(*row, std::move(line));
}

void ManualServiceEditor::remove(BoundList& list) {
    list.removeRows(list.selectedRows(), [this, &list](int row) { removeService(list, row); });
}

// Several services on one port go one by one: the last of them frees the port's standard field.
void ManualServiceEditor::removeService(BoundList& list, int row) {
    FileLinesModel& model = modelOf(list);
    const RuleLines::Entry& entry = lines_[static_cast<std::size_t>(row)];

    // A standard field that this service had taken is free again once no other service listens on its port. A
    // field the user may still edit holds what its standard line holds, and stays so.
    const std::string_view port = ruleField(entry.text, 1);
    const auto slot = standardSlotOfPort(port);
    const auto listening = std::count_if(lines_.begin(), lines_.end(),
                                         [port](const auto& line) { return samePort(ruleField(line.text, 1), port); });
    if (!slot || listening > 1 || !standardFields_[static_cast<std::size_t>(*slot)]->isReadOnly())
        return model.removeLine(row);
    // Undo takes the field again, keeping what the user had put into it meanwhile for the redo that frees it.
    auto whileFree = std::make_shared<FreeField>();
    model.removeLine(row, {.redo = [this, slot = *slot, whileFree] { freeStandardField(slot, *whileFree); },
                           .undo =
                               [this, slot = *slot, whileFree] {
                                   *whileFree = takeStandardField(slot);
                               }});
}
