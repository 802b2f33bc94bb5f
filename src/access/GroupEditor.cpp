#include "access/GroupEditor.h"

#include "access/GroupChoice.h"
#include "access/GroupNameDialog.h"
#include "access/RuleEditor.h"
#include "base/ListModels.h"
#include "base/ListViews.h"
#include "base/Text.h"
#include "common/Error.h"
#include "rules/Strings.h"
#include "widgets/Advspin.h"

#include <QGroupBox>
#include <QLineEdit>

GroupLineModel& GroupEditor::modelOf(BoundList& list) const {
    auto* model = qobject_cast<GroupLineModel*>(list.model);
    if (!model)
        throw GlymError(std::string("The list view ") + list.descriptor->objectName + " shows no group lines.");
    return *model;
}

void GroupEditor::fill(BoundList& list) {
    modelOf(list).fill();
}

// The group's row is found by its number (a number typed "03" finds the row of group 3); a group without a row
// gets one, captioned as typed.
void GroupEditor::storeGroupLine(GroupLineModel& model, int group, const QString& groupText, const QString& name,
                                 const QString& comment) {
    model.setLine(group, 0, buildRuleLine({QStringLiteral("GN"), {name, comment}}, groupText));
}

void GroupEditor::add(BoundList& list) {
    GroupLineModel& model = modelOf(list);
    TFGroupName dialog(window_);
    dialog.setWindowTitle(QStringLiteral("Add Group Name"));
    dialog.Box1->setTitle(QStringLiteral(" Add Group Name "));
    const auto selected = list.selectedRow();
    groupChoice_.prepareAdd(dialog, selected ? std::optional(model.cellText(*selected, 0)) : std::nullopt);
    dialog.setAcceptCheck([&] { return acceptAdd(model, dialog); });
    dialog.Changed = false;
    if (dialog.exec() != QDialog::Accepted || !dialog.Changed)
        return;
    const int group = dialog.groupID->GetValue();
    groupChoice_.used(group);
    storeGroupLine(model, group, dialog.groupID->text(), dialog.name->text(), dialog.comment->text());
}

// A number is chosen, and a name line the group has is replaced only when the user agrees; No keeps the dialog
// open to choose another number.
bool GroupEditor::acceptAdd(const GroupLineModel& model, TFGroupName& dialog) const {
    if (!dialog.Changed)
        return true;
    return GroupChoice::chosen(dialog) && confirmReplace(dialog, model, dialog.groupID->GetValue(), 0, tr("name"));
}

void GroupEditor::edit(BoundList& list) {
    GroupLineModel& model = modelOf(list);
    const auto row = list.selectedRow();
    if (!row)
        return;
    TFGroupName dialog(window_);
    dialog.setWindowTitle(QStringLiteral("Edit Group Name "));
    dialog.Box1->setTitle(QStringLiteral(" Edit Group Name "));
    groupChoice_.prepareEdit(dialog, model.cellText(*row, 0));
    // The name comes from the group's line, not from the row: a nameless group shows "noname" there, also one
    // that has no "GN" line at all (its fields are then empty).
    const std::string_view line = model.rowLine(*row).line;
    dialog.name->setText(fromFileBytes(TrimField(ruleField(line, 2))));
    dialog.comment->setText(fromFileBytes(TrimField(ruleField(line, 3))));
    dialog.Changed = false;
    if (dialog.exec() != QDialog::Accepted || !dialog.Changed)
        return;
    groupChoice_.used(model.groupOf(*row));
    storeGroupLine(model, model.groupOf(*row), dialog.groupID->text(), dialog.name->text(), dialog.comment->text());
}

void GroupEditor::remove(BoundList& list) {
    GroupLineModel& model = modelOf(list);
    const auto row = list.selectedRow();
    if (!row)
        return;
    const int group = model.groupOf(*row);
    const TProxyUsers* record = groups_.find(group);
    const std::size_t deleted = record && !record->GroupLine.empty() ? 1 : 0;
    dependentRules_.removeNamingLine(group, deleted, list.descriptor->noun, [&] { model.clearLine(*row); });
}
