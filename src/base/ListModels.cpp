#include "base/ListModels.h"

#include "base/Text.h"
#include "common/Error.h"

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
        if (const std::string* line = lines->find(shown.line))
            result.line = *line;
    return result;
}

void GroupLinesModel::fill() {
    std::vector<Row> added;
    for (int group = 0; group < GroupTable::kSlotCount; ++group)
        if (const TProxyUsers* record = groups_.find(group))
            for (const RuleLines::Entry& entry : record->*list_.lines)
                added.push_back({entry.id, group, false, false});
    beginResetModel();
    rows_ = std::move(added);
    endResetModel();
}

void GroupLinesModel::appendAdded(int group, RuleLines::Id line) {
    const int row = rowCount();
    beginInsertRows(QModelIndex(), row, row);
    rows_.push_back({line, group, true, true});
    endInsertRows();
}

void GroupLinesModel::lineEdited(int row) {
    rows_[static_cast<std::size_t>(row)].edited = true;
    lineChanged(row);
}

void GroupLinesModel::eraseRow(int row) {
    beginRemoveRows(QModelIndex(), row, row);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
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
}

int GroupLineModel::findRow(int group, int type) const {
    for (std::size_t row = 0; row < rows_.size(); ++row)
        if (rows_[row].group == group && rows_[row].type == type)
            return static_cast<int>(row);
    return -1;
}

void GroupLineModel::appendAdded(int group, int type) {
    const int row = rowCount();
    beginInsertRows(QModelIndex(), row, row);
    rows_.push_back({static_cast<std::int16_t>(group), static_cast<std::int16_t>(type), true, true});
    endInsertRows();
}

void GroupLineModel::lineEdited(int row) {
    rows_[static_cast<std::size_t>(row)].edited = true;
    lineChanged(row);
}

void GroupLineModel::eraseRow(int row) {
    beginRemoveRows(QModelIndex(), row, row);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
}

TProxyUsers& GroupLineModel::recordOf(int group) const {
    TProxyUsers* record = groups_.find(group);
    if (!record)
        throw GlymError("Group " + std::to_string(group) + " does not exist: its line was not stored.");
    return *record;
}

void GroupLineModel::replaceLine(int row, int type, std::string line) {
    TProxyUsers& record = recordOf(groupOf(row));
    if (const int former = typeOf(row); former != type) {
        (record.*memberOf(former)).clear();
        if (const int other = findRow(groupOf(row), type); other >= 0) {
            eraseRow(other);
            if (other < row)
                --row;
        }
        rows_[static_cast<std::size_t>(row)].type = static_cast<std::int16_t>(type);
    }
    record.*memberOf(type) = std::move(line);
    lineEdited(row);
}

// ---------------------------------------------------------------------------------------------------------------
// FileLinesModel

FileLinesModel::FileLinesModel(const ListDescriptor& list, std::vector<std::string>& lines, QObject* parent)
    : LineModel(list, parent), count_([&lines] { return lines.size(); }),
      line_([&lines](std::size_t i) { return std::string_view(lines[i]); }) {}

FileLinesModel::FileLinesModel(const ListDescriptor& list, RuleLines& lines, QObject* parent)
    : LineModel(list, parent), count_([&lines] { return lines.size(); }),
      line_([&lines](std::size_t i) { return std::string_view(lines[i].text); }) {}

int FileLinesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(count_());
}

RowLine FileLinesModel::rowLine(int row) const {
    return RowLine{line_(static_cast<std::size_t>(row))};
}

void FileLinesModel::appending(const std::function<void()>& change) {
    const int row = rowCount();
    beginInsertRows(QModelIndex(), row, row);
    change();
    endInsertRows();
}

void FileLinesModel::removing(int row, const std::function<void()>& change) {
    beginRemoveRows(QModelIndex(), row, row);
    change();
    endRemoveRows();
}

void FileLinesModel::changing(int row, const std::function<void()>& change) {
    change();
    lineChanged(row);
}

void FileLinesModel::replacing(const std::function<void()>& change) {
    // A load may fail half-way: the views then show what the list holds by then.
    struct EndReset {
        FileLinesModel* model;
        ~EndReset() { model->endResetModel(); }
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
