#include "base/RowOrder.h"

#include "base/ListModels.h"
#include "base/Text.h"
#include "base/TextOrder.h"
#include "common/Cp1251.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <numeric>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace {

// What decides the order of a cell: a number (of a numeric column) or an address (of an address column) by value,
// before every cell that holds none, then its text (textorder::TextKeys): the head of the text's key stands here
// beside the value, so that most comparisons compare numbers in one place; only keys whose numbers are all equal
// look further.
struct SortKey {
    std::uint64_t value; // 0 in a column of text
    textorder::TextKeys::Head text;
    std::uint32_t textIndex; // of the text in ColumnKeys, with kHasRest when it is longer than its head
    std::uint32_t place;     // where the row stood before the sort: equal keys keep that order
};

constexpr std::uint32_t kHasRest = std::uint32_t(1) << 31;

constexpr std::uint64_t kNoValue = ~std::uint64_t(0); // the class of the cells that hold no value

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// A whole number at the start of the cell ("-5", "0080", "1024 kB"), biased so that unsigned order is numeric
// order; at most 18 digits, so that it never reaches kNoValue.
std::optional<std::uint64_t> numberValue(std::string_view cell) {
    cell = trimmed(cell);
    const bool negative = !cell.empty() && cell.front() == '-';
    if (negative)
        cell.remove_prefix(1);
    std::size_t digits = 0;
    std::int64_t value = 0;
    while (digits < cell.size() && digits < 18 && cell[digits] >= '0' && cell[digits] <= '9')
        value = value * 10 + (cell[digits++] - '0');
    if (digits == 0)
        return std::nullopt;
    return std::uint64_t(negative ? -value : value) ^ (std::uint64_t(1) << 63);
}

// An IPv4 address at the start of the cell ("10.0.0.9", "192.168.1.0/24"), as its 32-bit value.
std::optional<std::uint64_t> addressValue(std::string_view cell) {
    cell = trimmed(cell);
    std::uint64_t value = 0;
    std::size_t at = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (at >= cell.size() || cell[at] != '.')
                return std::nullopt;
            ++at;
        }
        int number = 0;
        std::size_t digits = 0;
        while (at < cell.size() && digits < 3 && cell[at] >= '0' && cell[at] <= '9') {
            number = number * 10 + (cell[at++] - '0');
            ++digits;
        }
        if (digits == 0 || number > 255)
            return std::nullopt;
        value = value << 8 | std::uint64_t(number);
    }
    return value;
}

// Reads the cells of some rows for visit(i, cell), i the index in rows and cell(column, scratch) the bytes of a
// cell. Reading a million lines is most of what a sort or a filter costs, as the lines lie all over the memory: the
// rows are read in the model's order, whatever order they are asked in (neighbouring rows hold lines that lie near
// each other); a row of rule lines reads its line once for all its cells, and the lines of the rows next in turn
// are called into the cache while one is read.
template <class Visit> void readCells(const ListModel& model, const std::vector<int>& rows, Visit visit) {
    const int rowCount = model.rowCount();
    std::vector<int> place(static_cast<std::size_t>(rowCount), -1);
    for (std::size_t i = 0; i < rows.size(); ++i)
        place[static_cast<std::size_t>(rows[i])] = static_cast<int>(i);
    const auto* lines = qobject_cast<const LineModel*>(&model);
    if (!lines) {
        for (int row = 0; row < rowCount; ++row)
            if (const int i = place[static_cast<std::size_t>(row)]; i >= 0)
                visit(static_cast<std::size_t>(i), [&model, row](int column, std::string& scratch) {
                    return model.cellBytes(row, column, scratch);
                });
        return;
    }
    const std::span<const ListColumn> kinds = model.descriptor().columns;
    struct Ahead {
        RowLine line;
        int i;
    };
    constexpr std::size_t kAhead = 8;
    std::array<Ahead, kAhead> ahead; // a ring of the rows next in turn
    std::size_t first = 0;
    std::size_t count = 0;
    int next = 0; // the next model row to look at
    auto fetch = [&] {
        for (; count < kAhead && next < rowCount; ++next)
            if (const int i = place[static_cast<std::size_t>(next)]; i >= 0) {
                const RowLine line = lines->rowLine(next);
                __builtin_prefetch(line.line.data());
                ahead[(first + count++) % kAhead] = {line, i};
            }
    };
    for (fetch(); count > 0; fetch()) {
        const Ahead row = ahead[first];
        first = (first + 1) % kAhead;
        --count;
        visit(static_cast<std::size_t>(row.i), [&kinds, &row](int column, std::string& scratch) {
            const CellText text = kinds[static_cast<std::size_t>(column)].text;
            return text ? text(row.line, scratch) : std::string_view();
        });
    }
}

