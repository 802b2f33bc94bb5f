#include "access/GroupChoice.h"

#include "access/AccessLists.h"
#include "base/MessageBoxes.h"
#include "base/RuleDialog.h"
#include "base/Text.h"
#include "rules/Proxyusers.h"
#include "widgets/Advspin.h"

std::vector<GroupEntry> GroupChoice::entries() const {
    std::vector<GroupEntry> offered;
    for (int group = 0; group < GroupTable::kSlotCount; ++group)
        if (const TProxyUsers* record = groups_.find(group))
            offered.push_back({group, QStringLiteral("%1 - %2").arg(group).arg(
                                          fromFileBytes(accesslists::listedGroupName(record->GroupLine)))});
    return offered;
}

void GroupChoice::prepareAdd(TRuleDialog& dialog, const std::optional<QString>& selectedGroup) const {
    dialog.offerGroups(entries());
    TAdvSpinEdit* field = dialog.groupField();
    if (selectedGroup)
        field->setText(*selectedGroup);
    else if (lastUsed_ && groups_.exists(*lastUsed_))
        field->setText(QString::number(*lastUsed_));
    else
        field->clear();
}

void GroupChoice::prepareEdit(TRuleDialog& dialog, const QString& caption) const {
    dialog.offerGroups(entries());
    dialog.groupField()->setText(caption);
    TRuleDialog::lockField(dialog.groupField());
}

bool GroupChoice::chosen(TRuleDialog& dialog) {
    TAdvSpinEdit* field = dialog.groupField();
    if (!field->text().trimmed().isEmpty())
        return true;
    messages::error(&dialog, tr("Choose the group of the rule in \"Group ID\": pick it from the list or type its "
                                "number (0 to 64)."));
    field->setFocus(Qt::OtherFocusReason);
    return false;
}
