#include "base/ListModels.h"

#include "base/Text.h"
#include "common/Error.h"

#include <QUndoStack>
#include <algorithm>
#include <memory>
#include <utility>

namespace {

// A step of the user's: what to do again and what to undo, each holding only what the change touched.
class Step final : public QUndoCommand {
public:
    Step(const QString& text, std::function<void()> redo, std::function<void()> undo)
        : QUndoCommand(text), redo_(std::move(redo)), undo_(std::move(undo)) {}
    void redo() override { redo_(); }
    void undo() override { undo_(); }

private:
    std::function<void()> redo_;
    std::function<void()> undo_;
};

} // namespace

// ---------------------------------------------------------------------------------------------------------------
// ListModel

ListModel::ListModel(const ListDescriptor& list, QObject* parent) : QAbstractTableModel(parent), list_(list) {}

QString ListModel::cellText(int row, int column) const {
    std::string scratch;
    return fromFileBytes(cellBytes(row, column, scratch));
}

int ListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(list_.columns.size());
}

QVariant ListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    switch (role) {
    case Qt::DisplayRole: {
        std::string scratch;
        return shownText(cellBytes(index.row(), index.column(), scratch));
    }
    case Qt::DecorationRole: {
        const int image = cellImage(index.row(), index.column());
        return image < 0 ? QVariant() : QVariant(listImage(list_.images, image));
    }
    case Qt::TextAlignmentRole:
        return static_cast<int>(list_.columns[static_cast<std::size_t>(index.column())].alignment);
    default:
        return {};
    }
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return {};
    const ListColumn& column = list_.columns[static_cast<std::size_t>(section)];
    if (role == Qt::DisplayRole)
        return QString::fromUtf8(column.title);
    if (role == Qt::TextAlignmentRole)
        return static_cast<int>(column.alignment);
    return {};
}

Qt::ItemFlags ListModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

// ---------------------------------------------------------------------------------------------------------------
// LineModel

std::string_view LineModel::cellBytes(int row, int column, std::string& scratch) const {
    const CellText text = list_.columns[static_cast<std::size_t>(column)].text;
    return text ? text(rowLine(row), scratch) : std::string_view();
}

int LineModel::cellImage(int row, int column) const {
    const CellImage image = list_.columns[static_cast<std::size_t>(column)].image;
    return image ? image(rowLine(row)) : -1;
}