// The sort keys of one column for some rows, each cell read once.
class ColumnKeys {
public:
    ColumnKeys(const ListModel& model, int column, const std::vector<int>& rows) {
        const ListColumn& kind = model.descriptor().columns[static_cast<std::size_t>(column)];
        heads_.resize(rows.size());
        texts_.reserve(rows.size());
        std::string scratch;
        // The keys are written in the order the cells are read, each with the place its row had.
        std::size_t at = 0;
        readCells(model, rows, [&](std::size_t i, const auto& cells) {
            const std::string_view cell = cells(column, scratch);
            std::optional<std::uint64_t> value;
            if (kind.ipAddress)
                value = addressValue(cell);
            else if (kind.numeric)
                value = numberValue(cell);
            const auto text = static_cast<std::uint32_t>(texts_.size());
            const textorder::TextKeys::Head head = texts_.add(cell); // equal values go by their text
            heads_[at++] = {value                            ? *value
                            : kind.ipAddress || kind.numeric ? kNoValue
                                                             : 0,
                            head, text | (texts_.hasRest(text) ? kHasRest : 0), static_cast<std::uint32_t>(i)};
        });
        texts_.finish();
        if (texts_.collated()) // the heads are no longer what decides
            for (SortKey& key : heads_) {
                key.text = {};
                key.textIndex |= kHasRest;
            }
    }

    std::vector<SortKey>& heads() { return heads_; }

    // -1, 0 or 1 as a's cell sorts before, with or after b's.
    int compare(const SortKey& a, const SortKey& b) const {
        if (a.value != b.value)
            return a.value < b.value ? -1 : 1;
        if (a.text.high != b.text.high)
            return a.text.high < b.text.high ? -1 : 1;
        if (a.text.low != b.text.low)
            return a.text.low < b.text.low ? -1 : 1;
        if (((a.textIndex | b.textIndex) & kHasRest) == 0)
            return 0; // most ties: short texts, equal
        return texts_.compareRest(a.textIndex & ~kHasRest, b.textIndex & ~kHasRest);
    }

private:
    textorder::TextKeys texts_;
    std::vector<SortKey> heads_;
};

// A row as the sort moves it: the part of its key that is sorted by now, its key and the place it had.
struct SortItem {
    std::uint64_t number;
    std::uint32_t key;   // index of the row's SortKey
    std::uint32_t place; // where the row stood before the sort
};

// Sorts items by their number, equal numbers kept in the order they have: a byte at a time from the least one,
// skipping the bytes that are the same in every number. spare is as long as items.
void radixSort(std::span<SortItem> items, std::span<SortItem> spare) {
    std::array<std::array<std::uint32_t, 256>, 8> counts{};
    for (const SortItem& item : items)
        for (std::size_t digit = 0; digit < 8; ++digit)
            ++counts[digit][(item.number >> (8 * digit)) & 0xFF];
    std::span<SortItem> from = items;
    std::span<SortItem> to = spare;
    for (std::size_t digit = 0; digit < 8; ++digit) {
        std::array<std::uint32_t, 256>& count = counts[digit];
        if (std::find(count.begin(), count.end(), items.size()) != count.end())
            continue; // every number has the same byte here
        std::uint32_t start = 0;
        for (std::uint32_t& bucket : count)
            start += std::exchange(bucket, start);
        for (const SortItem& item : from)
            to[count[(item.number >> (8 * digit)) & 0xFF]++] = item;
        std::swap(from, to);
    }
    if (from.data() != items.data())
        std::copy(from.begin(), from.end(), items.begin());
}

