#pragma once

#include "base/ListModels.h"
#include "logs/ConnectionStats.h"
#include "logs/StatsReport.h"

#include <string>
#include <string_view>
#include <vector>

class ClientGroups;

// Numbers as the user's locale writes them: "1,234,567", "1.5 MiB" or "1 234 567", "1,5 MiB".
const statsreport::NumberFormat& localeNumbers();

// The rows of LStat: one client each, in order of first appearance, with the user groups it belongs to.
class StatsModel final : public ListModel {
public:
    static constexpr int kGroupColumn = 6;

    using ListModel::ListModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    std::string_view cellBytes(int row, int column, std::string& scratch) const override;
    int cellImage(int, int column) const override;
    // A number of the log is shown grouped by the user's locale; the sort, the filter and the export read the log's
    // own digits (cellBytes).
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // The rows of a new reading: the view starts afresh.
    void setRows(std::vector<ConnectionStatsRow> rows, const ClientGroups& groups);
    // The rows of the same reading read on (followed): the rows there were keep their places and change in place,
    // new clients come after them; the view keeps its sort, filter and selection. Rows fewer than before start
    // afresh.
    void updateRows(std::vector<ConnectionStatsRow> rows, const ClientGroups& groups);

    const std::vector<ConnectionStatsRow>& rows() const { return rows_; }
    // Each row's group for the group totals: a group number, statsreport::kNoGroup or kSeveralGroups.
    const std::vector<int>& groupOfRows() const { return groupOf_; }

private:
    void matchGroups(std::size_t from, const ClientGroups& groups);

    std::vector<ConnectionStatsRow> rows_;
    std::vector<std::string> groupTexts_; // "1 - Office, 3 - Guests" (Windows-1251)
    std::vector<int> groupOf_;
};

// The rows of LStatGroups: the totals of each user group, of the clients of several groups and of those of none.
class GroupStatsModel final : public ListModel {
public:
    struct Row {
        std::string group; // "3 - Guests", "Several groups", "No group"
        std::string clients, sent, countAccess, countQuery;
    };

    using ListModel::ListModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    std::string_view cellBytes(int row, int column, std::string& scratch) const override;
    int cellImage(int, int) const override { return -1; }
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    void setTotals(const std::vector<statsreport::GroupTotals>& totals, const ClientGroups& groups);
    // The groups as the chart ranks them: a group's name in place of an address.
    std::vector<ConnectionStatsRow> chartRows() const;

private:
    std::vector<Row> rows_;
};

// "3 - Guests", or "3" for a group without name (Windows-1251).
std::string groupCaption(int group, const ClientGroups& groups);
