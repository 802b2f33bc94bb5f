#pragma once

#include <QAbstractProxyModel>
#include <vector>

class ListModel;

// The order in which a list view shows the rows of its model. It starts as the model's own order; a header click
// sorts it once by a column, and rows added later go to the end. The model's rows (and the lines behind them)
// keep their order: the next save writes the lines as they were.
//
// Sorting compares each row's cell bytes whole, taken once for all rows before the sort, so sorting a million
// rows reads every cell once instead of once per comparison. Mapping a row either way is an index into a vector.
class RowOrderProxy : public QAbstractProxyModel {
    Q_OBJECT

public:
    explicit RowOrderProxy(QObject* parent = nullptr);

    // The source must be a ListModel.
    void setSourceModel(QAbstractItemModel* source) override;
    ListModel* listModel() const;

    // Sorts the rows once by the text of a column, ascending, letters (Latin and Cyrillic) compared without regard
    // to case; rows of equal text keep the order they had. Selected rows stay selected.
    void sortOnce(int column);

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

private:
    bool inSourceOrder() const { return toSource_.empty(); }
    void setOrder(std::vector<int> order);

    void sourceRowsAboutToBeInserted(const QModelIndex& parent, int first, int last);
    void sourceRowsInserted(const QModelIndex& parent, int first, int last);
    void sourceRowsAboutToBeRemoved(const QModelIndex& parent, int first, int last);
    void sourceRowsRemoved(const QModelIndex& parent, int first, int last);
    void sourceDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles);

    ListModel* source_ = nullptr;
    std::vector<int> toSource_; // view row -> model row; empty while the view shows the model's own order
    std::vector<int> toView_;   // model row -> view row, alongside toSource_
    bool removingAsReset_ = false;
};
