#pragma once

#include "base/Images.h"
#include "rules/Proxyusers.h"
#include "rules/Strings.h"

#include <QString>
#include <QStringList>
#include <Qt>
#include <memory>
#include <span>
#include <string>
#include <string_view>

class QWidget;
class TRuleDialog;
enum class EditorAction; // base/RuleDialog.h

// One list view of the main window, described once: its columns, what its rows show and the dialog its rules are
// edited with. Each feature folder describes its lists; the main window builds every list from its descriptor and
// binds it to the feature's editor, which implements the list's actions (base/ListViews.h, base/ListActions.h).

// What a row of a list shows: a rule line, and what the row knows besides it.
struct RowLine {
    std::string_view line; // the rule line, Windows-1251 bytes
    int group = -1;        // the group whose record holds the line; -1 in the file-wide lists
    int type = 0;          // which of the group's single lines the row shows (authorization: 0 input, 1 output)
    bool added = false;    // added by the user since the start: the caption is the group field as typed
    bool edited = false;   // added or changed by the user since the start: the values show as typed
};

// The bytes a cell shows of its row (scratch may hold them), and the image it shows (-1 for none).
using CellText = std::string_view (*)(const RowLine& row, std::string& scratch);
using CellImage = int (*)(const RowLine& row);

enum class ColumnSizing {
    Fixed,       // starts at `width` pixels (wider if its header text or its first rows need it); the user may drag it
    Interactive, // stays at `width` pixels (wider if its header text needs it) whatever its rows hold, so that a long
                 // comment leaves the room to the stretching column beside it; the user may drag it
    Contents,    // follows the widest text of the column
    Stretch,     // takes the room the other columns leave
};

struct ListColumn {
    const char* title;
    ColumnSizing sizing = ColumnSizing::Contents;
    int width = 0; // pixels, for ColumnSizing::Fixed and Interactive
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    bool numeric = false;    // the column holds whole numbers (group numbers, ports, hours, limits, counts)
    bool ipAddress = false;  // the column holds IPv4 addresses: they sort by their numeric value
    CellText text = nullptr; // what the cell shows; lists whose rows are no lines have their own model
    CellImage image = nullptr;
    int minimumWidth = 0; // pixels, 0 for the header's default
};

// Where the rows of a list come from.
enum class RowSource {
    None,           // nothing fills the list yet: it shows its columns only
    GroupLines,     // each line of a list member of the group records (`lines`) is a row, groups in number order
    GroupLine,      // one row per group and single-line member (`singleLines`, by type) that holds a line
    Groups,         // one row per existing group, showing its "GN" line whether it is set or not
    CacheSkipLines, // the main window's cache-skip lines: row i shows line i
    ManualServices, // the main window's manual port-mapping services: row i shows line i
    Records,        // rows that are no rule lines, from the list's own model (the statistics)
};

// The dialog a kind of group rules is edited with: the dialog maps its fields to a rule itself (TRuleDialog's
// groupField, record, showRecord, type and showType).
struct RuleDialogSpec {
    // The dialog for an Add or an Edit of the kind, titled for it.
    std::unique_ptr<TRuleDialog> (*create)(QWidget* parent, EditorAction action) = nullptr;
    int valueCount = 0; // values after the group field
};

struct ListDescriptor {
    const char* objectName;
    std::span<const ListColumn> columns;
    ImageList images = ImageList::ImageList1;
    RowSource source = RowSource::None;
    RuleLines TProxyUsers::*lines = nullptr;                     // RowSource::GroupLines
    std::span<std::string TProxyUsers::*const> singleLines = {}; // RowSource::GroupLine, by type
    RuleDialogSpec dialog = {};
    // What one row is, in the Edit menu's undo steps ("Undo delete URL rule") and, translated in the context
    // "ListViews" (QT_TRANSLATE_NOOP), in the hints of the list's buttons and the report of a delete: a short noun,
    // lower case except for names ("URL rule", "group").
    const char* noun = QT_TRANSLATE_NOOP("ListViews", "rule");
};

// Rows of a list counted by its noun, as the undo steps name them: "URL rule" for one, "3 URL rules" for more.
QString countedRows(const ListDescriptor& list, std::size_t rows);

// Cells that many lists share.
namespace cells {

// The group number: the group field as typed for a row the user added, else the slot's number.
std::string_view groupId(const RowLine& row, std::string& scratch);

// Field `index` of the line as it holds it: a line of the file is trimmed field by field when it is read, a line
// the user typed keeps its blanks.
template <int index> std::string_view field(const RowLine& row, std::string&) {
    return ruleField(row.line, index);
}
// Field `index` of the line, trimmed.
template <int index> std::string_view trimmedField(const RowLine& row, std::string&) {
    return TrimField(ruleField(row.line, index));
}

} // namespace cells
