#pragma once

#include "rules/Proxyusers.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QTreeWidget;
class QTreeWidgetItem;
class QWidget;
class TAdvSpinEdit;
class TRuleDialog;

enum class EditorAction { Add, Edit };

// What a rule looks like outside its line: its tag and its values in line order (the group field left out).
struct RuleRecord {
    QString tag;
    QStringList values;
};

// What a list row shows of a rule: the texts after the caption, the row's image, and an image per column
// (-1 for none).
struct RuleRowContent {
    QStringList columns;
    int image = 0;
    QList<int> columnImages = {};
};

// How a dialog of a rule kind is used: the pattern only needs its group field and its record.
struct RuleDialogAccess {
    std::function<TAdvSpinEdit*(TRuleDialog&)> groupField;
    std::function<RuleRecord(TRuleDialog&)> record;
    std::function<void(TRuleDialog&, const RuleRecord&)> setRecord;
};

// A per-group rule kind with any number of lines per group (networks, hosts, URLs, words, ports, times): the
// list view that shows it, where a group keeps its lines, its dialog, and how a record becomes a row and back.
struct ListRuleKind {
    QString listName;
    RuleLines TProxyUsers::*lines = nullptr;
    int valueCount = 0;                  // values after the group field
    bool createsMissingGroup = false;    // Add to a missing group creates it (with a note) instead of refusing
    std::function<std::unique_ptr<TRuleDialog>(QWidget* parent, EditorAction action)> createDialog;
    RuleDialogAccess dialog;
    std::function<RuleRowContent(const RuleRecord&)> rowFor;
    std::function<RuleRecord(const QTreeWidgetItem&)> recordOfRow;
};

// The common editor pattern of the rule lists: Set (fill at load), Add, Edit and Delete. Add and Edit show a
// fresh modal dialog and act only when it is closed with OK after a change. A row carries the id of its line,
// so Edit and Delete change exactly the line the row shows.
class RuleEditor {
public:
    RuleEditor(QWidget* window, GroupTable& groups) : window_(window), groups_(groups) {}

    void fill(const ListRuleKind& kind);
    void add(const ListRuleKind& kind);
    void edit(const ListRuleKind& kind);
    void remove(const ListRuleKind& kind);

private:
    QTreeWidget* listOf(const ListRuleKind& kind) const;
    QTreeWidgetItem* makeRow(const ListRuleKind& kind, const QString& caption, const RuleRecord& record) const;
    void showRow(QTreeWidgetItem* row, const ListRuleKind& kind, const RuleRecord& record) const;
    void reportLostLine() const;

    QWidget* window_;
    GroupTable& groups_;
};

// The line of a rule: tag, group field, values, joined with ":".
std::string BuildRuleLine(const RuleRecord& record, const QString& groupText);

// The error box of every Add whose group does not exist.
void ShowGroupNotFound(QWidget* parent);
