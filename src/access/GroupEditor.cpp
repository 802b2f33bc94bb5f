#include "access/GroupEditor.h"

#include "access/Groupname.h"
#include "access/RuleEditor.h"
#include "base/RuleRows.h"
#include "base/Text.h"
#include "rules/Strings.h"
#include "widgets/Advspin.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QTreeWidget>

using namespace rulerows;

namespace {

const QString kListName = QStringLiteral("GroupName");

QTreeWidgetItem* rowOfGroup(const QTreeWidget* list, int group) {
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        if (groupOf(list->topLevelItem(i)) == group)
            return list->topLevelItem(i);
    return nullptr;
}

} // namespace

void GroupEditor::fill() {
    auto* list = window_->findChild<QTreeWidget*>(kListName);
    QList<QTreeWidgetItem*> rows;
    TStructString line("", ":");
    for (int group = 0; group < GroupTable::kSlotCount; ++group) {
        const TProxyUsers* record = groups_.find(group);
        if (!record)
            continue;
        line.Parse(record->GroupLine);
        const QString name = fromFileBytes(line.Field(2));
        auto* row = new RuleRow(QString::number(group),
                                {name.isEmpty() ? QStringLiteral("noname") : name, fromFileBytes(line.Field(3))}, 0);
        setLink(row, 0, group);
        rows << row;
    }
    appendRows(list, rows);
}

void GroupEditor::storeGroupLine(int group, const QString& groupText, const QString& name, const QString& comment) {
    auto* list = window_->findChild<QTreeWidget*>(kListName);
    groups_.create(group).SetGroupLine(BuildRuleLine({QStringLiteral("GN"), {name, comment}}, groupText));
    if (QTreeWidgetItem* row = rowOfGroup(list, group)) {
        setColumns(row, {name, comment});
        // The line is new even when the row's texts are not ("GN:01:..." for "GN:1:..."): report the row as
        // changed, so that the change is saved.
        reportChanged(row);
        return;
    }
    auto* row = new RuleRow(groupText, {name, comment}, 0);
    setLink(row, 0, group);
    list->addTopLevelItem(row);
}

void GroupEditor::add() {
    TFGroupName dialog(window_);
    dialog.setWindowTitle(QStringLiteral("Add Group Name"));
    dialog.Box1->setTitle(QStringLiteral(" Add Group Name "));
    dialog.Changed = false;
    if (dialog.exec() != QDialog::Accepted || !dialog.Changed)
        return;
    storeGroupLine(dialog.groupID->GetValue(), dialog.groupID->text(), dialog.name->text(), dialog.comment->text());
}

void GroupEditor::edit() {
    auto* list = window_->findChild<QTreeWidget*>(kListName);
    const QTreeWidgetItem* row = selectedRow(list);
    if (!row)
        return;
    TFGroupName dialog(window_);
    dialog.setWindowTitle(QStringLiteral("Edit Group Name "));
    dialog.Box1->setTitle(QStringLiteral(" Edit Group Name "));
    dialog.groupID->setText(row->text(0));
    // The name comes from the group's line, not from the row: a nameless group shows "noname" there, also one
    // that has no "GN" line at all (its fields are then empty).
    if (const TProxyUsers* record = groups_.find(groupOf(row))) {
        const TStructString line(record->GroupLine, ":");
        dialog.name->setText(fromFileBytes(line.Field(2)));
        dialog.comment->setText(fromFileBytes(line.Field(3)));
    } else {
        dialog.name->setText(row->text(1));
        dialog.comment->setText(row->text(2));
    }
    TRuleDialog::lockField(dialog.groupID);
    dialog.Changed = false;
    if (dialog.exec() != QDialog::Accepted || !dialog.Changed)
        return;
    storeGroupLine(groupOf(row), dialog.groupID->text(), dialog.name->text(), dialog.comment->text());
}

void GroupEditor::remove() {
    auto* list = window_->findChild<QTreeWidget*>(kListName);
    QTreeWidgetItem* row = selectedRow(list);
    if (!row)
        return;
    if (TProxyUsers* record = groups_.find(groupOf(row)))
        record->SetGroupLine(std::string());
    delete list->takeTopLevelItem(list->indexOfTopLevelItem(row));
}
