#pragma once

#include "base/GroupCombo.h"

#include <QCoreApplication>
#include <QString>
#include <optional>
#include <vector>

class GroupTable;
class TRuleDialog;

// The group field of the rule dialogs, for the editors of the group rules: the groups it offers, the group an Add
// starts with, and the group the user chose last in this session. One per window, shared by its editors.
class GroupChoice {
    Q_DECLARE_TR_FUNCTIONS(GroupChoice)

public:
    explicit GroupChoice(const GroupTable& groups) : groups_(groups) {}

    // Every existing group as the group field offers it, in number order: "3 - Guests", a group without a name
    // as the group list shows it ("3 - noname").
    std::vector<GroupEntry> entries() const;

    // Readies the dialog of an Add: it offers the existing groups and starts with the group the Add is most likely
    // for: the selected row's (its caption as the row shows it), else the group last used in an Add or Edit of
    // this session, else none: the field stays empty and the user chooses. It never starts at a group the user
    // did not choose.
    void prepareAdd(TRuleDialog& dialog, const std::optional<QString>& selectedGroup) const;
    // Readies the dialog of an Edit of a row of the group given: it offers the groups, shows the caption and is
    // locked (an Edit never moves a rule to another group).
    void prepareEdit(TRuleDialog& dialog, const QString& caption) const;

    // The check of "Ok" in an Add: a field left empty names no group, and is refused with a message.
    static bool chosen(TRuleDialog& dialog);

    // The group of an Add or Edit that took effect.
    void used(int group) { lastUsed_ = group; }

private:
    const GroupTable& groups_;
    std::optional<int> lastUsed_;
};
