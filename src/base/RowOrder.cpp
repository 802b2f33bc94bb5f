#include "base/RowOrder.h"

#include "base/ListModels.h"
#include "common/Cp1251.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <numeric>
#include <string>
#include <string_view>

namespace {

// The column sort compares texts character by character in their capital form (A to Z, and the Cyrillic letters
// of the files alike), by code point. A cell is Windows-1251 bytes, one byte a character, and the code page has
// fewer than 256 such capital forms: each byte maps to the rank of its capital form, and comparing the ranks of
// two cells byte by byte orders them as comparing their texts would.
const std::array<unsigned char, 256>& sortRanks() {
    static const std::array<unsigned char, 256> ranks = [] {
        std::array<char16_t, 256> capitals{};
        for (int byte = 0; byte < 256; ++byte) {
            const char16_t c = cp1251::toUnicode(static_cast<unsigned char>(byte));
            if (c < 0x80)
                capitals[byte] = c >= u'a' && c <= u'z' ? char16_t(c - 32) : c;
            else
                capitals[byte] = QChar(c).toUpper().unicode();
        }
        std::array<char16_t, 256> distinct = capitals;
        std::sort(distinct.begin(), distinct.end());
        const auto end = std::unique(distinct.begin(), distinct.end());
        std::array<unsigned char, 256> result{};
        for (int byte = 0; byte < 256; ++byte)
            result[byte] =
                static_cast<unsigned char>(std::lower_bound(distinct.begin(), end, capitals[byte]) - distinct.begin());
        return result;
    }();
    return ranks;
}

// The sort keys of one column: every row's cell in ranks, one after another. The first 16 ranks of a key also
// stand in two numbers, so that most comparisons compare numbers; a key that ends early counts 0 there, as the
// rank of the NUL byte does, and only keys whose numbers are equal are compared any further.
class ColumnKeys {
public:
    struct Head {
        std::uint64_t high; // ranks 0 to 7, the first in the highest byte
        std::uint64_t low;  // ranks 8 to 15
        int row;
    };

    ColumnKeys(const ListModel& model, int column) {
        const auto& ranks = sortRanks();
        const auto rows = static_cast<std::size_t>(model.rowCount());
        starts_.reserve(rows + 1);
        heads_.reserve(rows);
        std::string scratch;
        for (std::size_t row = 0; row < rows; ++row) {
            const std::string_view cell = model.cellBytes(static_cast<int>(row), column, scratch);
            const std::size_t start = keys_.size();
            starts_.push_back(start);
            keys_.resize(start + cell.size());
            char* key = keys_.data() + start;
            Head head{0, 0, static_cast<int>(row)};
            for (std::size_t i = 0; i < cell.size(); ++i) {
                const unsigned char rank = ranks[static_cast<unsigned char>(cell[i])];
                key[i] = static_cast<char>(rank);
                if (i < 8)
                    head.high |= std::uint64_t(rank) << (56 - 8 * i);
                else if (i < 16)
                    head.low |= std::uint64_t(rank) << (56 - 8 * (i - 8));
            }
            heads_.push_back(head);
        }
        starts_.push_back(keys_.size());
    }

    const Head& head(int row) const { return heads_[static_cast<std::size_t>(row)]; }

    bool less(const Head& a, const Head& b) const {
        if (a.high != b.high)
            return a.high < b.high;
        if (a.low != b.low)
            return a.low < b.low;
        // The first 16 ranks are equal (a key shorter than that goes on in ranks 0): a key of at most 16 ranks is
        // the start of the other one.
        const std::string_view x = of(a.row);
        const std::string_view y = of(b.row);
        if (std::min(x.size(), y.size()) <= 16)
            return x.size() < y.size();
        return x.substr(16) < y.substr(16); // char_traits<char> compares bytes as unsigned char: the ranks' order
    }

private:
    std::string_view of(int row) const {
        const auto r = static_cast<std::size_t>(row);
        return std::string_view(keys_).substr(starts_[r], starts_[r + 1] - starts_[r]);
    }

    std::string keys_;
    std::vector<std::size_t> starts_;
    std::vector<Head> heads_;
};

} // namespace

RowOrderProxy::RowOrderProxy(QObject* parent) : QAbstractProxyModel(parent) {}

