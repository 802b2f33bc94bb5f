#include "session/HistoryModel.h"

#include <QString>

HistoryModel::HistoryModel(QObject* parent) : QAbstractTableModel(parent) {}

void HistoryModel::setGenerations(std::vector<history::Generation> generations) {
    beginResetModel();
    generations_ = std::move(generations);
    endResetModel();
}

int HistoryModel::rowOf(unsigned number) const {
    for (std::size_t row = 0; row < generations_.size(); ++row)
        if (generations_[row].number == number)
            return static_cast<int>(row);
    return -1;
}

int HistoryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(generations_.size());
}

int HistoryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

// The user, the host and the comment are the system's and the user's text, UTF-8, not the proxy's files' code page.
QVariant HistoryModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ColumnCount)
        return {};
    const history::Generation& generation = generations_[static_cast<std::size_t>(index.row())];
    if (role == Qt::TextAlignmentRole)
        return index.column() == Number || index.column() == FilesChanged
                   ? QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter)
                   : QVariant();
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    switch (index.column()) {
    case Number:
        return generation.number;
    case Time:
        return QString::fromStdString(history::localTime(generation.time));
    case User:
        return QString::fromStdString(generation.user + "@" + generation.host);
    case FilesChanged:
        return static_cast<qulonglong>(generation.filesChanged());
    case Lines: {
        const textdiff::DiffCounts change = generation.change();
        return QStringLiteral("+%1 -%2").arg(change.added).arg(change.removed);
    }
    default:
        return QString::fromStdString(generation.comment);
    }
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case Number:
        return tr("No.");
    case Time:
        return tr("Time");
    case User:
        return tr("User");
    case FilesChanged:
        return tr("Files");
    case Lines:
        return tr("Lines");
    case Comment:
        return tr("Comment");
    default:
        return {};
    }
}
