#include "stats/StatisticsModels.h"

#include "base/ListDescriptor.h"
#include "rules/ClientGroups.h"

#include <QLocale>
#include <charconv>

namespace {

// A cell's number as the locale writes it, or nothing: only a number written plainly ("007" or "+5" stays as the
// log has it).
QVariant localeNumber(std::string_view cell) {
    qlonglong number = 0;
    const auto [end, error] = std::from_chars(cell.data(), cell.data() + cell.size(), number);
    if (error == std::errc() && end == cell.data() + cell.size() && std::to_string(number) == cell)
        return QLocale().toString(number);
    return {};
}

// The display of a numeric column, or nothing for the model's own.
QVariant numericDisplay(const ListModel& model, const QModelIndex& index, int role) {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= model.rowCount() ||
        index.column() >= model.columnCount() ||
        !model.descriptor().columns[static_cast<std::size_t>(index.column())].numeric)
        return {};
    std::string scratch;
    return localeNumber(model.cellBytes(index.row(), index.column(), scratch));
}

// The cells of a client's row, in column order.
constexpr std::string ConnectionStatsRow::*kCells[] = {
    &ConnectionStatsRow::address,        &ConnectionStatsRow::sent,        &ConnectionStatsRow::firstAccess,
    &ConnectionStatsRow::lastDisconnect, &ConnectionStatsRow::countAccess, &ConnectionStatsRow::countQuery,
};

} // namespace

const statsreport::NumberFormat& localeNumbers() {
    static const statsreport::NumberFormat format{
        [](std::int64_t value) { return QLocale().toString(static_cast<qlonglong>(value)).toStdString(); },
        [](double value) {
            return QLocale().toString(value, 'f', 1).toStdString();
        }};
    return format;
}

std::string groupCaption(int group, const ClientGroups& groups) {
    const std::string& name = groups.name(group);
    return name.empty() ? std::to_string(group) : std::to_string(group) + " - " + name;
}

// ---------------------------------------------------------------------------------------------------------------

int StatsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

std::string_view StatsModel::cellBytes(int row, int column, std::string&) const {
    const auto i = static_cast<std::size_t>(row);
    return column == kGroupColumn ? std::string_view(groupTexts_[i]) : rows_[i].*kCells[column];
}

int StatsModel::cellImage(int, int column) const {
    return column == 0 ? mainimage::kHost : -1;
}

QVariant StatsModel::data(const QModelIndex& index, int role) const {
    if (QVariant number = numericDisplay(*this, index, role); number.isValid())
        return number;
    return ListModel::data(index, role);
}

void StatsModel::setRows(std::vector<ConnectionStatsRow> rows, const ClientGroups& groups) {
    beginResetModel();
    rows_ = std::move(rows);
    groupTexts_.clear();
    groupOf_.clear();
    matchGroups(0, groups);
    endResetModel();
}

void StatsModel::updateRows(std::vector<ConnectionStatsRow> rows, const ClientGroups& groups) {
    const std::size_t before = rows_.size();
    if (rows.size() < before) {
        setRows(std::move(rows), groups);
        return;
    }
    if (rows.size() > before)
        beginInsertRows(QModelIndex(), static_cast<int>(before), static_cast<int>(rows.size()) - 1);
    rows_ = std::move(rows);
    matchGroups(before, groups); // a client's address, and so its groups, never change
    if (rows_.size() > before)
        endInsertRows();
    if (before > 0)
        Q_EMIT dataChanged(index(0, 0), index(static_cast<int>(before) - 1, columnCount() - 1));
}

void StatsModel::matchGroups(std::size_t from, const ClientGroups& groups) {
    groupTexts_.resize(rows_.size());
    groupOf_.resize(rows_.size(), statsreport::kNoGroup);
    for (std::size_t i = from; i < rows_.size(); ++i) {
        const ClientGroups::GroupSet set = groups.groupsOf(rows_[i].address);
        std::string& text = groupTexts_[i];
        text.clear();
        for (int group = 0; group < GroupTable::kSlotCount; ++group) {
            if (!set.test(static_cast<std::size_t>(group)))
                continue;
            if (!text.empty())
                text += ", ";
            text += groupCaption(group, groups);
            groupOf_[i] = groupOf_[i] == statsreport::kNoGroup ? group : statsreport::kSeveralGroups;
        }
    }
}

// ---------------------------------------------------------------------------------------------------------------

int GroupStatsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

std::string_view GroupStatsModel::cellBytes(int row, int column, std::string&) const {
    static constexpr std::string Row::*kGroupCells[] = {&Row::group, &Row::clients, &Row::sent, &Row::countAccess,
                                                        &Row::countQuery};
    return rows_[static_cast<std::size_t>(row)].*kGroupCells[column];
}

QVariant GroupStatsModel::data(const QModelIndex& index, int role) const {
    if (QVariant number = numericDisplay(*this, index, role); number.isValid())
        return number;
    return ListModel::data(index, role);
}

void GroupStatsModel::setTotals(const std::vector<statsreport::GroupTotals>& totals, const ClientGroups& groups) {
    beginResetModel();
    rows_.clear();
    for (const statsreport::GroupTotals& group : totals) {
        std::string caption = group.group == statsreport::kSeveralGroups ? "Several groups"
                              : group.group == statsreport::kNoGroup     ? "No group"
                                                                         : groupCaption(group.group, groups);
        rows_.push_back({std::move(caption), std::to_string(group.totals.clients),
                         std::to_string(group.totals.kilobytes), std::to_string(group.totals.connections),
                         std::to_string(group.totals.queries)});
    }
    endResetModel();
}

std::vector<ConnectionStatsRow> GroupStatsModel::chartRows() const {
    std::vector<ConnectionStatsRow> rows;
    for (const Row& row : rows_)
        rows.push_back({row.group, row.sent, {}, {}, row.countAccess, row.countQuery});
    return rows;
}
