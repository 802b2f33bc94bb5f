#pragma once

// Reading a list view of the window the way any item view is read: through its model (which may be the proxy
// that orders its rows) and its selection model. Rows and columns are those the view shows.

#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QIcon>
#include <QItemSelectionModel>
#include <QStringList>

namespace listview {

inline int rowCount(const QAbstractItemView* view) {
    return view->model()->rowCount();
}
inline int columnCount(const QAbstractItemView* view) {
    return view->model()->columnCount();
}

inline QModelIndex at(const QAbstractItemView* view, int row, int column = 0) {
    return view->model()->index(row, column);
}

// The text a cell shows.
inline QString cell(const QAbstractItemView* view, int row, int column) {
    return at(view, row, column).data().toString();
}

// The texts of a row, column by column, joined with "|".
inline QString rowText(const QAbstractItemView* view, int row) {
    QStringList texts;
    for (int column = 0; column < columnCount(view); ++column)
        texts << cell(view, row, column);
    return texts.join(QLatin1Char('|'));
}

inline QStringList rowTexts(const QAbstractItemView* view) {
    QStringList rows;
    for (int row = 0; row < rowCount(view); ++row)
        rows << rowText(view, row);
    return rows;
}

// The texts of one column, row by row.
inline QStringList columnTexts(const QAbstractItemView* view, int column) {
    QStringList texts;
    for (int row = 0; row < rowCount(view); ++row)
        texts << cell(view, row, column);
    return texts;
}

// The cache key of the image a cell shows (0 for none), to compare with the image list's.
inline qint64 imageKey(const QAbstractItemView* view, int row, int column = 0) {
    const QIcon icon = qvariant_cast<QIcon>(at(view, row, column).data(Qt::DecorationRole));
    return icon.isNull() ? 0 : icon.cacheKey();
}

inline Qt::Alignment alignment(const QAbstractItemView* view, int row, int column) {
    return Qt::Alignment(at(view, row, column).data(Qt::TextAlignmentRole).toInt());
}

// Selects a whole row through the selection model, as a click does.
inline void selectRow(QAbstractItemView* view, int row) {
    view->selectionModel()->setCurrentIndex(at(view, row),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

inline QList<int> selectedRows(const QAbstractItemView* view) {
    QList<int> rows;
    for (const QModelIndex& index : view->selectionModel()->selectedRows())
        rows << index.row();
    return rows;
}

} // namespace listview
