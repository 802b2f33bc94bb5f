#include "access/DependentRules.h"

#include "access/AccessLists.h"
#include "access/UndoMacro.h"
#include "base/ListModels.h"
#include "base/ListViews.h"
#include "base/MessageBoxes.h"
#include "base/Text.h"
#include "rules/Strings.h"

#include <QCoreApplication>
#include <QUndoStack>

namespace {

// The texts of this file, translated in their own context.
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(DependentRules)
};

// Whether a list shows lines that bring a group into being (the groups, networks and hosts).
bool showsNamingLines(const ListDescriptor& list) {
    return list.source == RowSource::Groups || list.lines == &TProxyUsers::NetworkRules ||
           list.lines == &TProxyUsers::HostRules;
}

} // namespace

bool DependentRules::removeNamingLine(int group, std::size_t deleted, const char* noun,
                                      const std::function<void()>& remove) {
    const TProxyUsers* record = groups_.find(group);
    const std::size_t rules = record ? record->dependentRuleCount() : 0;
    if (group == 0 || rules == 0 || record->namingLineCount() > deleted) {
        remove();
        return true;
    }
    const QString name = fromFileBytes(TrimField(ruleField(record->GroupLine, 2)));
    const QString counted = rules == 1 ? Texts::tr("1 rule") : Texts::tr("%1 rules").arg(rules);
    const QString text =
        Texts::tr("Group %1%2 keeps %3 (URL, word, time, port, limit, speed or authorization rules), but this "
                  "delete leaves it no name, network or host line. The next start keeps the rules only of "
                  "groups that have one, so it would drop them.\n\nDelete the group's %3 too?")
            .arg(group)
            .arg(name.isEmpty() ? QString() : QStringLiteral(" \"%1\"").arg(name))
            .arg(counted);
    const auto answer = messages::ask(window_, QStringLiteral("Confirm"), text, QMessageBox::Yes | QMessageBox::Cancel,
                                      QMessageBox::Warning, {{QMessageBox::Yes, QStringLiteral("Delete rules too")}},
                                      QMessageBox::Cancel);
    if (answer != QMessageBox::Yes)
        return false;
    const UndoMacro step(
        lists_.undoStack(),
        QStringLiteral("delete %1 and the %2 of group %3").arg(QString::fromUtf8(noun), counted).arg(group));
    remove();
    removeDependentRules(group);
    return true;
}

void DependentRules::removeDependentRules(int group) {
    for (const ListDescriptor* descriptor : accesslists::all()) {
        BoundList* list = lists_.find(*descriptor);
        if (!list || showsNamingLines(*descriptor))
            continue;
        // From the last row up, so that the rows still to delete keep their numbers.
        if (auto* lines = qobject_cast<GroupLinesModel*>(list->model)) {
            for (int row = lines->rowCount() - 1; row >= 0; --row)
                if (lines->groupOf(row) == group)
                    lines->removeLine(row);
        } else if (auto* single = qobject_cast<GroupLineModel*>(list->model)) {
            for (int row = single->rowCount() - 1; row >= 0; --row)
                if (single->groupOf(row) == group)
                    single->clearLine(row);
        }
    }
}