// Lower case of every byte, for the filter.
const std::array<unsigned char, 256>& foldTable() {
    static const std::array<unsigned char, 256> kTable = [] {
        std::array<unsigned char, 256> result{};
        for (int byte = 0; byte < 256; ++byte)
            result[static_cast<std::size_t>(byte)] = cp1251::foldCase(static_cast<unsigned char>(byte));
        return result;
    }();
    return kTable;
}

// Whether the cell contains the needle (lower case), letters compared without regard to case.
bool contains(std::string_view cell, std::string_view needle) {
    const auto& fold = foldTable();
    if (needle.size() > cell.size())
        return false;
    const auto first = static_cast<unsigned char>(needle.front());
    const std::size_t last = cell.size() - needle.size();
    for (std::size_t at = 0; at <= last; ++at) {
        if (fold[static_cast<unsigned char>(cell[at])] != first)
            continue;
        std::size_t i = 1;
        while (i < needle.size() &&
               fold[static_cast<unsigned char>(cell[at + i])] == static_cast<unsigned char>(needle[i]))
            ++i;
        if (i == needle.size())
            return true;
    }
    return false;
}

// An order of model rows after the model inserted rows first..last: the rows after them move down, the new ones
// go to the end.
void rowsInsertedInto(std::vector<int>& order, int first, int last) {
    const int count = last - first + 1;
    for (int& row : order)
        if (row >= first)
            row += count;
    for (int row = first; row <= last; ++row)
        order.push_back(row);
}

// An order of model rows after the model removed rows first..last.
void rowsRemovedFrom(std::vector<int>& order, int first, int last) {
    const int count = last - first + 1;
    std::erase_if(order, [first, last](int row) { return row >= first && row <= last; });
    for (int& row : order)
        if (row > last)
            row -= count;
}

} // namespace

RowOrderProxy::RowOrderProxy(QObject* parent) : QAbstractProxyModel(parent) {}

void RowOrderProxy::setSourceModel(QAbstractItemModel* source) {
    beginResetModel();
    if (sourceModel())
        disconnect(sourceModel(), nullptr, this, nullptr);
    QAbstractProxyModel::setSourceModel(source);
    source_ = qobject_cast<ListModel*>(source);
    clearOrder();
    if (source) {
        connect(source, &QAbstractItemModel::rowsAboutToBeInserted, this, &RowOrderProxy::sourceRowsAboutToBeInserted);
        connect(source, &QAbstractItemModel::rowsInserted, this, &RowOrderProxy::sourceRowsInserted);
        connect(source, &QAbstractItemModel::rowsAboutToBeRemoved, this, &RowOrderProxy::sourceRowsAboutToBeRemoved);
        connect(source, &QAbstractItemModel::rowsRemoved, this, &RowOrderProxy::sourceRowsRemoved);
        connect(source, &QAbstractItemModel::dataChanged, this, &RowOrderProxy::sourceDataChanged);
        connect(source, &QAbstractItemModel::headerDataChanged, this, &QAbstractItemModel::headerDataChanged);
        // A new content, or rows moved by the model itself (the models here reset instead), start from the
        // model's own order again, every row shown.
        auto begin = [this] {
            beginResetModel();
        };
        auto end = [this] {
            clearOrder();
            if (!filter_.isEmpty()) // the filter typed stays: it applies to the new rows
                setOrder(matching(allRows(), needle_));
            endResetModel();
            Q_EMIT shownRowsChanged();
        };
        connect(source, &QAbstractItemModel::modelAboutToBeReset, this, begin);
        connect(source, &QAbstractItemModel::modelReset, this, end);
        connect(source, &QAbstractItemModel::layoutAboutToBeChanged, this, begin);
        connect(source, &QAbstractItemModel::layoutChanged, this, end);
    }
    endResetModel();
}

void RowOrderProxy::clearOrder() {
    identity_ = true;
    order_.clear();
    toSource_.clear();
    toView_.clear();
    if (sortColumn_ >= 0) {
        sortColumn_ = -1;
        sortOrder_ = Qt::AscendingOrder;
        Q_EMIT sortChanged(-1, sortOrder_);
    }
}

