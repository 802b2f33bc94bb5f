#include "access/DependentRules.h"

#include "access/AccessLists.h"
#include "base/ListModels.h"
#include "base/ListViews.h"
#include "base/MessageBoxes.h"
#include "base/Text.h"
#include "base/UndoMacro.h"
#include "rules/Strings.h"

#include <QCoreApplication>
#include <QUndoStack>
#include <vector>

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

// "a", "a and b", "a, b and c", the last two joined by lastTwo ("%1 and %2").
QString listed(const QStringList& items, const QString& lastTwo) {
    if (items.size() < 2)
        return items.join(QString());
    return lastTwo.arg(items.first(items.size() - 1).join(QStringLiteral(", ")), items.last());
}

} // namespace

bool DependentRules::removeNamingLines(const std::map<int, std::size_t>& deleted, const ListDescriptor& list,
                                       std::size_t rows, const std::function<void()>& remove) {
    // The groups that the delete leaves with rules but with no line that brings them into being.
    QStringList numbers;
    QStringList named; // the numbers with the groups' names
    std::vector<int> orphaned;
    std::size_t rules = 0;
    for (const auto& [group, count] : deleted) {
        const TProxyUsers* record = groups_.find(group);
        const std::size_t kept = record ? record->dependentRuleCount() : 0;
        if (group == 0 || kept == 0 || record->namingLineCount() > count)
            continue;
        orphaned.push_back(group);
        rules += kept;
        const QString name = fromFileBytes(TrimField(ruleField(record->GroupLine, 2)));
        numbers << QString::number(group);
        named << (name.isEmpty() ? numbers.last() : QStringLiteral("%1 \"%2\"").arg(numbers.last(), name));
    }
    if (orphaned.empty()) {
        remove();
        return true;
    }
    const bool one = orphaned.size() == 1;
    const QString counted = rules == 1 ? Texts::tr("1 rule") : Texts::tr("%1 rules").arg(rules);
    const QString text =
        one ? Texts::tr("Group %1%2 keeps %3 (URL, word, time, port, limit, speed or authorization rules), but this "
                        "delete leaves it no name, network or host line. The next start keeps the rules only of "
                        "groups that have one, so it would drop them.\n\nDelete the group's %3 too?")
                  .arg(numbers.first(), named.first().mid(numbers.first().size()), counted)
            : Texts::tr("Groups %1 keep %2 (URL, word, time, port, limit, speed or authorization rules), but this "
                        "delete leaves them no name, network or host line. The next start keeps the rules only of "
                        "groups that have one, so it would drop them.\n\nDelete the groups' %2 too?")
                  .arg(listed(named, Texts::tr("%1 and %2")), counted);
    const auto answer = messages::ask(window_, QStringLiteral("Confirm"), text, QMessageBox::Yes | QMessageBox::Cancel,
                                      QMessageBox::Warning, {{QMessageBox::Yes, QStringLiteral("Delete rules too")}},
                                      QMessageBox::Cancel);
    if (answer != QMessageBox::Yes)
        return false;
    const UndoMacro step(lists_.undoStack(), QStringLiteral("delete %1 and the %2 of %3 %4")
                                                 .arg(countedRows(list, rows), counted,
                                                      one ? QStringLiteral("group") : QStringLiteral("groups"),
                                                      listed(numbers, QStringLiteral("%1 and %2"))));
    remove();
    for (const int group : orphaned)
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
