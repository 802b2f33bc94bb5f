#pragma once

#include "base/ListViews.h"

#include <array>
#include <functional>
#include <memory>

class CacheSkipEditor;
class Configuration;
class GroupChoice;
class GroupEditor;
class ListActions;
class ManualServiceEditor;
class QAbstractItemView;
class QLineEdit;
class QMainWindow;
class RuleEditor;

// The rule lists of the main window: every feature's lists, each bound to the editor whose actions its input runs,
// over the rules of the configuration, with the shared pop-up menu and the column sorts.
class WindowLists : public ListViews {
    Q_OBJECT

public:
    // standardFields: the SMTP, POP3 and NNTP servers' fields; proxyPort: the proxy's own port.
    WindowLists(QMainWindow* window, Configuration& configuration, std::array<QLineEdit*, 3> standardFields,
                QLineEdit* proxyPort);
    ~WindowLists() override;

    CacheSkipEditor& cacheSkip() const { return *cacheSkip_; }
    ManualServiceEditor& manualServices() const { return *manualServices_; }

    // The rules of one file (0 the access rules, 1 the cache-skip rules, 2 the port-mapping rules) change; the
    // lists that show them follow.
    void replaceRules(std::size_t file, const std::function<void()>& change);
    // Every list of the access rules shows its lines afresh.
    void fillAccessLists();
    // A header click: the cache-skip rules sort by their whole line (the file's order changes, a step to undo), a
    // second click reverses; every other list by the column clicked, in the view only.
    void sortCacheSkip(int column);
    void sortView(QAbstractItemView* view, int column);

Q_SIGNALS:
    // A row added, changed or removed: a change of the configuration (selecting or sorting rows is none).
    void rowsChanged();

private:
    void bindList(const ListDescriptor& descriptor, ListActions& actions, Configuration& configuration);

    std::unique_ptr<GroupChoice> groupChoice_; // the group fields of the access rule dialogs, for both editors
    std::unique_ptr<GroupEditor> groups_;
    std::unique_ptr<RuleEditor> rules_;
    std::unique_ptr<CacheSkipEditor> cacheSkip_;
    std::unique_ptr<ManualServiceEditor> manualServices_;
};