ListModel* RowOrderProxy::listModel() const {
    return source_;
}

int RowOrderProxy::totalRows() const {
    return source_ ? source_->rowCount() : 0;
}

std::vector<int> RowOrderProxy::allRows() const {
    std::vector<int> rows(static_cast<std::size_t>(totalRows()));
    std::iota(rows.begin(), rows.end(), 0);
    return rows;
}

int RowOrderProxy::sourceRow(int viewRow) const {
    if (viewRow < 0 || viewRow >= rowCount())
        return -1;
    return inSourceOrder() ? viewRow : toSource_[static_cast<std::size_t>(viewRow)];
}

int RowOrderProxy::viewRow(int sourceRow) const {
    if (inSourceOrder())
        return source_ && sourceRow >= 0 && sourceRow < source_->rowCount() ? sourceRow : -1;
    return sourceRow >= 0 && static_cast<std::size_t>(sourceRow) < toView_.size()
               ? toView_[static_cast<std::size_t>(sourceRow)]
               : -1;
}

void RowOrderProxy::setOrder(std::vector<int> order) {
    identity_ = false;
    toSource_ = std::move(order);
    toView_.assign(static_cast<std::size_t>(totalRows()), -1);
    for (std::size_t view = 0; view < toSource_.size(); ++view)
        toView_[static_cast<std::size_t>(toSource_[view])] = static_cast<int>(view);
}

std::vector<int> RowOrderProxy::sorted(std::vector<int> rows, int column, Qt::SortOrder order) const {
    ColumnKeys keys(*source_, column, rows);
    const std::vector<SortKey>& heads = keys.heads();
    const bool ascending = order == Qt::AscendingOrder;
    // The rows start in the order they had; a radix sort that keeps the order of equal numbers puts them in order by
    // the first part of their keys that differs between them (the value, the head of the text, its second half),
    // then each run of rows equal in that part by the next part, and so on; what is left equal is compared whole.
    // Equal keys keep the order the rows had, reversed too.
    std::vector<SortItem> items(heads.size());
    for (std::size_t i = 0; i < heads.size(); ++i)
        items[heads[i].place] = {0, static_cast<std::uint32_t>(i), heads[i].place};
    std::vector<SortItem> scratch(items.size());
    using Part = std::uint64_t (*)(const SortKey&);
    static constexpr std::array<Part, 3> kParts = {
        [](const SortKey& key) { return key.value; },
        [](const SortKey& key) { return key.text.high; },
        [](const SortKey& key) { return key.text.low; },
    };
    auto less = [&keys, &heads, ascending](const SortItem& a, const SortItem& b) {
        const int cells = keys.compare(heads[a.key], heads[b.key]);
        return cells != 0 ? (cells < 0) == ascending : a.place < b.place;
    };
    // Orders a run of rows that are equal in the parts before `part`.
    auto orderRun = [&](auto& self, std::span<SortItem> run, std::span<SortItem> spare, std::size_t part) -> void {
        constexpr std::size_t kFew = 64; // rows compared whole rather than sorted part by part
        for (; part < kParts.size() && run.size() > kFew; ++part) {
            for (SortItem& item : run) {
                const std::uint64_t number = kParts[part](heads[item.key]);
                item.number = ascending ? number : ~number;
            }
            if (std::all_of(run.begin(), run.end(),
                            [&run](const SortItem& item) { return item.number == run[0].number; }))
                continue;
            radixSort(run, spare);
            for (std::size_t first = 0; first < run.size();) {
                std::size_t end = first + 1;
                while (end < run.size() && run[end].number == run[first].number)
                    ++end;
                if (end - first > 1)
                    self(self, run.subspan(first, end - first), spare.subspan(first, end - first), part + 1);
                first = end;
            }
            return;
        }
        if (!std::is_sorted(run.begin(), run.end(), less))
            std::sort(run.begin(), run.end(), less);
    };
    orderRun(orderRun, std::span<SortItem>(items), std::span<SortItem>(scratch), 0);
    std::vector<int> result(rows.size());
    for (std::size_t view = 0; view < items.size(); ++view)
        result[view] = rows[items[view].place];
    return result;
}