void RowOrderProxy::setSourceModel(QAbstractItemModel* source) {
    beginResetModel();
    if (sourceModel())
        disconnect(sourceModel(), nullptr, this, nullptr);
    QAbstractProxyModel::setSourceModel(source);
    source_ = qobject_cast<ListModel*>(source);
    toSource_.clear();
    toView_.clear();
    if (source) {
        connect(source, &QAbstractItemModel::rowsAboutToBeInserted, this, &RowOrderProxy::sourceRowsAboutToBeInserted);
        connect(source, &QAbstractItemModel::rowsInserted, this, &RowOrderProxy::sourceRowsInserted);
        connect(source, &QAbstractItemModel::rowsAboutToBeRemoved, this, &RowOrderProxy::sourceRowsAboutToBeRemoved);
        connect(source, &QAbstractItemModel::rowsRemoved, this, &RowOrderProxy::sourceRowsRemoved);
        connect(source, &QAbstractItemModel::dataChanged, this, &RowOrderProxy::sourceDataChanged);
        connect(source, &QAbstractItemModel::headerDataChanged, this, &QAbstractItemModel::headerDataChanged);
        // A new content, or rows moved by the model itself (the models here reset instead), start from the
        // model's own order again.
        auto begin = [this] {
            beginResetModel();
        };
        auto end = [this] {
            toSource_.clear();
            toView_.clear();
            endResetModel();
        };
        connect(source, &QAbstractItemModel::modelAboutToBeReset, this, begin);
        connect(source, &QAbstractItemModel::modelReset, this, end);
        connect(source, &QAbstractItemModel::layoutAboutToBeChanged, this, begin);
        connect(source, &QAbstractItemModel::layoutChanged, this, end);
    }
    endResetModel();
}

ListModel* RowOrderProxy::listModel() const {
    return source_;
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
    toSource_ = std::move(order);
    toView_.assign(toSource_.size(), -1);
    for (std::size_t view = 0; view < toSource_.size(); ++view)
        toView_[static_cast<std::size_t>(toSource_[view])] = static_cast<int>(view);
}

void RowOrderProxy::sortOnce(int column) {
    const ListModel* model = listModel();
    if (!model || column < 0 || column >= model->columnCount())
        return;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int> rowsBefore;
    rowsBefore.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex& index : before)
        rowsBefore.push_back(sourceRow(index.row()));

    std::vector<int> order = toSource_;
    if (inSourceOrder()) {
        order.resize(static_cast<std::size_t>(model->rowCount()));
        std::iota(order.begin(), order.end(), 0);
    }
    const ColumnKeys keys(*model, column);
    std::vector<ColumnKeys::Head> heads;
    heads.reserve(order.size());
    for (const int row : order)
        heads.push_back(keys.head(row));
    std::stable_sort(heads.begin(), heads.end(), [&keys](const auto& a, const auto& b) { return keys.less(a, b); });
    for (std::size_t view = 0; view < heads.size(); ++view)
        order[view] = heads[view].row;
    setOrder(std::move(order));

    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i)
        after << index(viewRow(rowsBefore[static_cast<std::size_t>(i)]), before[i].column());
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
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
    if (!inSourceOrder()) {
        const int count = last - first + 1;
        for (int& row : toSource_)
            if (row >= first)
                row += count;
        for (int row = first; row <= last; ++row)
            toSource_.push_back(row);
        if (first == static_cast<int>(toView_.size())) { // appended: the rows before keep their places
            for (int row = first; row <= last; ++row)
                toView_.push_back(static_cast<int>(toSource_.size()) - (last - row) - 1);
        } else {
            setOrder(std::move(toSource_));
        }
    }
    endInsertRows();
}

void RowOrderProxy::sourceRowsAboutToBeRemoved(const QModelIndex& parent, int first, int last) {
    if (parent.isValid())
        return;
    if (inSourceOrder()) {
        beginRemoveRows(QModelIndex(), first, last);
    } else if (first == last) {
        const int row = viewRow(first);
        beginRemoveRows(QModelIndex(), row, row);
    } else {
        // Rows that may stand anywhere in the view: shown again as a whole, in the order they had.
        removingAsReset_ = true;
        beginResetModel();
    }
}

void RowOrderProxy::sourceRowsRemoved(const QModelIndex& parent, int first, int last) {
    if (parent.isValid())
        return;
    if (!inSourceOrder() && first == last) {
        // One row: out of both vectors, the rows after it one place up.
        const int shown = toView_[static_cast<std::size_t>(first)];
        toSource_.erase(toSource_.begin() + shown);
        for (int& row : toSource_)
            if (row > first)
                --row;
        toView_.erase(toView_.begin() + first);
        for (int& row : toView_)
            if (row > shown)
                --row;
    } else if (!inSourceOrder()) {
        const int count = last - first + 1;
        std::vector<int> order;
        order.reserve(toSource_.size());
        for (const int row : toSource_)
            if (row < first)
                order.push_back(row);
            else if (row > last)
                order.push_back(row - count);
        setOrder(std::move(order));
    }
    if (removingAsReset_) {
        removingAsReset_ = false;
        endResetModel();
    } else {
        endRemoveRows();
    }
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
        Q_EMIT dataChanged(index(shown, topLeft.column()), index(shown, bottomRight.column()), roles);
    }
}
