#include "access/RuleEditor.h"

#include "base/ListModels.h"
#include "base/ListViews.h"
#include "base/MessageBoxes.h"
#include "base/RuleDialog.h"
#include "base/Text.h"
#include "common/Error.h"
#include "rules/Strings.h"
#include "widgets/Advspin.h"

#include <QCoreApplication>

namespace {

// The texts of this file, translated in their own context.
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(RuleEditor)
};

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

template <typename Model> Model& modelOf(BoundList& list) {
    auto* model = qobject_cast<Model*>(list.model);
    if (!model)
        throw GlymError(std::string("The list view ") + list.descriptor->objectName + " shows no group lines.");
    return *model;
}

bool singleLine(const BoundList& list) {
    return list.descriptor->source == RowSource::GroupLine;
}

// A kind of several single lines per group, one per type (authorization: input and output).
bool severalTypes(const BoundList& list) {
    return singleLine(list) && list.descriptor->singleLines.size() > 1;
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

void RuleEditor::fill(BoundList& list) {
    if (singleLine(list))
        modelOf<GroupLineModel>(list).fill();
    else
        modelOf<GroupLinesModel>(list).fill();
}

void RuleEditor::add(BoundList& list) {
    const ListDescriptor& kind = *list.descriptor;
    std::unique_ptr<TRuleDialog> dialog = kind.dialog.create(window_, EditorAction::Add);
    TAdvSpinEdit* groupField = dialog->groupField();
    // A kind of one line per group starts at group 0: its Add sets a group's line, not one more beside a row's.
    // A kind of lines of several types (authorization) takes the row's group, to add the group's other type.
    if (!singleLine(list) || severalTypes(list))
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
    const RuleRecord record = dialog->record();
    if (singleLine(list))
        return setLine(list, group, dialog->type(), buildRuleLine(record, QString::number(group)));
    GroupLinesModel& model = modelOf<GroupLinesModel>(list);
    const bool missing = !groups_.exists(group);
    model.addLine(group, buildRuleLine(record, groupField->text()));
    if (missing)
        messages::note(window_, QStringLiteral("New group created succesfull!"));
}

// Sets the group's single line. The group's row is found by its number, so "03" typed updates the row of group
// 3; a group without a row gets one.
void RuleEditor::setLine(BoundList& list, int group, int type, std::string line) {
    GroupLineModel& model = modelOf<GroupLineModel>(list);
    if (!groups_.exists(group))
        return reportLostLine();
    model.setLine(group, type, std::move(line)); // a change even when the row's texts stay
}

void RuleEditor::edit(BoundList& list) {
    const auto row = list.selectedRow();
    if (!row)
        return;
    const ListDescriptor& kind = *list.descriptor;
    LineModel& model = modelOf<LineModel>(list);
    std::unique_ptr<TRuleDialog> dialog = kind.dialog.create(window_, EditorAction::Edit);
    TAdvSpinEdit* groupField = dialog->groupField();
    groupField->setText(model.cellText(*row, 0));
    dialog->showRecord(recordOfLine(model.rowLine(*row).line, kind.dialog.valueCount));
    if (severalTypes(list))
        dialog->showType(modelOf<GroupLineModel>(list).typeOf(*row));
    TRuleDialog::lockField(groupField);
    dialog->Changed = false;
    if (dialog->exec() != QDialog::Accepted || !dialog->Changed)
        return;

    std::string line = buildRuleLine(dialog->record(), groupField->text());
    if (line == model.rowLine(*row).line)
        return; // the fields were changed and changed back: no step, no change mark
    // A change of type (authorization) takes the line to the member of the new type; the model keeps one row
    // per group and type.
    if (singleLine(list))
        return modelOf<GroupLineModel>(list).replaceLine(*row, dialog->type(), std::move(line));
    if (!modelOf<GroupLinesModel>(list).replaceLine(*row, std::move(line)))
        reportLostLine();
}

void RuleEditor::remove(BoundList& list) {
    const auto row = list.selectedRow();
    if (!row)
        return;
    if (singleLine(list))
        return modelOf<GroupLineModel>(list).clearLine(*row);
    GroupLinesModel& model = modelOf<GroupLinesModel>(list);
    const RuleLines* lines = model.linesOf(*row);
    if (!lines || !lines->find(model.lineIdOf(*row)))
        return reportLostLine();
    auto remove = [&] {
        model.removeLine(*row);
    };
    // A network or host is a line that brings its group into being at a load.
    const RuleLines TProxyUsers::*member = list.descriptor->lines;
    if (member == &TProxyUsers::NetworkRules || member == &TProxyUsers::HostRules)
        dependentRules_.removeNamingLine(model.groupOf(*row), 1, list.descriptor->noun, remove);
    else
        remove();
}

void RuleEditor::reportLostLine() const {
    messages::error(window_, Texts::tr("The rule of the selected row is no longer held in its group. "
                                       "Nothing was changed."));
}
