#pragma once

#include "rules/Proxyusers.h"

#include <cstddef>
#include <functional>
#include <map>

class ListViews;
class QWidget;
struct ListDescriptor;

// The rules of a group that need it to exist. A load of the access rules file keeps a group's URL, word, time,
// port, limit, speed and authorization rules only when a "GN", "GD" or "CD" line brings the group into being
// (group 0 always comes), so a delete that takes the last such line away would lose them at the next start.
class DependentRules {
public:
    DependentRules(QWidget* window, GroupTable& groups, ListViews& lists)
        : window_(window), groups_(groups), lists_(lists) {}

    // Runs `remove`, a delete of `rows` rows of `list` that takes, of each group in `deleted`, that many of its
    // lines that bring it into being. When that leaves groups with rules but no such line, asks once, naming the
    // groups and their rules: Yes deletes the rules too, through their lists, and the whole is one step to undo
    // named "delete <rows> and ..."; Cancel deletes nothing. Returns false when the user cancels.
    bool removeNamingLines(const std::map<int, std::size_t>& deleted, const ListDescriptor& list, std::size_t rows,
                           const std::function<void()>& remove);

private:
    // Deletes every rule of the group that needs it through the lists that show them, each a step.
    void removeDependentRules(int group);

    QWidget* window_;
    GroupTable& groups_;
    ListViews& lists_;
};