void RowOrderProxy::showRows(std::vector<int> rows) {
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int> rowsBefore;
    rowsBefore.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex& index : before)
        rowsBefore.push_back(sourceRow(index.row()));
    setOrder(std::move(rows));
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i)
        after << index(viewRow(rowsBefore[static_cast<std::size_t>(i)]), before[i].column());
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void RowOrderProxy::sortOnce(int column, Qt::SortOrder order) {
    if (!source_ || column < 0 || column >= source_->columnCount())
        return;
    // Every row, the hidden ones too, so that the rows the filter shows again stand in the order sorted.
    order_ = sorted(order_.empty() ? allRows() : std::move(order_), column, order);
    std::vector<int> shown;
    if (filter_.isEmpty()) {
        shown = order_;
    } else {
        shown.reserve(static_cast<std::size_t>(rowCount()));
        for (const int row : order_)
            if (viewRow(row) >= 0)
                shown.push_back(row);
    }
    showRows(std::move(shown));
    markSorted(column, order);
}

Qt::SortOrder RowOrderProxy::nextOrder(int column) const {
    return column == sortColumn_ && sortOrder_ == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
}

void RowOrderProxy::sortByClick(int column) {
    sortOnce(column, nextOrder(column));
}

void RowOrderProxy::markSorted(int column, Qt::SortOrder order) {
    sortColumn_ = column;
    sortOrder_ = order;
    Q_EMIT sortChanged(column, order);
}

std::vector<int> RowOrderProxy::matching(const std::vector<int>& rows, const std::string& needle) const {
    std::vector<int> result;
    if (needleUnencodable_)
        return result; // no cell holds a character the code page lacks
    const int columns = source_->columnCount();
    std::vector<char> matches(rows.size(), 0);
    std::string scratch;
    readCells(*source_, rows, [&](std::size_t i, const auto& cells) {
        for (int column = 0; column < columns; ++column)
            if (contains(cells(column, scratch), needle)) {
                matches[i] = 1;
                return;
            }
    });
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (matches[i])
            result.push_back(rows[i]);
    return result;
}

void RowOrderProxy::setFilter(const QString& text) {
    if (!source_ || text == filter_)
        return;
    const std::optional<std::string> bytes = toFileBytes(text);
    const std::string needle = cp1251::foldCase(bytes.value_or(std::string()));
    // Typing on narrows what is shown: only the rows shown need a look, in the order they have.
    const bool narrows =
        !identity_ && !needleUnencodable_ && !filter_.isEmpty() && bytes && needle.find(needle_) != std::string::npos;
    std::vector<int> rows = narrows ? toSource_ : order_.empty() ? allRows() : order_;
    filter_ = text;
    needle_ = needle;
    needleUnencodable_ = !bytes;
    // Rows come and go: the view starts afresh (the list keeps its selected row, see ListViews).
    beginResetModel();
    if (text.isEmpty() && order_.empty()) {
        identity_ = true;
        toSource_.clear();
        toView_.clear();
    } else {
        setOrder(needle.empty() && !needleUnencodable_ ? std::move(rows) : matching(rows, needle));
    }
    endResetModel();
    Q_EMIT shownRowsChanged();
}

QModelIndex RowOrderProxy::mapToSource(const QModelIndex& proxyIndex) const {
    if (!proxyIndex.isValid() || !source_)
        return {};
    return source_->index(sourceRow(proxyIndex.row()), proxyIndex.column());
}

QVariant RowOrderProxy::data(const QModelIndex& index, int role) const {
    return index.isValid() && source_ ? source_->data(mapToSource(index), role) : QVariant();
}

Qt::ItemFlags RowOrderProxy::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

bool RowOrderProxy::hasChildren(const QModelIndex& parent) const {
    return !parent.isValid() && rowCount() > 0;
}

QModelIndex RowOrderProxy::sibling(int row, int column, const QModelIndex& index) const {
    return index.isValid() ? this->index(row, column) : QModelIndex();
}

