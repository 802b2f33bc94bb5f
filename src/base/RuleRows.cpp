#include "base/RuleRows.h"

#include "base/Images.h"

#include <QHeaderView>
#include <QTreeWidget>

namespace rulerows {

RuleRow::RuleRow(const QString& caption, const QStringList& columns, int image) {
    setText(0, caption);
    setColumns(this, columns);
    setIcon(0, listImage(ImageList::ImageList1, image));
}

bool RuleRow::operator<(const QTreeWidgetItem& other) const {
    const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
    return columnTextLess(text(column), other.text(column));
}

bool columnTextLess(const QString& a, const QString& b) {
    // Letters are compared in their capital form, the Cyrillic ones of the proxy's files as well as A to Z.
    // The common case, a character below 128, is folded here: a header click sorts many thousand rows.
    auto fold = [](QChar c) {
        const char16_t u = c.unicode();
        if (u < 0x80)
            return QChar(u >= u'a' && u <= u'z' ? char16_t(u - 32) : u);
        return c.toUpper();
    };
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < common; ++i) {
        const QChar x = fold(a[i]);
        const QChar y = fold(b[i]);
        if (x != y)
            return x < y;
    }
    return a.size() < b.size();
}

QTreeWidgetItem* selectedRow(const QTreeWidget* list) {
    const auto rows = list->selectedItems();
    return rows.isEmpty() ? nullptr : rows.first();
}

QTreeWidgetItem* findRowByCaption(const QTreeWidget* list, const QString& caption) {
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = list->topLevelItem(i);
        if (row->text(0).compare(caption, Qt::CaseInsensitive) == 0)
            return row;
    }
    return nullptr;
}

void setColumns(QTreeWidgetItem* row, const QStringList& columns) {
    for (int i = 0; i < columns.size(); ++i)
        row->setText(i + 1, columns[i]);
}

void reportChanged(QTreeWidgetItem* row) {
    if (auto* ruleRow = dynamic_cast<RuleRow*>(row))
        ruleRow->markChanged();
}

void setLink(QTreeWidgetItem* row, RuleLines::Id lineId, int group) {
    row->setData(0, LineIdRole, QVariant::fromValue<qulonglong>(lineId));
    row->setData(0, GroupRole, group);
}

RuleLines::Id lineIdOf(const QTreeWidgetItem* row) {
    return row->data(0, LineIdRole).toULongLong();
}

int groupOf(const QTreeWidgetItem* row) {
    bool ok = false;
    const int group = row->data(0, GroupRole).toInt(&ok);
    return ok ? group : -1;
}

void appendRows(QTreeWidget* list, const QList<QTreeWidgetItem*>& rows) {
    if (!rows.isEmpty())
        list->addTopLevelItems(rows);
}

void sortRows(QTreeWidget* list, int column) {
    list->sortItems(column, Qt::AscendingOrder);
    list->header()->setSortIndicatorShown(false);
}

} // namespace rulerows
