#pragma once

#include "rules/RuleLines.h"

#include <QIcon>
#include <QList>
#include <QStringList>
#include <QTreeWidgetItem>

class QTreeWidget;

// Rows of the rule list views. A row shows a rule: the group number as caption (column 0), the rule's values in
// the columns after it, an image; it carries the id of the line it shows and the number of its group.
namespace rulerows {

enum Role { LineIdRole = Qt::UserRole, GroupRole };

// A row item that sorts by the shared column rule: the text of the clicked column, ascending, letters (Latin and
// Cyrillic) compared without regard to case, numbers as text ("10" before "2").
class RuleRow : public QTreeWidgetItem {
public:
    RuleRow(const QString& caption, const QStringList& columns, int image);
    bool operator<(const QTreeWidgetItem& other) const override;
    // Makes the list report the row as changed.
    void markChanged() { emitDataChanged(); }
};

// True when a sorts before b by the shared column rule.
bool columnTextLess(const QString& a, const QString& b);

QTreeWidgetItem* selectedRow(const QTreeWidget* list);
// The first row whose caption equals caption, letter case ignored.
QTreeWidgetItem* findRowByCaption(const QTreeWidget* list, const QString& caption);

void setColumns(QTreeWidgetItem* row, const QStringList& columns);
// Makes the list report the row as changed, also when its texts stayed the same: its rule line was rebuilt.
void reportChanged(QTreeWidgetItem* row);
void setLink(QTreeWidgetItem* row, RuleLines::Id lineId, int group);
RuleLines::Id lineIdOf(const QTreeWidgetItem* row);
int groupOf(const QTreeWidgetItem* row);

// Appends rows in one go (fast for the large lists of a start-up).
void appendRows(QTreeWidget* list, const QList<QTreeWidgetItem*>& rows);

// Sorts the list's rows once by a column; rows added later go to the end.
void sortRows(QTreeWidget* list, int column);

} // namespace rulerows
