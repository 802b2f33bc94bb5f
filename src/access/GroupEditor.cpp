#include "access/GroupEditor.h"

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
    dialog.Changed = false;
    if (dialog.exec() != QDialog::Accepted || !dialog.Changed)
        return;
    storeGroupLine(model, dialog.groupID->GetValue(), dialog.groupID->text(), dialog.name->text(),
                   dialog.comment->text());
}

void GroupEditor::edit(BoundList& list) {
    GroupLineModel& model = modelOf(list);
    const auto row = list.selectedRow();
    if (!row)
        return;
    TFGroupName dialog(window_);
    dialog.setWindowTitle(QStringLiteral("Edit Group Name "));
    dialog.Box1->setTitle(QStringLiteral(" Edit Group Name "));
    dialog.groupID->setText(model.cellText(*row, 0));
    // The name comes from the group's line, not from the row: a nameless group shows "noname" there, also one
    // that has no "GN" line at all (its fields are then empty).
    const std::string_view line = model.rowLine(*row).line;
    dialog.name->setText(fromFileBytes(TrimField(ruleField(line, 2))));
    dialog.comment->setText(fromFileBytes(TrimField(ruleField(line, 3))));
    TRuleDialog::lockField(dialog.groupID);
    dialog.Changed = false;
    if (dialog.exec() != QDialog::Accepted || !dialog.Changed)
        return;
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
