#include "base/ListDescriptor.h"

QString countedRows(const ListDescriptor& list, std::size_t rows) {
    const QString noun = QString::fromUtf8(list.noun);
    return rows == 1 ? noun : QStringLiteral("%1 %2s").arg(rows).arg(noun);
}

namespace cells {

std::string_view groupId(const RowLine& row, std::string& scratch) {
    if (row.added)
        return ruleField(row.line, 1);
    scratch = std::to_string(row.group);
    return scratch;
}

} // namespace cells
