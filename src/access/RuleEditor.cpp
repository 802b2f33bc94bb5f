#include "access/RuleEditor.h"

#include "base/Images.h"
#include "base/MessageBoxes.h"
#include "base/RuleDialog.h"
#include "base/RuleRows.h"
#include "base/Text.h"
#include "rules/Strings.h"
#include "widgets/Advspin.h"

#include <QTreeWidget>

using namespace rulerows;

namespace {

std::string bytesOf(const QString& text) {
    // The dialogs refuse text Windows-1251 cannot hold, so this always succeeds for what they hand over.
    return toFileBytes(text).value_or(std::string());
}

RuleRecord recordOfLine(const TStructString& line, int valueCount) {
    RuleRecord record{fromFileBytes(line.Field(0)), {}};
    for (int i = 0; i < valueCount; ++i)
        record.values << fromFileBytes(line.Field(2 + i));
    return record;
}

} // namespace

std::string BuildRuleLine(const RuleRecord& record, const QString& groupText) {
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

QTreeWidget* RuleEditor::listOf(const ListRuleKind& kind) const {
    return window_->findChild<QTreeWidget*>(kind.listName);
}

void RuleEditor::showRow(QTreeWidgetItem* row, const ListRuleKind& kind, const RuleRecord& record) const {
    const RuleRowContent content = kind.rowFor(record);
    setColumns(row, content.columns);
    row->setIcon(0, listImage(ImageList::ImageList1, content.image));
    for (int i = 0; i < content.columnImages.size(); ++i)
        row->setIcon(i + 1, listImage(ImageList::ImageList1, content.columnImages[i]));
}

QTreeWidgetItem* RuleEditor::makeRow(const ListRuleKind& kind, const QString& caption, const RuleRecord& record) const {
    auto* row = new RuleRow(caption, {}, 0);
    showRow(row, kind, record);
    return row;
}

void RuleEditor::fill(const ListRuleKind& kind) {
    QTreeWidget* list = listOf(kind);
    QList<QTreeWidgetItem*> rows;
    TStructString tokenizer("", ":");
    for (int group = 0; group < GroupTable::kSlotCount; ++group) {
        const TProxyUsers* record = groups_.find(group);
        if (!record)
            continue;
        for (const auto& line : record->*kind.lines) {
            tokenizer.Parse(line.text);
            QTreeWidgetItem* row = makeRow(kind, QString::number(group), recordOfLine(tokenizer, kind.valueCount));
            setLink(row, line.id, group);
            rows << row;
        }
    }
    appendRows(list, rows);
}

void RuleEditor::add(const ListRuleKind& kind) {
    QTreeWidget* list = listOf(kind);
    std::unique_ptr<TRuleDialog> dialog = kind.createDialog(window_, EditorAction::Add);
    TAdvSpinEdit* groupField = kind.dialog.groupField(*dialog);
    if (const QTreeWidgetItem* selected = selectedRow(list))
        groupField->setText(selected->text(0));
    dialog->Changed = false;
    if (dialog->exec() != QDialog::Accepted || !dialog->Changed)
        return;

    const int group = groupField->GetValue(); // the dialog has brought it into 0..64
    const QString groupText = groupField->text();
    const RuleRecord record = kind.dialog.record(*dialog);
    const bool missing = !groups_.exists(group);
    if (missing && !kind.createsMissingGroup) {
        ShowGroupNotFound(window_);
        return;
    }
    const RuleLines::Id id = (groups_.create(group).*kind.lines).append(BuildRuleLine(record, groupText));
    QTreeWidgetItem* row = makeRow(kind, groupText, record);
    setLink(row, id, group);
    list->addTopLevelItem(row);
    if (missing)
        messages::note(window_, QStringLiteral("New group created succesfull!"));
}

void RuleEditor::edit(const ListRuleKind& kind) {
    QTreeWidgetItem* row = selectedRow(listOf(kind));
    if (!row)
        return;
    std::unique_ptr<TRuleDialog> dialog = kind.createDialog(window_, EditorAction::Edit);
    TAdvSpinEdit* groupField = kind.dialog.groupField(*dialog);
    groupField->setText(row->text(0));
    kind.dialog.setRecord(*dialog, kind.recordOfRow(*row));
    TRuleDialog::lockField(groupField);
    dialog->Changed = false;
    if (dialog->exec() != QDialog::Accepted || !dialog->Changed)
        return;

    TProxyUsers* group = groups_.find(groupOf(row));
    const RuleRecord record = kind.dialog.record(*dialog);
    if (!group || !(group->*kind.lines).replace(lineIdOf(row), BuildRuleLine(record, groupField->text()))) {
        reportLostLine();
        return;
    }
    showRow(row, kind, record);
    reportChanged(row); // the line was rebuilt, even if the row shows the same texts
}

void RuleEditor::remove(const ListRuleKind& kind) {
    QTreeWidget* list = listOf(kind);
    QTreeWidgetItem* row = selectedRow(list);
    if (!row)
        return;
    TProxyUsers* group = groups_.find(groupOf(row));
    if (!group || !(group->*kind.lines).remove(lineIdOf(row))) {
        reportLostLine();
        return;
    }
    delete list->takeTopLevelItem(list->indexOfTopLevelItem(row));
}

void RuleEditor::reportLostLine() const {
    messages::error(window_, QStringLiteral("The rule of the selected row is no longer held in its group. "
                                            "Nothing was changed."));
}
