#pragma once

#include "base/ListDescriptor.h"
#include "document/ConfigurationChange.h"

#include <QAbstractTableModel>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QUndoCommand;
class QUndoStack;

// The models behind the list views. A row is a view of what it shows (a rule line, or a statistics row): there is
// one copy of each rule, the one the records and line lists hold, so a row and its line can never disagree. The
// editors change the lines only through the models' change functions, which tell the views and make each change a
// step the user can undo: a step holds what it changed (a line, a row's place), never a copy of the list.

// A list's rows and its columns as its descriptor gives them. Cells are Windows-1251 bytes underneath: the view
// shows them shortened when they are very long, the column sort compares them whole.
class ListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit ListModel(const ListDescriptor& list, QObject* parent = nullptr);

    const ListDescriptor& descriptor() const { return list_; }

    // The bytes a cell shows, whole; scratch may hold them.
    virtual std::string_view cellBytes(int row, int column, std::string& scratch) const = 0;
    // The image a cell shows (an index of the descriptor's image list), or -1.
    virtual int cellImage(int row, int column) const = 0;
    // The text a cell shows, whole.
    QString cellText(int row, int column) const;

    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

protected:
    const ListDescriptor& list_;
};

// A list that shows nothing yet: its columns only.
class EmptyListModel final : public ListModel {
public:
    using ListModel::ListModel;
    int rowCount(const QModelIndex& = QModelIndex()) const override { return 0; }
    std::string_view cellBytes(int, int, std::string&) const override { return {}; }
    int cellImage(int, int) const override { return -1; }
};

// Rows that show rule lines: each cell comes from the descriptor's column and the row's line.
class LineModel : public ListModel {
    Q_OBJECT

public:
    using ListModel::ListModel;

    virtual RowLine rowLine(int row) const = 0;
    std::string_view cellBytes(int row, int column, std::string& scratch) const override;
    int cellImage(int row, int column) const override;

    // The row's line was replaced: the row shows it, and it counts as a change even when its texts look the same.
    void lineChanged(int row);

    // The stack the change functions put their steps on (none: they change at once, with no way back).
    void setUndoStack(QUndoStack* stack) { undo_ = stack; }
    QUndoStack* undoStack() const { return undo_; }

Q_SIGNALS:
    // The rows changed outside the steps (a fill, a load): the steps taken before no longer fit them.
    void changedOutsideSteps();

protected:
    // Runs a change as the step the user can undo, named "<verb> <noun of the list>".
    void runStep(const char* verb, std::function<void()> redo, std::function<void()> undo);

private:
    QUndoStack* undo_ = nullptr;
};

