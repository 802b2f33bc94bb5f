#include "base/ListDescriptor.h"

namespace cells {

std::string_view groupId(const RowLine& row, std::string& scratch) {
    if (row.added)
        return ruleField(row.line, 1);
    scratch = std::to_string(row.group);
    return scratch;
}

} // namespace cells
