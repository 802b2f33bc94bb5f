#pragma once

#include "access/DependentRules.h"
#include "base/ListActions.h"
#include "base/ListDescriptor.h"
#include "base/RuleDialog.h"

#include <QCoreApplication>
#include <string>

class GroupChoice;
class GroupLineModel;
class ListViews;
class QString;
class QWidget;
struct BoundList;

// The common editor pattern of the group rules, the actions of every list of them: Set (fill at load), Add, Edit
// and Delete, each on the list given, as its descriptor says. Add and Edit show a fresh modal dialog and act only when
// it is closed with OK after a change. A row shows its own line, so Edit and Delete change exactly that line, however
// it is written and however the rows are sorted.
//
// Add starts at the group of the selected row, else at the group last used (GroupChoice), and refuses a group
// field left empty.
//
// Kinds of many lines per group (RowSource::GroupLines: networks, hosts, URL rules, ...) append a line with Add;
// a dialog that gives several rules at once (the working hours of Monday to Friday) appends them as one step.
// Kinds of one line per group (RowSource::GroupLine: traffic limit, speed) set the group's line with Add, and keep
// one row per group; an Add that would replace a line the group has asks first. Delete empties the line. Deleting
// a group's last network or host asks first when its other rules would then be dropped by the next load (see
// DependentRules).
class RuleEditor : public ListActions {
    Q_DECLARE_TR_FUNCTIONS(RuleEditor)

public:
    RuleEditor(QWidget* window, GroupTable& groups, ListViews& lists, GroupChoice& groupChoice)
        : window_(window), groups_(groups), lists_(lists), groupChoice_(groupChoice),
          dependentRules_(window, groups, lists) {}

    void fill(BoundList& list) override;
    void add(BoundList& list) override;
    void edit(BoundList& list) override;
    void remove(BoundList& list) override;

private:
    // The editor's check of "Ok" in an Add: a group chosen, existing (or created by the kind), and, for a kind of
    // single lines, its line replaced only when the user agrees.
    bool acceptAdd(BoundList& list, TRuleDialog& dialog) const;
    bool acceptTypeChange(BoundList& list, TRuleDialog& dialog, int row, int typeBefore) const;
    void addLines(BoundList& list, int group, const QString& groupText, const QList<RuleRecord>& records);
    void setLine(BoundList& list, int group, int type, std::string line);
    void reportLostLine() const;

    QWidget* window_;
    GroupTable& groups_;
    ListViews& lists_;
    GroupChoice& groupChoice_;
    DependentRules dependentRules_;
};

// The line of a rule: tag, group field, values, joined with ":".
std::string buildRuleLine(const RuleRecord& record, const QString& groupText);

// The error box of every Add whose group does not exist.
void ShowGroupNotFound(QWidget* parent);

// Asks, over the dialog of an Add, before the Add replaces the group's single line of a type (its name, traffic
// limit, speed limit or authorization of a type), naming the group, what it is (`what`) and what the line holds
// as its row shows it. True to go on: the user agreed, or the group has no such line. The default answer is No,
// which takes the user back to the group field to choose another.
bool confirmReplace(TRuleDialog& dialog, const GroupLineModel& model, int group, int type, const QString& what);