QModelIndex RowOrderProxy::mapFromSource(const QModelIndex& sourceIndex) const {
    if (!sourceIndex.isValid())
        return {};
    return index(viewRow(sourceIndex.row()), sourceIndex.column());
}

QModelIndex RowOrderProxy::index(int row, int column, const QModelIndex& parent) const {
    if (parent.isValid() || row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return {};
    return createIndex(row, column);
}

QModelIndex RowOrderProxy::parent(const QModelIndex&) const {
    return {};
}

int RowOrderProxy::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !source_)
        return 0;
    return inSourceOrder() ? source_->rowCount() : static_cast<int>(toSource_.size());
}

int RowOrderProxy::columnCount(const QModelIndex& parent) const {
    return parent.isValid() || !source_ ? 0 : source_->columnCount();
}

// Rows the model adds stand at the end of a sorted order; in the model's own order they stand where it puts them.
void RowOrderProxy::sourceRowsAboutToBeInserted(const QModelIndex& parent, int first, int last) {
    if (parent.isValid())
        return;
    const int at = inSourceOrder() ? first : rowCount();
    beginInsertRows(QModelIndex(), at, at + last - first);
}

void RowOrderProxy::sourceRowsInserted(const QModelIndex& parent, int first, int last) {
    if (parent.isValid())
        return;
    if (!order_.empty())
        rowsInsertedInto(order_, first, last);
    if (!inSourceOrder()) {
        rowsInsertedInto(toSource_, first, last);
        if (first == static_cast<int>(toView_.size())) { // appended: the rows before keep their places
            for (int row = first; row <= last; ++row)
                toView_.push_back(static_cast<int>(toSource_.size()) - (last - row) - 1);
        } else {
            setOrder(std::move(toSource_));
        }
    }
    endInsertRows();
    Q_EMIT shownRowsChanged();
}

void RowOrderProxy::sourceRowsAboutToBeRemoved(const QModelIndex& parent, int first, int last) {
    if (parent.isValid())
        return;
    if (inSourceOrder()) {
        beginRemoveRows(QModelIndex(), first, last);
    } else if (first == last) {
        // A row the filter hides leaves the view as it is.
        if (const int row = viewRow(first); row >= 0)
            beginRemoveRows(QModelIndex(), row, row);
        else
            removingHidden_ = true;
    } else {
        // Rows that may stand anywhere in the view: shown again as a whole, in the order they had.
        removingAsReset_ = true;
        beginResetModel();
    }
}

void RowOrderProxy::sourceRowsRemoved(const QModelIndex& parent, int first, int last) {
    if (parent.isValid())
        return;
    if (!order_.empty())
        rowsRemovedFrom(order_, first, last);
    if (!inSourceOrder() && first == last) {
        // One row: out of both vectors, the rows after it one place up.
        const int shown = toView_[static_cast<std::size_t>(first)];
        if (shown >= 0)
            toSource_.erase(toSource_.begin() + shown);
        for (int& row : toSource_)
            if (row > first)
                --row;
        toView_.erase(toView_.begin() + first);
        if (shown >= 0)
            for (int& row : toView_)
                if (row > shown)
                    --row;
    } else if (!inSourceOrder()) {
        rowsRemovedFrom(toSource_, first, last);
        setOrder(std::move(toSource_));
    }
    if (removingAsReset_) {
        removingAsReset_ = false;
        endResetModel();
    } else if (removingHidden_) {
        removingHidden_ = false;
    } else {
        endRemoveRows();
    }
    Q_EMIT shownRowsChanged();
}

void RowOrderProxy::sourceDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                      const QList<int>& roles) {
    if (!topLeft.isValid() || !bottomRight.isValid())
        return;
    if (inSourceOrder()) {
        Q_EMIT dataChanged(mapFromSource(topLeft), mapFromSource(bottomRight), roles);
        return;
    }
    for (int row = topLeft.row(); row <= bottomRight.row(); ++row) {
        const int shown = viewRow(row);
        if (shown < 0)
            continue; // hidden by the filter
        Q_EMIT dataChanged(index(shown, topLeft.column()), index(shown, bottomRight.column()), roles);
    }
}
