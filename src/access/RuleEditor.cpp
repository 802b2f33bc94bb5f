#include "access/RuleEditor.h"

#include "access/GroupChoice.h"
#include "base/ListModels.h"
#include "base/ListViews.h"
#include "base/MessageBoxes.h"
#include "base/RuleDialog.h"
#include "base/Text.h"
#include "base/UndoMacro.h"
#include "common/Error.h"
#include "rules/RuleKinds.h"
#include "rules/Strings.h"
#include "widgets/Advspin.h"

#include <QCoreApplication>
#include <map>
#include <vector>

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

bool confirmReplace(TRuleDialog& dialog, const GroupLineModel& model, int group, int type, const QString& what) {
    const int row = model.findRow(group, type);
    if (row < 0 || model.rowLine(row).line.empty())
        return true; // a group without a line (listed as "noname") loses nothing
    QStringList shown;
    for (int column = 1; column < model.columnCount(); ++column)
        if (const QString cell = model.cellText(row, column); !cell.isEmpty())
            shown << QStringLiteral("\"%1\"").arg(cell);
    const QString text =
        RuleEditor::tr("Group %1 already has its %2: %3.\n\nReplace it with the one typed here?")
            .arg(group)
            .arg(what, shown.isEmpty() ? RuleEditor::tr("no values") : shown.join(QStringLiteral(", ")));
    const bool replace = messages::ask(&dialog, RuleEditor::tr("Replace"), text, QMessageBox::Yes | QMessageBox::No,
                                       QMessageBox::Question, {}, QMessageBox::No) == QMessageBox::Yes;
    if (!replace)
        dialog.groupField()->setFocus(Qt::TabFocusReason); // selected, to type another number over it
    return replace;
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
    const auto selected = list.selectedRow();
    groupChoice_.prepareAdd(*dialog, selected ? std::optional(list.model->cellText(*selected, 0)) : std::nullopt);
    // What cannot be stored is refused while the dialog is still open, so nothing typed is lost.
    dialog->setAcceptCheck([&] { return acceptAdd(list, *dialog); });
    dialog->Changed = false;
    if (dialog->exec() != QDialog::Accepted || !dialog->Changed)
        return;

    TAdvSpinEdit* groupField = dialog->groupField();
    const int group = groupField->GetValue(); // the dialog has brought it into 0..64
    groupChoice_.used(group);
    if (singleLine(list))
        return setLine(list, group, dialog->type(), buildRuleLine(dialog->record(), QString::number(group)));
    const bool missing = !groups_.exists(group);
    addLines(list, group, groupField->text(), dialog->records());
    if (missing)
        messages::note(window_, QStringLiteral("New group created succesfull!"));
}

bool RuleEditor::acceptAdd(BoundList& list, TRuleDialog& dialog) const {
    if (!dialog.Changed)
        return true; // "Ok" with nothing changed stores nothing
    if (!GroupChoice::chosen(dialog))
        return false;
    const int group = dialog.groupField()->GetValue();
    const RuleKind* kind = ruleKindOfTag(bytesOf(dialog.record().tag));
    if (!(kind && kind->createsGroup) && !groups_.exists(group)) {
        ShowGroupNotFound(&dialog);
        return false;
    }
    if (!singleLine(list))
        return true;
    QString what = ListViews::tr(list.descriptor->noun);
    if (severalTypes(list))
        what += QStringLiteral(" (%1)").arg(dialog.typeName());
    return confirmReplace(dialog, modelOf<GroupLineModel>(list), group, dialog.type(), what);
}

// An edit that changes the type of a group's line (authorization) would replace the group's line of that type: asked
// first, as an Add asks.
bool RuleEditor::acceptTypeChange(BoundList& list, TRuleDialog& dialog, int row, int typeBefore) const {
    if (!dialog.Changed || dialog.type() == typeBefore)
        return true;
    const GroupLineModel& model = modelOf<GroupLineModel>(list);
    const QString what = ListViews::tr(list.descriptor->noun) + QStringLiteral(" (%1)").arg(dialog.typeName());
    return confirmReplace(dialog, model, model.rowLine(row).group, dialog.type(), what);
}

// Several rules at once are one step, undone and redone together; its text is built as the lists build the text of
// every other step (LineModel::runStep).
void RuleEditor::addLines(BoundList& list, int group, const QString& groupText, const QList<RuleRecord>& records) {
    GroupLinesModel& model = modelOf<GroupLinesModel>(list);
    std::optional<UndoMacro> together;
    if (records.size() > 1)
        together.emplace(
            lists_.undoStack(),
            QStringLiteral("add %1 %2s").arg(records.size()).arg(QString::fromUtf8(list.descriptor->noun)));
    for (const RuleRecord& record : records)
        model.addLine(group, buildRuleLine(record, groupText));
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
    groupChoice_.prepareEdit(*dialog, model.cellText(*row, 0));
    dialog->showRecord(recordOfLine(model.rowLine(*row).line, kind.dialog.valueCount));
    if (severalTypes(list)) {
        const int type = modelOf<GroupLineModel>(list).typeOf(*row);
        dialog->showType(type);
        dialog->setAcceptCheck([&, type] { return acceptTypeChange(list, *dialog, *row, type); });
    }
    dialog->Changed = false;
    if (dialog->exec() != QDialog::Accepted || !dialog->Changed)
        return;
    groupChoice_.used(model.rowLine(*row).group);

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
    const std::vector<int> rows = list.selectedRows();
    if (rows.empty())
        return;
    if (singleLine(list)) {
        GroupLineModel& model = modelOf<GroupLineModel>(list);
        return list.removeRows(rows, [&model](int row) { model.clearLine(row); });
    }
    GroupLinesModel& model = modelOf<GroupLinesModel>(list);
    std::map<int, std::size_t> deleted; // lines per group
    for (const int row : rows) {
        const RuleLines* lines = model.linesOf(row);
        if (!lines || !lines->find(model.lineIdOf(row)))
            return reportLostLine();
        ++deleted[model.groupOf(row)];
    }
    auto remove = [&] {
        list.removeRows(rows, [&model](int row) { model.removeLine(row); });
    };
    // A network or host is a line that brings its group into being at a load.
    const RuleLines TProxyUsers::*member = list.descriptor->lines;
    if (member == &TProxyUsers::NetworkRules || member == &TProxyUsers::HostRules)
        dependentRules_.removeNamingLines(deleted, *list.descriptor, rows.size(), remove);
    else
        remove();
}

void RuleEditor::reportLostLine() const {
    messages::error(window_, Texts::tr("The rule of the selected row is no longer held in its group. "
                                       "Nothing was changed."));
}
