#pragma once

#include <QAbstractProxyModel>
#include <vector>

class ListModel;

// The rows a list view shows of its model, and their order. It starts as the model's own order, every row shown;
// a header click sorts the rows once by a column (a second click on the same column reverses), a filter shows only
// the rows that contain its text, and rows added later go to the end whatever they hold. The model's rows (and the
// lines behind them) keep their order: the next save writes the lines as they were.
//
// Sorting compares each row's cell whole, its key taken once for all rows before the sort, so sorting a million
// rows reads every cell once instead of once per comparison; the cells are read in the model's order, and a filter
// reads a row's line once for all its cells. The rows are put in order by a radix sort of one 64-bit part of their
// keys, then only runs of rows equal in that part are compared whole. Mapping a row either way is an index into a
// vector.
//
// Not a QSortFilterProxyModel: that one orders rows through lessThan() on model indexes, one virtual call and two
// index lookups per comparison, and a filter change while sorted sorts every row shown again. With half a million
// rows shown, its own part of a sort takes 100-190 ms and of a filter change 120-190 ms on top of reading the
// cells (a filter change passed on row by row, invalidateRowsFilter(), takes most of a second), on a machine where
// this proxy's whole sort took 135-195 ms and a filter keystroke at most 145 ms (now 45-65 ms and at most 60 ms).
class RowOrderProxy : public QAbstractProxyModel {
    Q_OBJECT

public:
    explicit RowOrderProxy(QObject* parent = nullptr);

    // The source must be a ListModel.
    void setSourceModel(QAbstractItemModel* source) override;
    ListModel* listModel() const;

    // Sorts the shown rows once by a column: numbers (ListColumn::numeric) and IP addresses (ListColumn::ipAddress)
    // by value, before any cell that holds none; text in the order of base/TextOrder.h, letter case ignored. Rows
    // of equal keys keep the order they had. Selected rows stay selected.
    void sortOnce(int column, Qt::SortOrder order = Qt::AscendingOrder);
    // A header click: ascending, or the reverse of the last sort when it was by the same column.
    void sortByClick(int column);
    Qt::SortOrder nextOrder(int column) const;
    // The model has sorted its rows itself (the view shows them in its order): the header shows that sort.
    void markSorted(int column, Qt::SortOrder order);
    int sortColumn() const { return sortColumn_; } // -1: not sorted
    Qt::SortOrder sortOrder() const { return sortOrder_; }

    // Shows only the rows with a cell that contains text, letters compared without regard to case; an empty
    // text shows every row.
    void setFilter(const QString& text);
    QString filter() const { return filter_; }
    // The rows of the model, shown or not.
    int totalRows() const;

    // The model row shown in a view row, and back (-1 for none).
    int sourceRow(int viewRow) const;
    int viewRow(int sourceRow) const;

    // A view lays out every row whenever rows come or go: these answer without a detour through the model.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex sibling(int row, int column, const QModelIndex& index) const override;

    QModelIndex mapToSource(const QModelIndex& proxyIndex) const override;
    QModelIndex mapFromSource(const QModelIndex& sourceIndex) const override;
    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;

Q_SIGNALS:
    // The sort the header shows changed (column -1: none).
    void sortChanged(int column, Qt::SortOrder order);
    // The rows shown or their number changed: the filter's count follows.
    void shownRowsChanged();

private:
    bool inSourceOrder() const { return identity_; }
    void setOrder(std::vector<int> order);
    // Shows the given model rows in the given order, keeping persistent indexes (the selection) on their rows.
    void showRows(std::vector<int> rows);
    std::vector<int> sorted(std::vector<int> rows, int column, Qt::SortOrder order) const;
    std::vector<int> matching(const std::vector<int>& rows, const std::string& needle) const;
    void clearOrder();
    std::vector<int> allRows() const;

    void sourceRowsAboutToBeInserted(const QModelIndex& parent, int first, int last);
    void sourceRowsInserted(const QModelIndex& parent, int first, int last);
    void sourceRowsAboutToBeRemoved(const QModelIndex& parent, int first, int last);
    void sourceRowsRemoved(const QModelIndex& parent, int first, int last);
    void sourceDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles);

    ListModel* source_ = nullptr;
    bool identity_ = true;      // the view shows every row in the model's own order; the vectors are empty
    std::vector<int> order_;    // every model row in the order sorted, the filter aside; empty: the model's order
    std::vector<int> toSource_; // view row -> model row
    std::vector<int> toView_;   // model row -> view row (-1: hidden by the filter), alongside toSource_
    bool removingAsReset_ = false;
    bool removingHidden_ = false;
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
    QString filter_;
    std::string needle_; // the filter in Windows-1251 bytes, lower case
    bool needleUnencodable_ = false;
};