void LineModel::lineChanged(int row) {
    Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void LineModel::runStep(const char* verb, std::function<void()> redo, std::function<void()> undo) {
    if (!undo_)
        return redo();
    QString text = QString::fromUtf8(verb) + u' ' + QString::fromUtf8(list_.noun);
    if (std::string_view(verb) == "sort")
        text += u's';                                              // "sort cache-skip rules"
    undo_->push(new Step(text, std::move(redo), std::move(undo))); // the stack runs it
}

// ---------------------------------------------------------------------------------------------------------------
// GroupLinesModel

GroupLinesModel::GroupLinesModel(const ListDescriptor& list, GroupTable& groups, QObject* parent)
    : LineModel(list, parent), groups_(groups) {}

int GroupLinesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

RuleLines* GroupLinesModel::linesOf(int row) const {
    TProxyUsers* record = groups_.find(groupOf(row));
    return record ? &(record->*list_.lines) : nullptr;
}

RowLine GroupLinesModel::rowLine(int row) const {
    const Row& shown = rows_[static_cast<std::size_t>(row)];
    RowLine result{{}, shown.group, 0, shown.added, shown.edited};
    if (const RuleLines* lines = linesOf(row))
        if (const std::size_t at = lines->indexOf(shown.line, shown.at); at != RuleLines::npos) {
            shown.at = static_cast<std::uint32_t>(at);
            result.line = (*lines)[at].text;
        }
    return result;
}

void GroupLinesModel::fill() {
    std::vector<Row> added;
    std::size_t count = 0;
    for (int group = 0; group < GroupTable::kSlotCount; ++group)
        if (const TProxyUsers* record = groups_.find(group))
            count += (record->*list_.lines).size();
    added.reserve(count);
    for (int group = 0; group < GroupTable::kSlotCount; ++group)
        if (const TProxyUsers* record = groups_.find(group)) {
            const RuleLines& lines = record->*list_.lines;
            for (std::size_t at = 0; at < lines.size(); ++at)
                added.push_back(
                    {lines[at].id, static_cast<std::uint32_t>(at), static_cast<std::int16_t>(group), false, false});
        }
    beginResetModel();
    rows_ = std::move(added);
    endResetModel();
    Q_EMIT changedOutsideSteps();
}

void GroupLinesModel::addLine(int group, std::string line) {
    // The line keeps its id through undo and redo: it stands where it stood.
    ConfigurationChange step = changes::addGroupLine(groups_, list_.lines, group, std::move(line));
    runStep(
        "add",
        [this, group, id = step.line, apply = std::move(step.apply)] {
            apply();
            const RuleLines& lines = groups_.create(group).*list_.lines;
            const int row = rowCount();
            beginInsertRows(QModelIndex(), row, row);
            rows_.push_back(
                {id, static_cast<std::uint32_t>(lines.indexOf(id)), static_cast<std::int16_t>(group), true, true});
            endInsertRows();
        },
        [this, revert = std::move(step.revert)] {
            // The step's row is the last one again.
            const int row = rowCount() - 1;
            beginRemoveRows(QModelIndex(), row, row);
            rows_.pop_back();
            endRemoveRows();
            revert();
        });
}

bool GroupLinesModel::replaceLine(int row, std::string line) {
    std::optional<ConfigurationChange> step =
        changes::replaceGroupLine(groups_, list_.lines, groupOf(row), lineIdOf(row), std::move(line));
    if (!step)
        return false;
    const bool wasEdited = rows_[static_cast<std::size_t>(row)].edited;
    auto show = [this, row](bool edited) {
        rows_[static_cast<std::size_t>(row)].edited = edited;
        lineChanged(row);
    };
    runStep(
        "edit",
        [show, apply = std::move(step->apply)] {
            apply();
            show(true);
        },
        [show, revert = std::move(step->revert), wasEdited] {
            revert();
            show(wasEdited);
        });
    return true;
}

bool GroupLinesModel::removeLine(int row) {
    const Row shown = rows_[static_cast<std::size_t>(row)];
    std::optional<ConfigurationChange> step = changes::removeGroupLine(groups_, list_.lines, shown.group, shown.line);
    if (!step)
        return false;
    runStep(
        "delete",
        [this, row, apply = std::move(step->apply)] {
            beginRemoveRows(QModelIndex(), row, row);
            rows_.erase(rows_.begin() + row);
            endRemoveRows();
            apply();
        },
        [this, row, shown, revert = std::move(step->revert)] {
            revert();
            beginInsertRows(QModelIndex(), row, row);
            rows_.insert(rows_.begin() + row, shown);
            endInsertRows();
        });
    return true;
}

// ---------------------------------------------------------------------------------------------------------------
// GroupLineModel

GroupLineModel::GroupLineModel(const ListDescriptor& list, GroupTable& groups, QObject* parent)
    : LineModel(list, parent), groups_(groups) {}

int GroupLineModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

std::string TProxyUsers::*GroupLineModel::memberOf(int type) const {
    if (list_.source == RowSource::Groups)
        return &TProxyUsers::GroupLine;
    return list_.singleLines[static_cast<std::size_t>(type)];
}

bool GroupLineModel::shows(const TProxyUsers& record, int type) const {
    return list_.source == RowSource::Groups || !(record.*memberOf(type)).empty();
}

RowLine GroupLineModel::rowLine(int row) const {
    const Row& shown = rows_[static_cast<std::size_t>(row)];
    RowLine result{{}, shown.group, shown.type, shown.added, shown.edited};
    if (const TProxyUsers* record = groups_.find(shown.group))
        result.line = record->*memberOf(shown.type);
    return result;
}

void GroupLineModel::fill() {
    const int types = list_.source == RowSource::Groups ? 1 : static_cast<int>(list_.singleLines.size());
    std::vector<Row> added;
    for (int group = 0; group < GroupTable::kSlotCount; ++group)
        if (const TProxyUsers* record = groups_.find(group))
            for (int type = 0; type < types; ++type)
                if (shows(*record, type))
                    added.push_back({static_cast<std::int16_t>(group), static_cast<std::int16_t>(type), false, false});
    beginResetModel();
    rows_ = std::move(added);
    endResetModel();
    Q_EMIT changedOutsideSteps();
}

int GroupLineModel::findRow(int group, int type) const {
    for (std::size_t row = 0; row < rows_.size(); ++row)
        if (rows_[row].group == group && rows_[row].type == type)
            return static_cast<int>(row);
    return -1;
}

void GroupLineModel::insertRow(int row, Row shown) {
    beginInsertRows(QModelIndex(), row, row);
    rows_.insert(rows_.begin() + row, shown);
    endInsertRows();
}

void GroupLineModel::eraseRow(int row) {
    beginRemoveRows(QModelIndex(), row, row);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
}

void GroupLineModel::setLine(int group, int type, std::string line) {
    const int row = findRow(group, type);
    ConfigurationChange step = changes::setGroupLine(groups_, memberOf(type), group, std::move(line));
    const Row before = row >= 0 ? rows_[static_cast<std::size_t>(row)] : Row{};
    const auto shown = Row{static_cast<std::int16_t>(group), static_cast<std::int16_t>(type), row < 0, true};
    runStep(
        row >= 0 ? "edit" : "add",
        [this, row, shown, apply = std::move(step.apply)] {
            apply();
            if (row < 0)
                return insertRow(rowCount(), shown);
            rows_[static_cast<std::size_t>(row)].edited = true;
            lineChanged(row); // a change even when the row's texts stay ("GN:01:..." for "GN:1:...")
        },
        [this, row, before, revert = std::move(step.revert)] {
            revert();
            if (row < 0)
                return eraseRow(rowCount() - 1);
            rows_[static_cast<std::size_t>(row)] = before;
            lineChanged(row);
        });
}

void GroupLineModel::clearLine(int row) {
    const Row shown = rows_[static_cast<std::size_t>(row)];
    ConfigurationChange step = changes::clearGroupLine(groups_, memberOf(shown.type), shown.group);
    runStep(
        "delete",
        [this, row, apply = std::move(step.apply)] {
            eraseRow(row);
            apply();
        },
        [this, row, shown, revert = std::move(step.revert)] {
            revert();
            insertRow(row, shown);
        });
}

void GroupLineModel::replaceLine(int row, int type, std::string line) {
    const int group = groupOf(row);
    const int former = typeOf(row);
    if (former == type)
        return setLine(group, type, std::move(line));
    ConfigurationChange step = changes::both(changes::clearGroupLine(groups_, memberOf(former), group),
                                             changes::setGroupLine(groups_, memberOf(type), group, std::move(line)));
    // The rows of a group-line list are a handful per group: the step keeps them whole, before and after.
    std::vector<Row> rowsAfter = rows_;
    rowsAfter[static_cast<std::size_t>(row)].type = static_cast<std::int16_t>(type);
    rowsAfter[static_cast<std::size_t>(row)].edited = true;
    if (const int other = findRow(group, type); other >= 0)
        rowsAfter.erase(rowsAfter.begin() + other);
    auto show = [this](const std::function<void()>& change, const std::vector<Row>& rows) {
        beginResetModel();
        change();
        rows_ = rows;
        endResetModel();
    };
    runStep(
        "edit", [show, apply = std::move(step.apply), rowsAfter] { show(apply, rowsAfter); },
        [show, revert = std::move(step.revert), rowsBefore = rows_] { show(revert, rowsBefore); });
}

// ---------------------------------------------------------------------------------------------------------------
// FileLinesModel

FileLinesModel::FileLinesModel(const ListDescriptor& list, std::vector<std::string>& lines, QObject* parent)
    : LineModel(list, parent) {
    lines_.count = [&lines] {
        return lines.size();
    };
    lines_.line = [&lines](std::size_t i) {
        return std::string_view(lines[i]);
    };
    lines_.append = [&lines](std::string text) {
        return changes::appendLine(lines, std::move(text));
    };
    lines_.replace = [&lines](std::size_t i, std::string text) {
        return changes::replaceLine(lines, i, std::move(text));
    };
    lines_.remove = [&lines](std::size_t i) {
        return changes::removeLine(lines, i);
    };
    lines_.reorder = [&lines](std::vector<int> order) {
        return changes::reorderLines(lines, std::move(order));
    };
}

FileLinesModel::FileLinesModel(const ListDescriptor& list, RuleLines& lines, QObject* parent)
    : LineModel(list, parent) {
    lines_.count = [&lines] {
        return lines.size();
    };
    lines_.line = [&lines](std::size_t i) {
        return std::string_view(lines[i].text);
    };
    lines_.append = [&lines](std::string text) {
        return changes::appendLine(lines, std::move(text));
    };
    lines_.replace = [&lines](std::size_t i, std::string text) {
        return changes::replaceLine(lines, i, std::move(text));
    };
    lines_.remove = [&lines](std::size_t i) {
        return changes::removeLine(lines, i);
    };
}

int FileLinesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(lines_.count());
}

