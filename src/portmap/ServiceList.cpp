#include "portmap/ServiceList.h"

#include "base/ListDescriptor.h"

namespace {

using enum ColumnSizing;

constexpr ListColumn kColumns[] = {
    {.title = "IN Port", .numeric = true, .text = cells::field<1>},
    {.title = "OUT Port", .numeric = true, .text = cells::field<2>},
    {.title = "Server Name", .text = cells::field<3>},
    {.title = "Service Name", .text = cells::field<4>},
    {.title = "Threads", .numeric = true, .text = cells::field<5>},
    {.title = "Buffers", .numeric = true, .text = cells::field<6>},
    {.title = "Timeout", .numeric = true, .text = cells::field<7>},
    {.title = "DNS Live", .numeric = true, .text = cells::field<8>},
    {.title = "Wait", .numeric = true, .text = cells::field<9>},
    {.title = "Comments", .text = cells::field<10>},
};

constexpr ListDescriptor kList{
    .objectName = "RouterRules",
    .columns = kColumns,
    .source = RowSource::ManualServices,
    .noun = QT_TRANSLATE_NOOP("ListViews", "service"),
};

} // namespace

const ListDescriptor& manualServiceList() {
    return kList;
}
