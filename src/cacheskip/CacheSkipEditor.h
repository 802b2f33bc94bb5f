#pragma once

#include <memory>
#include <string>
#include <vector>

class MemoCopy;
class QPlainTextEdit;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

// The cache-skip rules list (CacheSkipRules). Its rows stand in the order of the rule lines: row i shows line i,
// always, so a row reaches its line by its index.
class CacheSkipEditor {
public:
    CacheSkipEditor(QWidget* window, std::vector<std::string>& lines);
    ~CacheSkipEditor();

    // Shows the lines held (read from the file at start-up).
    void fill();
    void add();
    void edit();
    void remove();
    // Sorts the lines by their whole text (tag, then URL, then comment), letters compared without regard to
    // case, and shows them again in the new order; the next save writes that order.
    void sort();

private:
    QTreeWidget* list() const;
    QTreeWidgetItem* makeRow(const std::string& line) const;
    void showRow(QTreeWidgetItem* row, const std::string& line) const;
    void copyToMemo() const;

    QWidget* window_;
    std::vector<std::string>& lines_;
    std::unique_ptr<MemoCopy> memo_;
};
