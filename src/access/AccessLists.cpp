#include "access/AccessLists.h"

#include "access/Groupname.h"
#include "access/Net.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

namespace accesslists {
namespace {

using enum ColumnSizing;

constexpr Qt::Alignment kCentre = Qt::AlignHCenter | Qt::AlignVCenter;

template <typename Dialog> Dialog& as(TRuleDialog& dialog) {
    return static_cast<Dialog&>(dialog);
}

int groupImage(const RowLine&) {
    return mainimage::kGroup;
}
int hostImage(const RowLine&) {
    return mainimage::kHost;
}

// A single address has the mask 255.255.255.255 (blanks around it do not count).
int networkImage(const RowLine& row) {
    return TrimField(ruleField(row.line, 3)) == "255.255.255.255" ? mainimage::kHost : mainimage::kGroup;
}

// A group is listed by its name; one whose line has no name (or that has no "GN" line) as "noname", until the
// user sets the line.
std::string_view groupName(const RowLine& row, std::string&) {
    const std::string_view name = ruleField(row.line, 2);
    if (row.edited)
        return name;
    return TrimField(name).empty() ? std::string_view("noname") : TrimField(name);
}

constexpr ListColumn groupColumn(CellImage image = groupImage) {
    return {.title = "Group ID", .sizing = Fixed, .width = 55, .numeric = true, .text = cells::groupId, .image = image};
}

// ---- GroupName

constexpr ListColumn kGroupColumns[] = {
    groupColumn(),
    {.title = "Group Name", .text = groupName},
    {.title = "Comments", .text = cells::field<3>},
};

constexpr ListDescriptor kGroups{
    .objectName = "GroupName",
    .columns = kGroupColumns,
    .source = RowSource::Groups,
    .handlers = {.dblClick = "GroupNameDblClick",
                 .keyDown = "GroupNameKeyDown",
                 .add = "AddNameActionExecute",
                 .edit = "EditNameActionExecute",
                 .remove = "DeleteNameActionExecute"},
    .noun = "group",
};

// ---- LNetwork

constexpr ListColumn kNetworkColumns[] = {
    groupColumn(networkImage),
    {.title = "IP Address", .sizing = Fixed, .width = 93, .ipAddress = true, .text = cells::field<2>},
    {.title = "Mask", .sizing = Fixed, .width = 93, .ipAddress = true, .text = cells::field<3>},
    {.title = "Comments", .text = cells::field<4>},
};

constexpr ListDescriptor kNetworks{
    .objectName = "LNetwork",
    .columns = kNetworkColumns,
    .source = RowSource::GroupLines,
    .lines = &TProxyUsers::NetworkRules,
    .dialog = {.create = [](QWidget* parent, EditorAction action) -> std::unique_ptr<TRuleDialog> {
                   auto dialog = std::make_unique<TFNet>(parent);
                   if (action == EditorAction::Edit)
                       dialog->Box1->setTitle(QStringLiteral("Edit IP Address in Group "));
                   return dialog;
               },
               .groupField = [](TRuleDialog& d) { return as<TFNet>(d).groupID; },
               .record =
                   [](TRuleDialog& d) {
                       auto& net = as<TFNet>(d);
                       return RuleRecord{QStringLiteral("GD"), {net.ip->text(), net.mask->text(), net.comment->text()}};
                   },
               .show =
                   [](TRuleDialog& d, const RuleRecord& record) {
                       auto& net = as<TFNet>(d);
                       net.ip->setText(record.values.value(0));
                       net.mask->setText(record.values.value(1));
                       net.comment->setText(record.values.value(2));
                   },
               .valueCount = 3,
               .createsMissingGroup = true},
    .handlers = {.dblClick = "LNetworkDblClick",
                 .keyDown = "LNetworkKeyDown",
                 .add = "AddNetActionExecute",
                 .edit = "EditNetActionExecute",
                 .remove = "DeleteNetActionExecute"},
    .noun = "network rule",
};

// ---- LHost

constexpr ListColumn kHostColumns[] = {
    groupColumn(hostImage),
    {.title = "Computer Name", .text = cells::field<2>},
    {.title = "Comments", .text = cells::field<3>},
};

constexpr ListDescriptor kHosts{
    .objectName = "LHost",
    .columns = kHostColumns,
    .source = RowSource::GroupLines,
    .lines = &TProxyUsers::HostRules,
    .dialog = {.create = [](QWidget* parent, EditorAction action) -> std::unique_ptr<TRuleDialog> {
                   auto dialog = std::make_unique<TFGroupName>(parent);
                   const bool edit = action == EditorAction::Edit;
                   dialog->setWindowTitle(edit ? QStringLiteral("Edit Host") : QStringLiteral("Add Host"));
                   dialog->Box1->setTitle(edit ? QStringLiteral(" Edit Host in Group ")
                                               : QStringLiteral(" Add Host in Group "));
                   dialog->Label2->setText(QStringLiteral("Host Name :"));
                   return dialog;
               },
               .groupField = [](TRuleDialog& d) { return as<TFGroupName>(d).groupID; },
               .record =
                   [](TRuleDialog& d) {
                       auto& host = as<TFGroupName>(d);
                       return RuleRecord{QStringLiteral("CD"), {host.name->text(), host.comment->text()}};
                   },
               .show =
                   [](TRuleDialog& d, const RuleRecord& record) {
                       auto& host = as<TFGroupName>(d);
                       host.name->setText(record.values.value(0));
                       host.comment->setText(record.values.value(1));
                   },
               .valueCount = 2,
               .createsMissingGroup = true},
    .handlers = {.dblClick = "LHostDblClick",
                 .keyDown = "LHostKeyDown",
                 .add = "AddHostActionExecute",
                 .edit = "EditHostActionExecute",
                 .remove = "DeleteHostActionExecute"},
    .noun = "host rule",
};

// ---- The lists whose rules cannot be edited yet: their columns.

constexpr ListColumn kUrlColumns[] = {
    groupColumn(),
    {.title = "Status", .sizing = Fixed, .width = 65, .alignment = kCentre},
    {.title = "URL Blocked", .sizing = Stretch},
    {.title = "Comments", .sizing = Fixed, .width = 61},
};
constexpr ListColumn kWordColumns[] = {groupColumn(), {.title = "Word"}, {.title = "Comments"}};
constexpr ListColumn kLimitColumns[] = {
    groupColumn(), {.title = "Limit, kB/day", .numeric = true}, {.title = "Comments"}};
constexpr ListColumn kSpeedColumns[] = {
    groupColumn(), {.title = "Speed, B/min", .numeric = true}, {.title = "Comments"}};
constexpr ListColumn kPortBlockColumns[] = {
    groupColumn(),
    {.title = "Start Port", .sizing = Fixed, .width = 60, .numeric = true},
    {.title = "End Port", .sizing = Fixed, .width = 60, .numeric = true},
    {.title = "Comments"},
};
constexpr ListColumn kPortAccessColumns[] = {
    groupColumn(), {.title = "Port", .sizing = Fixed, .width = 120, .numeric = true}, {.title = "Comments"}};
constexpr ListColumn kTimeColumns[] = {
    groupColumn(),
    {.title = "Day", .sizing = Fixed, .width = 70},
    {.title = "Begin", .sizing = Fixed, .width = 40, .numeric = true},
    {.title = "End", .sizing = Fixed, .width = 40, .numeric = true},
    {.title = "Comments"},
};
constexpr ListColumn kAuthColumns[] = {groupColumn(), {.title = "Login"}, {.title = "Password"}, {.title = "Comments"}};

constexpr ListDescriptor kUrls{.objectName = "LUrl", .columns = kUrlColumns, .noun = "URL rule"};
constexpr ListDescriptor kWords{.objectName = "LWord", .columns = kWordColumns, .noun = "word rule"};
constexpr ListDescriptor kLimits{.objectName = "LLimit", .columns = kLimitColumns, .noun = "traffic limit"};
constexpr ListDescriptor kSpeeds{.objectName = "LSpeed", .columns = kSpeedColumns, .noun = "speed limit"};
constexpr ListDescriptor kPortBlocks{.objectName = "LPortB", .columns = kPortBlockColumns, .noun = "blocked port rule"};
constexpr ListDescriptor kPortAccess{
    .objectName = "LPortA", .columns = kPortAccessColumns, .noun = "allowed port rule"};
constexpr ListDescriptor kTimes{.objectName = "LTime", .columns = kTimeColumns, .noun = "time rule"};
constexpr ListDescriptor kAuthorization{.objectName = "LAuth", .columns = kAuthColumns, .noun = "authorization rule"};

constexpr const ListDescriptor* kAll[] = {&kGroups, &kNetworks,   &kHosts,      &kUrls,  &kWords,        &kLimits,
                                          &kSpeeds, &kPortBlocks, &kPortAccess, &kTimes, &kAuthorization};

} // namespace

const ListDescriptor& groups() {
    return kGroups;
}
const ListDescriptor& networks() {
    return kNetworks;
}
const ListDescriptor& hosts() {
    return kHosts;
}

std::span<const ListDescriptor* const> all() {
    return kAll;
}

} // namespace accesslists