// Every line of one list member of the group records (NetworkRules, HostRules, ...) as a row. The rows start in
// group order; rows added later go to the end, whatever group their line joins.
class GroupLinesModel final : public LineModel {
    Q_OBJECT

public:
    GroupLinesModel(const ListDescriptor& list, GroupTable& groups, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    RowLine rowLine(int row) const override;

    // A row for every line of every group, in group order, in place of the rows shown so far.
    void fill();
    // The user's changes, each a step: a line added to a group (created when missing) as a new last row, the
    // row's line replaced, the row and its line removed. A row whose line is gone is no change (false).
    void addLine(int group, std::string line);
    bool replaceLine(int row, std::string line);
    bool removeLine(int row);

    int groupOf(int row) const { return rows_[static_cast<std::size_t>(row)].group; }
    RuleLines::Id lineIdOf(int row) const { return rows_[static_cast<std::size_t>(row)].line; }
    // The list that holds the row's line, or nullptr when its group does not exist.
    RuleLines* linesOf(int row) const;

private:
    struct Row {
        RuleLines::Id line;
        mutable std::uint32_t at; // where the line stood in its list when last looked up: most still stand there
        std::int16_t group;
        bool added;
        bool edited;
    };
    GroupTable& groups_;
    std::vector<Row> rows_;
};

// The single lines of the group records (GroupLine, LimitRule, the two authorization lines, ...): a row per group
// and member. With RowSource::Groups every existing group has a row, its "GN" line set or not; otherwise only a
// line that is set has one.
class GroupLineModel final : public LineModel {
    Q_OBJECT

public:
    GroupLineModel(const ListDescriptor& list, GroupTable& groups, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    RowLine rowLine(int row) const override;

    // A row for every group (and type) with a line to show, in group order, in place of the rows shown so far.
    void fill();
    // The row of a group and type, or -1.
    int findRow(int group, int type = 0) const;
    // The user's changes, each a step: the line of a group (created when missing) and type set, on its row or on
    // a new last row; the row removed and its line emptied (the group and its other rules stay).
    void setLine(int group, int type, std::string line);
    void clearLine(int row);

    int groupOf(int row) const { return rows_[static_cast<std::size_t>(row)].group; }
    int typeOf(int row) const { return rows_[static_cast<std::size_t>(row)].type; }
    // The member that holds the lines of a type.
    std::string TProxyUsers::*memberOf(int type) const;

    // The row's line replaced by a line of the type given, as a step. A change of type empties the line of the
    // row's former type and takes away the row that showed the new type's line, so a group keeps one row per type
    // and the records hold no line the list does not show.
    void replaceLine(int row, int type, std::string line);

private:
    struct Row {
        std::int16_t group;
        std::int16_t type;
        bool added;
        bool edited;
    };
    bool shows(const TProxyUsers& record, int type) const;
    void insertRow(int row, Row shown);
    void eraseRow(int row);

    GroupTable& groups_;
    std::vector<Row> rows_;
};

// A line list of the main window, row i showing line i: the cache-skip rules, the manual port-mapping services.
// The editors change the list through it.
class FileLinesModel final : public LineModel {
    Q_OBJECT

public:
    FileLinesModel(const ListDescriptor& list, std::vector<std::string>& lines, QObject* parent = nullptr);
    FileLinesModel(const ListDescriptor& list, RuleLines& lines, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    RowLine rowLine(int row) const override;

    // The user's changes, each a step: a line appended, row i's line replaced, row i removed, and the lines put
    // in a new order (order[i]: the row that becomes row i; a list of ids keeps the order of its ids: GlymError).
    void appendLine(std::string line);
    void replaceLine(int row, std::string line);
    void removeLine(int row);
    void reorder(std::vector<int> order);
    // A change of the window that belongs to a removal (a field the removed line held): redo runs after the line
    // goes, undo after it comes back, both within the one step.
    struct Alongside {
        std::function<void()> redo;
        std::function<void()> undo;
    };
    void removeLine(int row, Alongside alongside);
    // Runs `change`, a change of the whole list that is no step (a load), and tells the views; it may throw.
    void replacing(const std::function<void()>& change);

private:
    // How the model reads its list and the steps that change it (see document/ConfigurationChange.h).
    struct Access {
        std::function<std::size_t()> count;
        std::function<std::string_view(std::size_t)> line;
        std::function<ConfigurationChange(std::string)> append;
        std::function<ConfigurationChange(std::size_t, std::string)> replace;
        std::function<ConfigurationChange(std::size_t)> remove;
        std::function<ConfigurationChange(std::vector<int>)> reorder; // nullptr: a list of ids
    };
    // A row inserted or erased around the change that brings or takes its line.
    void insertRow(int row, const std::function<void()>& change);
    void eraseRow(int row, const std::function<void()>& change);

    Access lines_;
};

// The lists of the main window that rows come from.
struct ListSources {
    GroupTable& groups;
    std::vector<std::string>& cacheSkipLines;
    RuleLines& manualServices;
};

// The model of a list whose rows are rule lines (or none yet); nullptr for RowSource::Records, whose feature
// brings its own model.
std::unique_ptr<ListModel> makeLineModel(const ListDescriptor& list, const ListSources& sources);