RowLine FileLinesModel::rowLine(int row) const {
    return RowLine{lines_.line(static_cast<std::size_t>(row))};
}

void FileLinesModel::insertRow(int row, const std::function<void()>& change) {
    beginInsertRows(QModelIndex(), row, row);
    change();
    endInsertRows();
}

void FileLinesModel::eraseRow(int row, const std::function<void()>& change) {
    beginRemoveRows(QModelIndex(), row, row);
    change();
    endRemoveRows();
}

void FileLinesModel::appendLine(std::string line) {
    ConfigurationChange step = lines_.append(std::move(line));
    runStep(
        "add", [this, apply = std::move(step.apply)] { insertRow(rowCount(), apply); },
        [this, revert = std::move(step.revert)] { eraseRow(rowCount() - 1, revert); });
}

void FileLinesModel::replaceLine(int row, std::string line) {
    ConfigurationChange step = lines_.replace(static_cast<std::size_t>(row), std::move(line));
    runStep(
        "edit",
        [this, row, apply = std::move(step.apply)] {
            apply();
            lineChanged(row); // the line was rebuilt, even if the row shows the same texts
        },
        [this, row, revert = std::move(step.revert)] {
            revert();
            lineChanged(row);
        });
}

void FileLinesModel::removeLine(int row) {
    removeLine(row, {});
}

