#pragma once

#include "base/ListDescriptor.h"

#include <string>

class GroupLineModel;
class GroupLinesModel;
class QString;
class QWidget;
struct BoundList;

// The common editor pattern of the group rules: Set (fill at load), Add, Edit and Delete, each on the list given,
// as its descriptor says, for the kinds of many lines per group (networks, hosts, times, ...) and for the kinds
// of single lines (a group's authorization lines, one per type). Add and Edit show a fresh modal
// dialog and act only when it is closed with OK after a change. A row shows its own line, so Edit and Delete
// change exactly that line, however it is written and however the rows are sorted.
class RuleEditor {
public:
    RuleEditor(QWidget* window, GroupTable& groups) : window_(window), groups_(groups) {}

    void fill(BoundList& list);
    void add(BoundList& list);
    void edit(BoundList& list);
    void remove(BoundList& list);

private:
    GroupLinesModel& modelOf(BoundList& list) const;
    static GroupLineModel* singleLineModel(BoundList& list); // nullptr for a kind of many lines per group
    static int typeOf(const ListDescriptor& kind, TRuleDialog& dialog);
    void reportLostLine() const;

    QWidget* window_;
    GroupTable& groups_;
};

// The line of a rule: tag, group field, values, joined with ":".
std::string buildRuleLine(const RuleRecord& record, const QString& groupText);

// The error box of every Add whose group does not exist.
void ShowGroupNotFound(QWidget* parent);
