#include "base/ListColumns.h"

#include <QHeaderView>
#include <QTreeWidget>
#include <algorithm>
#include <array>

namespace {

constexpr Qt::Alignment Left = Qt::AlignLeft | Qt::AlignVCenter;
constexpr Qt::Alignment Right = Qt::AlignRight | Qt::AlignVCenter;
constexpr Qt::Alignment Centre = Qt::AlignHCenter | Qt::AlignVCenter;

constexpr ListColumn fixed(const char* title, int width, Qt::Alignment alignment = Left, int minimumWidth = 0) {
    return {title, ColumnSizing::Fixed, width, alignment, minimumWidth};
}
constexpr ListColumn contents(const char* title, Qt::Alignment alignment = Left) {
    return {title, ColumnSizing::Contents, 0, alignment, 0};
}
constexpr ListColumn stretch(const char* title, Qt::Alignment alignment = Left) {
    return {title, ColumnSizing::Stretch, 0, alignment, 0};
}

constexpr std::array CacheSkipRules{fixed("Cached", 95, Left, 30), stretch("URL / Code"), fixed("Comments", 90)};
constexpr std::array GroupName{fixed("Group ID", 55), contents("Group Name"), contents("Comments")};
constexpr std::array LNetwork{fixed("Group ID", 55), fixed("IP Address", 93), fixed("Mask", 93), contents("Comments")};
constexpr std::array LHost{fixed("Group ID", 55), contents("Computer Name"), contents("Comments")};
constexpr std::array LUrl{fixed("Group ID", 55), fixed("Status", 65, Centre), stretch("URL Blocked"),
                          fixed("Comments", 61)};
constexpr std::array LWord{fixed("Group ID", 55), contents("Word"), contents("Comments")};
constexpr std::array LLimit{fixed("Group ID", 55), contents("Limit, kB/day"), contents("Comments")};
constexpr std::array LSpeed{fixed("Group ID", 55), contents("Speed, B/min"), contents("Comments")};
constexpr std::array LPortB{fixed("Group ID", 55), fixed("Start Port", 60), fixed("End Port", 60),
                            contents("Comments")};
constexpr std::array LPortA{fixed("Group ID", 55), fixed("Port", 120), contents("Comments")};
constexpr std::array LTime{fixed("Group ID", 55), fixed("Day", 70), fixed("Begin", 40), fixed("End", 40),
                           contents("Comments")};
constexpr std::array LAuth{fixed("Group ID", 55), contents("Login"), contents("Password"), contents("Comments")};
constexpr std::array RouterRules{
    contents("IN Port"), contents("OUT Port"), contents("Server Name"), contents("Service Name"), contents("Threads"),
    contents("Buffers"), contents("Timeout"),  contents("DNS Live"),    contents("Wait"),         contents("Comments")};
constexpr std::array LStat{fixed("IP Address", 100),         fixed("Send, kB", 70, Right),
                           fixed("First Access", 120),       fixed("Last Disconnect", 120),
                           fixed("Count Access", 80, Right), stretch("Count Query", Right)};

const std::array<ListViewColumns, 14> Table{{
    {"CacheSkipRules", CacheSkipRules},
    {"GroupName", GroupName},
    {"LNetwork", LNetwork},
    {"LHost", LHost},
    {"LUrl", LUrl},
    {"LWord", LWord},
    {"LLimit", LLimit},
    {"LSpeed", LSpeed},
    {"LPortB", LPortB},
    {"LPortA", LPortA},
    {"LTime", LTime},
    {"LAuth", LAuth},
    {"RouterRules", RouterRules},
    {"LStat", LStat},
}};

void applyTo(QTreeWidget* list, const ListViewColumns& entry) {
    const int count = static_cast<int>(entry.columns.size());
    list->setColumnCount(count);
    QTreeWidgetItem* headerItem = list->headerItem();
    QHeaderView* header = list->header();
    bool stretchesAColumn = false;
    int minimumWidth = 0;
    for (int column = 0; column < count; ++column) {
        const ListColumn& columnLayout = entry.columns[static_cast<std::size_t>(column)];
        headerItem->setText(column, QString::fromUtf8(columnLayout.title));
        headerItem->setTextAlignment(column, columnLayout.alignment);
        switch (columnLayout.sizing) {
        case ColumnSizing::Fixed:
            // The widths were laid out for a small 8-point font: with a larger one the column still shows its
            // whole header text.
            header->setSectionResizeMode(column, QHeaderView::Interactive);
            header->resizeSection(column, std::max(columnLayout.width, header->sectionSizeHint(column)));
            break;
        case ColumnSizing::Contents:
            header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
            break;
        case ColumnSizing::Stretch:
            header->setSectionResizeMode(column, QHeaderView::Stretch);
            stretchesAColumn = true;
            break;
        }
        if (columnLayout.minimumWidth > 0)
            minimumWidth =
                minimumWidth == 0 ? columnLayout.minimumWidth : std::min(minimumWidth, columnLayout.minimumWidth);
    }
    // Without a stretching column the last one takes up the free room, so the header reaches the right edge.
    header->setStretchLastSection(!stretchesAColumn);
    // A header has one minimum for all its sections: the smallest minimum the table gives for this list.
    if (minimumWidth > 0)
        header->setMinimumSectionSize(minimumWidth);
}

} // namespace

std::span<const ListViewColumns> listViewColumnTable() {
    return Table;
}

const ListViewColumns* findListViewColumns(QStringView listName) {
    const auto found = std::find_if(Table.begin(), Table.end(), [listName](const ListViewColumns& entry) {
        return listName == QLatin1StringView(entry.listName);
    });
    return found == Table.end() ? nullptr : &*found;
}

Qt::Alignment listColumnAlignment(QStringView listName, int column) {
    const ListViewColumns* entry = findListViewColumns(listName);
    if (entry == nullptr || column < 0 || column >= static_cast<int>(entry->columns.size()))
        return Left;
    return entry->columns[static_cast<std::size_t>(column)].alignment;
}

void applyListColumns(QWidget* form) {
    for (const ListViewColumns& entry : Table) {
        if (auto* list = form->findChild<QTreeWidget*>(QString::fromLatin1(entry.listName)))
            applyTo(list, entry);
    }
}
