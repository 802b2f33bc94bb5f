#pragma once

#include "base/ListActions.h"

#include <Qt>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class FileLinesModel;
class MemoCopy;
class QWidget;
struct BoundList;
struct ListDescriptor;

// The actions of the cache-skip rules list (CacheSkipRules). Row i of its model shows line i of the rule lines,
// always. Edit and Delete of the pop-up menu need a selected row.
class CacheSkipEditor : public ListActions {
public:
    CacheSkipEditor(QWidget* window, std::vector<std::string>& lines);
    ~CacheSkipEditor() override;

    // The list's descriptor.
    static const ListDescriptor& list();

    // Shows the lines that `load` puts in place of the ones held (read from the file at start-up).
    using ListActions::fill;
    void fill(BoundList& list, const std::function<std::vector<std::string>()>& load);
    void add(BoundList& list) override;
    void edit(BoundList& list) override;
    void remove(BoundList& list) override;
    bool popupNeedsSelection() const override { return true; }
    // Sorts the lines by their whole text (tag, then URL, then comment) in the order of every column sort
    // (base/TextOrder.h), and shows them again in the new order; the next save writes that order. A step the user
    // can undo.
    void sort(BoundList& list, Qt::SortOrder order = Qt::AscendingOrder);

private:
    FileLinesModel& modelOf(BoundList& list) const;
    void copyToMemo() const;

    QWidget* window_;
    std::vector<std::string>& lines_;
    std::unique_ptr<MemoCopy> memo_;
};
