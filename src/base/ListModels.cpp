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
    RuleLines::Id id = 0; // the line keeps its id through undo and redo: it stands where it stood
    runStep(
        "add",
        [this, group, id, line]() mutable {
            RuleLines& lines = groups_.create(group).*list_.lines;
            if (id == 0)
                id = lines.append(line);
            else
                lines.restore({id, line});
            const int row = rowCount();
            beginInsertRows(QModelIndex(), row, row);
            rows_.push_back(
                {id, static_cast<std::uint32_t>(lines.indexOf(id)), static_cast<std::int16_t>(group), true, true});
            endInsertRows();
        },
        [this, group] {
            // The step's row is the last one again; the group it may have created stays, empty, as groups do.
            const int row = rowCount() - 1;
            const RuleLines::Id added = lineIdOf(row);
            beginRemoveRows(QModelIndex(), row, row);
            rows_.pop_back();
            endRemoveRows();
            (groups_.create(group).*list_.lines).remove(added);
        });
}

bool GroupLinesModel::replaceLine(int row, std::string line) {
    RuleLines* lines = linesOf(row);
    const RuleLines::Id id = lineIdOf(row);
    const std::string* old = lines ? lines->find(id) : nullptr;
    if (!old)
        return false;
    const bool wasEdited = rows_[static_cast<std::size_t>(row)].edited;
    auto set = [this, row, id](const std::string& text, bool edited) {
        linesOf(row)->replace(id, text);
        rows_[static_cast<std::size_t>(row)].edited = edited;
        lineChanged(row);
    };
    runStep(
        "edit", [set, line] { set(line, true); }, [set, before = *old, wasEdited] { set(before, wasEdited); });
    return true;
}

