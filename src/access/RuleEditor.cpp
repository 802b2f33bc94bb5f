#include "access/RuleEditor.h"

#include "base/ListModels.h"
#include "base/ListViews.h"
#include "base/MessageBoxes.h"
#include "base/RuleDialog.h"
#include "base/Text.h"
#include "common/Error.h"
#include "rules/Strings.h"
#include "widgets/Advspin.h"

namespace {

std::string bytesOf(const QString& text) {
    // The dialogs refuse text Windows-1251 cannot hold, so this always succeeds for what they hand over.
    return toFileBytes(text).value_or(std::string());
}

// The rule a line holds, its values as the line has them.
RuleRecord recordOfLine(std::string_view line, int valueCount) {
    RuleRecord record{fromFileBytes(TrimField(ruleField(line, 0))), {}};
    for (int i = 0; i < valueCount; ++i)
        record.values << fromFileBytes(ruleField(line, 2 + i));
    return record;
}

} // namespace

std::string buildRuleLine(const RuleRecord& record, const QString& groupText) {
    TUnStructString builder(":");
    builder.Add(bytesOf(record.tag));
    builder.Add(bytesOf(groupText));
    for (const QString& value : record.values)
        builder.Add(bytesOf(value));
    return builder.Join();
}

void ShowGroupNotFound(QWidget* parent) {
    messages::error(parent, QStringLiteral("Group not found!!! Greate group first!"));
}

GroupLinesModel& RuleEditor::modelOf(BoundList& list) const {
    auto* model = qobject_cast<GroupLinesModel*>(list.model);
    if (!model)
        throw GlymError(std::string("The list view ") + list.descriptor->objectName + " shows no group lines.");
    return *model;
}

GroupLineModel* RuleEditor::singleLineModel(BoundList& list) {
    return qobject_cast<GroupLineModel*>(list.model);
}

int RuleEditor::typeOf(const ListDescriptor& kind, TRuleDialog& dialog) {
    return kind.dialog.type ? kind.dialog.type(dialog) : 0;
}

void RuleEditor::fill(BoundList& list) {
    if (GroupLineModel* single = singleLineModel(list))
        return single->fill();
    modelOf(list).fill();
}

// A kind of many lines per group appends a line and its row. A single-line kind stores the group's line of the
// dialog's type: the row of that group and type follows it (found by number, whatever caption it shows), or a
// row is appended.
void RuleEditor::add(BoundList& list) {
    const ListDescriptor& kind = *list.descriptor;
    std::unique_ptr<TRuleDialog> dialog = kind.dialog.create(window_, EditorAction::Add);
    TAdvSpinEdit* groupField = kind.dialog.groupField(*dialog);
    if (const auto selected = list.selectedRow())
        groupField->setText(list.model->cellText(*selected, 0));
    // A rule for a group that does not exist is refused while the dialog is still open, so nothing typed is lost.
    dialog->setAcceptCheck([&] {
        if (!dialog->Changed || kind.dialog.createsMissingGroup || groups_.exists(groupField->GetValue()))
            return true;
        ShowGroupNotFound(dialog.get());
        return false;
    });
    dialog->Changed = false;
    if (dialog->exec() != QDialog::Accepted || !dialog->Changed)
        return;

    const int group = groupField->GetValue(); // the dialog has brought it into 0..64
    const bool missing = !groups_.exists(group);
    const std::string line = buildRuleLine(kind.dialog.record(*dialog), groupField->text());
    if (GroupLineModel* single = singleLineModel(list)) {
        groups_.create(group);
        single->storeLine(group, typeOf(kind, *dialog), line);
    } else {
        modelOf(list).appendAdded(group, (groups_.create(group).*kind.lines).append(line));
    }
    if (missing)
        messages::note(window_, QStringLiteral("New group created succesfull!"));
}

void RuleEditor::edit(BoundList& list) {
    const auto row = list.selectedRow();
    if (!row)
        return;
    auto& shown = static_cast<LineModel&>(*list.model); // every kind of the editor shows rule lines
    GroupLineModel* single = singleLineModel(list);
    const ListDescriptor& kind = *list.descriptor;
    std::unique_ptr<TRuleDialog> dialog = kind.dialog.create(window_, EditorAction::Edit);
    TAdvSpinEdit* groupField = kind.dialog.groupField(*dialog);
    groupField->setText(shown.cellText(*row, 0));
    kind.dialog.show(*dialog, recordOfLine(shown.rowLine(*row).line, kind.dialog.valueCount));
    if (single && kind.dialog.showType)
        kind.dialog.showType(*dialog, single->typeOf(*row));
    TRuleDialog::lockField(groupField);
    dialog->Changed = false;
    if (dialog->exec() != QDialog::Accepted || !dialog->Changed)
        return;

    const std::string line = buildRuleLine(kind.dialog.record(*dialog), groupField->text());
    if (single)
        return single->replaceLine(*row, typeOf(kind, *dialog), line);
    GroupLinesModel& model = modelOf(list);
    RuleLines* lines = model.linesOf(*row);
    if (!lines || !lines->replace(model.lineIdOf(*row), line)) {
        reportLostLine();
        return;
    }
    model.lineEdited(*row);
}

void RuleEditor::remove(BoundList& list) {
    const auto row = list.selectedRow();
    if (!row)
        return;
    if (GroupLineModel* single = singleLineModel(list))
        return single->clearLine(*row);
    GroupLinesModel& model = modelOf(list);
    RuleLines* lines = model.linesOf(*row);
    const RuleLines::Id line = model.lineIdOf(*row);
    if (!lines || !lines->find(line)) {
        reportLostLine();
        return;
    }
    model.eraseRow(*row);
    lines->remove(line);
}

void RuleEditor::reportLostLine() const {
    messages::error(window_, QStringLiteral("The rule of the selected row is no longer held in its group. "
                                            "Nothing was changed."));
}