void FileLinesModel::removeLine(int row, Alongside alongside) {
    ConfigurationChange step = lines_.remove(static_cast<std::size_t>(row));
    runStep(
        "delete",
        [this, row, apply = std::move(step.apply), redo = std::move(alongside.redo)] {
            eraseRow(row, apply);
            if (redo)
                redo();
        },
        [this, row, revert = std::move(step.revert), undo = std::move(alongside.undo)] {
            insertRow(row, revert);
            if (undo)
                undo();
        });
}

void FileLinesModel::reorder(std::vector<int> order) {
    if (!lines_.reorder)
        throw GlymError(std::string("The list view ") + list_.objectName + " keeps its lines in their order.");
    ConfigurationChange step = lines_.reorder(std::move(order));
    auto show = [this](const std::function<void()>& change) {
        beginResetModel();
        change();
        endResetModel();
    };
    runStep(
        "sort", [show, apply = std::move(step.apply)] { show(apply); },
        [show, revert = std::move(step.revert)] { show(revert); });
}

void FileLinesModel::replacing(const std::function<void()>& change) {
    // A load may fail half-way: the views then show what the list holds by then.
    struct EndReset {
        FileLinesModel* model;
        ~EndReset() {
            model->endResetModel();
            Q_EMIT model->changedOutsideSteps();
        }
    };
    beginResetModel();
    const EndReset end{this};
    change();
}

// ---------------------------------------------------------------------------------------------------------------

std::unique_ptr<ListModel> makeLineModel(const ListDescriptor& list, const ListSources& sources) {
    switch (list.source) {
    case RowSource::None:
        return std::make_unique<EmptyListModel>(list);
    case RowSource::GroupLines:
        return std::make_unique<GroupLinesModel>(list, sources.groups);
    case RowSource::GroupLine:
    case RowSource::Groups:
        return std::make_unique<GroupLineModel>(list, sources.groups);
    case RowSource::CacheSkipLines:
        return std::make_unique<FileLinesModel>(list, sources.cacheSkipLines);
    case RowSource::ManualServices:
        return std::make_unique<FileLinesModel>(list, sources.manualServices);
    case RowSource::Records:
        break;
    }
    return nullptr;
}
