#pragma once

#include "access/DependentRules.h"
#include "base/ListActions.h"
#include "rules/Proxyusers.h"

class GroupLineModel;
class ListViews;
class QString;
class QWidget;
struct BoundList;

// The actions of the user groups list (GroupName): one row per group, showing the name and comment of its "GN" line.
// Adding a group under a number in use renames that group; deleting a group only removes its name line, its other rules
// stay (when the group would keep rules but no line that brings it into being at the next load, the user is asked
// first: see DependentRules).
class GroupEditor : public ListActions {
public:
    GroupEditor(QWidget* window, GroupTable& groups, ListViews& lists)
        : window_(window), groups_(groups), dependentRules_(window, groups, lists) {}

    void fill(BoundList& list) override;
    void add(BoundList& list) override;
    void edit(BoundList& list) override;
    void remove(BoundList& list) override;

private:
    GroupLineModel& modelOf(BoundList& list) const;
    void storeGroupLine(GroupLineModel& model, int group, const QString& groupText, const QString& name,
                        const QString& comment);

    QWidget* window_;
    GroupTable& groups_;
    DependentRules dependentRules_;
};
