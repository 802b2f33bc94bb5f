#pragma once

#include "access/DependentRules.h"
#include "base/ListActions.h"
#include "base/ListDescriptor.h"
#include "base/RuleDialog.h"

#include <string>

class ListViews;
class QString;
class QWidget;
struct BoundList;

// The common editor pattern of the group rules, the actions of every list of them: Set (fill at load), Add, Edit
// and Delete, each on the list given, as its descriptor says. Add and Edit show a fresh modal dialog and act only when
// it is closed with OK after a change. A row shows its own line, so Edit and Delete change exactly that line, however
// it is written and however the rows are sorted.
//
// Kinds of many lines per group (RowSource::GroupLines: networks, hosts, URL rules, ...) append a line with Add.
// Kinds of one line per group (RowSource::GroupLine: traffic limit, speed) set the group's line with Add,
// replacing any earlier one, and keep one row per group; Delete empties the line. Deleting a group's last network
// or host asks first when its other rules would then be dropped by the next load (see DependentRules).
class RuleEditor : public ListActions {
public:
    RuleEditor(QWidget* window, GroupTable& groups, ListViews& lists)
        : window_(window), groups_(groups), dependentRules_(window, groups, lists) {}

    void fill(BoundList& list) override;
    void add(BoundList& list) override;
    void edit(BoundList& list) override;
    void remove(BoundList& list) override;

private:
    void setLine(BoundList& list, int group, int type, std::string line);
    void reportLostLine() const;

    QWidget* window_;
    GroupTable& groups_;
    DependentRules dependentRules_;
};

// The line of a rule: tag, group field, values, joined with ":".
std::string buildRuleLine(const RuleRecord& record, const QString& groupText);

// The error box of every Add whose group does not exist.
void ShowGroupNotFound(QWidget* parent);
