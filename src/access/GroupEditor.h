#pragma once

#include "access/DependentRules.h"
#include "base/ListActions.h"
#include "rules/Proxyusers.h"

#include <QCoreApplication>

class GroupChoice;
class GroupLineModel;
class TFGroupName;
class ListViews;
class QString;
class QWidget;
struct BoundList;

// The actions of the user groups list (GroupName): one row per group, showing the name and comment of its "GN" line.
// Add starts as the other rule lists' Add does (GroupChoice); adding a group under a number in use renames that
// group, after asking when the group has a name line; deleting a group only removes its name line, its other rules
// stay (when the group would keep rules but no line that brings it into being at the next load, the user is asked
// first: see DependentRules).
class GroupEditor : public ListActions {
    Q_DECLARE_TR_FUNCTIONS(GroupEditor)

public:
    GroupEditor(QWidget* window, GroupTable& groups, ListViews& lists, GroupChoice& groupChoice)
        : window_(window), groups_(groups), groupChoice_(groupChoice), dependentRules_(window, groups, lists) {}

    void fill(BoundList& list) override;
    void add(BoundList& list) override;
    void edit(BoundList& list) override;
    void remove(BoundList& list) override;

private:
    GroupLineModel& modelOf(BoundList& list) const;
    void storeGroupLine(GroupLineModel& model, int group, const QString& groupText, const QString& name,
                        const QString& comment);

    bool acceptAdd(const GroupLineModel& model, TFGroupName& dialog) const;

    QWidget* window_;
    GroupTable& groups_;
    GroupChoice& groupChoice_;
    DependentRules dependentRules_;
};
