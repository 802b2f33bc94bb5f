#pragma once

#include "history/SnapshotDiff.h"

#include <QAbstractTableModel>
#include <QWidget>
#include <memory>
#include <vector>

namespace Ui {
class ChangesView;
}

// The lines of one file's diff as rows of a table, as `diff -u` shows them: a row for each hunk's "@@" line, then
// its lines, each with its number in the older and in the newer version and its text behind " ", "-" or "+". The
// bytes are Windows-1251 text, decoded for showing; a line longer than kShownCharacters is shortened on screen only.
// Added lines are drawn on green and removed ones on red, each mixed with the palette's base colour, so that the
// text stays readable in a dark palette too.
class DiffLinesModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { OlderLine, NewerLine, Text, ColumnCount };
    static constexpr qsizetype kShownCharacters = 300;

    explicit DiffLinesModel(QObject* parent = nullptr);

    // Shows the diff, which must outlive its showing (nullptr: nothing).
    void setDiff(const textdiff::FileDiff* diff);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    enum class RowKind { HunkHeader, Line, NoLineEnd };
    struct Row {
        RowKind kind = RowKind::Line;
        const textdiff::Hunk* hunk = nullptr;
        const textdiff::DiffLine* line = nullptr;
        std::size_t olderNumber = 0; // 0: the line is not on that side
        std::size_t newerNumber = 0;
    };
    QString text(const Row& row) const;
    QVariant background(const Row& row) const;

    std::vector<Row> rows_;
};

// The changes of a set of files: on the left the files, each with its lines added and removed ("access.txt  +3
// -1"), on the right the diff of the file chosen, and above them the sum of all. One view for the review before a
// save, the sides of an outside change and the history.
class ChangesView : public QWidget {
    Q_OBJECT

public:
    explicit ChangesView(QWidget* parent = nullptr);
    ~ChangesView() override;

    // Shows the files (the first one's diff); a file that is the same in both versions is listed as unchanged.
    // Without files, emptyText is said instead.
    void setChanges(std::vector<history::FileChange> files, const QString& emptyText);
    // What the files list says of a file: its name (the old one too when it was renamed) and its counts.
    static QString describe(const history::FileChange& file);
    // The sum above the lists: "2 files changed, +5 -3".
    QString summary() const;
    const DiffLinesModel& lines() const { return *lines_; }

private:
    void showFile(int index);

    std::unique_ptr<Ui::ChangesView> ui_;
    std::vector<history::FileChange> files_;
    DiffLinesModel* lines_ = nullptr;
};
