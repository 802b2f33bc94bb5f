#pragma once

#include "history/Generation.h"

#include <QAbstractTableModel>
#include <vector>

// The generations of a history as rows, newest first: number, time, who saved (user@host), the files changed, the
// lines added and removed, the comment. Only what each generation's text says is shown: listing reads no content.
class HistoryModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { Number, Time, User, FilesChanged, Lines, Comment, ColumnCount };

    explicit HistoryModel(QObject* parent = nullptr);

    void setGenerations(std::vector<history::Generation> generations);
    const std::vector<history::Generation>& generations() const { return generations_; }
    const history::Generation& generation(int row) const { return generations_.at(static_cast<std::size_t>(row)); }
    // The row of the generation of that number; -1 when it is not listed.
    int rowOf(unsigned number) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<history::Generation> generations_;
};
