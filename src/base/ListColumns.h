#pragma once

#include <QString>
#include <QStringView>
#include <Qt>
#include <span>

class QWidget;

// How a list view column takes its width.
enum class ColumnSizing {
    Fixed,    // starts at `width` pixels (wider if its header text needs it); the user may drag it
    Contents, // follows the widest text of the column
    Stretch,  // takes the room the other columns leave
};

struct ListColumn {
    const char* title;
    ColumnSizing sizing;
    int width; // pixels, for ColumnSizing::Fixed
    Qt::Alignment alignment;
    int minimumWidth; // pixels, 0 for the header's default
};

// The columns of one report-style list view of the main window, found by its objectName.
struct ListViewColumns {
    const char* listName;
    std::span<const ListColumn> columns;
};

// Every list view of the main window with its columns, in page order.
std::span<const ListViewColumns> listViewColumnTable();

// The columns of the list view named `listName`, or nullptr when the table has no such list.
const ListViewColumns* findListViewColumns(QStringView listName);

// Alignment of the cells of column `column` of the list view `listName` (left and vertically centred when the
// table does not know the list or the column). Code that adds rows uses it for every cell it fills.
Qt::Alignment listColumnAlignment(QStringView listName, int column);

// Applies the table to the QTreeWidget children of `form`: header texts, widths, resize modes, header alignment.
// Lists of the table that `form` does not hold are skipped.
void applyListColumns(QWidget* form);