bool GroupLinesModel::removeLine(int row) {
    RuleLines* lines = linesOf(row);
    const Row shown = rows_[static_cast<std::size_t>(row)];
    const std::string* old = lines ? lines->find(shown.line) : nullptr;
    if (!old)
        return false;
    runStep(
        "delete",
        [this, row, shown] {
            beginRemoveRows(QModelIndex(), row, row);
            rows_.erase(rows_.begin() + row);
            endRemoveRows();
            (groups_.create(shown.group).*list_.lines).remove(shown.line);
        },
        [this, row, shown, text = *old] {
            (groups_.create(shown.group).*list_.lines).restore({shown.line, text});
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
    const std::string old = groups_.exists(group) ? groups_.find(group)->*memberOf(type) : std::string();
    const Row before = row >= 0 ? rows_[static_cast<std::size_t>(row)] : Row{};
    const auto shown = Row{static_cast<std::int16_t>(group), static_cast<std::int16_t>(type), row < 0, true};
    runStep(
        row >= 0 ? "edit" : "add",
        [this, row, shown, line] {
            groups_.create(shown.group).*memberOf(shown.type) = line;
            if (row < 0)
                return insertRow(rowCount(), shown);
            rows_[static_cast<std::size_t>(row)].edited = true;
            lineChanged(row); // a change even when the row's texts stay ("GN:01:..." for "GN:1:...")
        },
        [this, row, before, shown, old] {
            groups_.create(shown.group).*memberOf(shown.type) = old;
            if (row < 0)
                return eraseRow(rowCount() - 1);
            rows_[static_cast<std::size_t>(row)] = before;
            lineChanged(row);
        });
}

void GroupLineModel::clearLine(int row) {
    const Row shown = rows_[static_cast<std::size_t>(row)];
    const TProxyUsers* record = groups_.find(shown.group);
    const std::string old = record ? record->*memberOf(shown.type) : std::string();
    runStep(
        "delete",
        [this, row, shown] {
            eraseRow(row);
            if (TProxyUsers* held = groups_.find(shown.group))
                (held->*memberOf(shown.type)).clear();
        },
        [this, row, shown, old] {
            groups_.create(shown.group).*memberOf(shown.type) = old;
            insertRow(row, shown);
        });
}

void GroupLineModel::replaceLine(int row, int type, std::string line) {
    const int group = groupOf(row);
    const int former = typeOf(row);
    if (former == type)
        return setLine(group, type, std::move(line));
    const TProxyUsers* record = groups_.find(group);
    const std::string formerBefore = record ? record->*memberOf(former) : std::string();
    const std::string typeBefore = record ? record->*memberOf(type) : std::string();
    // The rows of a group-line list are a handful per group: the step keeps them whole, before and after.
    std::vector<Row> rowsAfter = rows_;
    rowsAfter[static_cast<std::size_t>(row)].type = static_cast<std::int16_t>(type);
    rowsAfter[static_cast<std::size_t>(row)].edited = true;
    if (const int other = findRow(group, type); other >= 0)
        rowsAfter.erase(rowsAfter.begin() + other);
    auto show = [this, group, former, type](const std::string& formerText, const std::string& typeText,
                                            const std::vector<Row>& rows) {
        TProxyUsers& held = groups_.create(group);
        held.*memberOf(former) = formerText;
        held.*memberOf(type) = typeText;
        beginResetModel();
        rows_ = rows;
        endResetModel();
    };
    runStep(
        "edit", [show, line, rowsAfter] { show(std::string(), line, rowsAfter); },
        [show, formerBefore, typeBefore, rowsBefore = rows_] { show(formerBefore, typeBefore, rowsBefore); });
}

// ---------------------------------------------------------------------------------------------------------------
// FileLinesModel

FileLinesModel::FileLinesModel(const ListDescriptor& list, std::vector<std::string>& lines, QObject* parent)
    : LineModel(list, parent) {
    using Index = std::ptrdiff_t;
    lines_.count = [&lines] {
        return lines.size();
    };
    lines_.line = [&lines](std::size_t i) {
        return std::string_view(lines[i]);
    };
    lines_.make = [](std::string text) {
        return Held{0, std::move(text)};
    };
    lines_.insert = [&lines](std::size_t i, Held line) {
        lines.insert(lines.begin() + static_cast<Index>(i), std::move(line.text));
    };
    lines_.take = [&lines](std::size_t i) {
        Held line{0, std::move(lines[i])};
        lines.erase(lines.begin() + static_cast<Index>(i));
        return line;
    };
    lines_.set = [&lines](std::size_t i, std::string text) {
        return std::exchange(lines[i], std::move(text));
    };
    lines_.permute = [&lines](const std::vector<int>& order) {
        std::vector<std::string> moved;
        moved.reserve(lines.size());
        for (const int from : order)
            moved.push_back(std::move(lines[static_cast<std::size_t>(from)]));
        lines = std::move(moved);
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
    lines_.make = [&lines](std::string text) {
        // An id for the line, the next one: appended and taken back at once, the line itself goes in by insert.
        const RuleLines::Id id = lines.append(text);
        lines.remove(id);
        return Held{id, std::move(text)};
    };
    lines_.insert = [&lines](std::size_t, Held line) {
        lines.restore({line.id, std::move(line.text)});
    };
    lines_.take = [&lines](std::size_t i) {
        Held line{lines[i].id, lines[i].text};
        lines.remove(line.id);
        return line;
    };
    lines_.set = [&lines](std::size_t i, std::string text) {
        std::string old = lines[i].text;
        lines.replace(lines[i].id, std::move(text));
        return old;
    };
}

int FileLinesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(lines_.count());
}

RowLine FileLinesModel::rowLine(int row) const {
    return RowLine{lines_.line(static_cast<std::size_t>(row))};
}

void FileLinesModel::insertLine(std::size_t row, Held line) {
    const int at = static_cast<int>(row);
    beginInsertRows(QModelIndex(), at, at);
    lines_.insert(row, std::move(line));
    endInsertRows();
}

FileLinesModel::Held FileLinesModel::takeLine(std::size_t row) {
    const int at = static_cast<int>(row);
    beginRemoveRows(QModelIndex(), at, at);
    Held line = lines_.take(row);
    endRemoveRows();
    return line;
}

void FileLinesModel::appendLine(std::string line) {
    runStep(
        "add", [this, held = lines_.make(std::move(line))] { insertLine(lines_.count(), held); },
        [this] { takeLine(lines_.count() - 1); });
}

void FileLinesModel::replaceLine(int row, std::string line) {
    const auto at = static_cast<std::size_t>(row);
    std::string old(lines_.line(at));
    runStep(
        "edit",
        [this, row, at, line] {
            lines_.set(at, line);
            lineChanged(row); // the line was rebuilt, even if the row shows the same texts
        },
        [this, row, at, old] {
            lines_.set(at, old);
            lineChanged(row);
        });
}

void FileLinesModel::removeLine(int row) {
    removeLine(row, {});
}

void FileLinesModel::removeLine(int row, Alongside alongside) {
    const auto at = static_cast<std::size_t>(row);
    // The line goes into the step when it is taken: the step holds the one copy while the line is gone.
    auto held = std::make_shared<Held>();
    runStep(
        "delete",
        [this, at, held, redo = std::move(alongside.redo)] {
            *held = takeLine(at);
            if (redo)
                redo();
        },
        [this, at, held, undo = std::move(alongside.undo)] {
            insertLine(at, std::move(*held));
            if (undo)
                undo();
        });
}

void FileLinesModel::reorder(std::vector<int> order) {
    if (!lines_.permute)
        throw GlymError(std::string("The list view ") + list_.objectName + " keeps its lines in their order.");
    std::vector<int> back(order.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        back[static_cast<std::size_t>(order[i])] = static_cast<int>(i);
    auto apply = [this](const std::vector<int>& permutation) {
        beginResetModel();
        lines_.permute(permutation);
        endResetModel();
    };
    runStep(
        "sort", [apply, order = std::move(order)] { apply(order); }, [apply, back = std::move(back)] { apply(back); });
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
