#include "access/AccessLists.h"

#include "access/AuthorizationDialog.h"
#include "access/GroupNameDialog.h"
#include "access/NetworkDialog.h"
#include "access/PortAccessDialog.h"
#include "access/PortBlockDialog.h"
#include "access/SpeedDialog.h"
#include "access/TimeDialog.h"
#include "access/UrlDialog.h"

namespace accesslists {
namespace {

using enum ColumnSizing;

constexpr Qt::Alignment kCentre = Qt::AlignHCenter | Qt::AlignVCenter;

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

// A group the user has named shows the name as typed, until the next start.
std::string_view groupName(const RowLine& row, std::string&) {
    return row.edited ? ruleField(row.line, 2) : listedGroupName(row.line);
}

// The comment of a rule gets a column of its own width: the rule's value, beside it, takes the room the window has.
constexpr ListColumn kCommentColumn(CellText text) {
    return {.title = "Comments", .sizing = Interactive, .width = 120, .text = text};
}

constexpr ListColumn groupColumn(CellImage image = groupImage) {
    return {.title = "Group ID", .sizing = Fixed, .width = 55, .numeric = true, .text = cells::groupId, .image = image};
}

// ---- GroupName

constexpr ListColumn kGroupColumns[] = {
    groupColumn(),
    {.title = "Group Name", .sizing = Stretch, .text = groupName},
    kCommentColumn(cells::field<3>),
};

constexpr ListDescriptor kGroups{
    .objectName = "GroupName",
    .columns = kGroupColumns,
    .source = RowSource::Groups,
    .noun = QT_TRANSLATE_NOOP("ListViews", "group"),
};

// ---- LNetwork

constexpr ListColumn kNetworkColumns[] = {
    groupColumn(networkImage),
    {.title = "IP Address", .sizing = Stretch, .ipAddress = true, .text = cells::field<2>},
    {.title = "Mask", .sizing = Fixed, .width = 93, .ipAddress = true, .text = cells::field<3>},
    kCommentColumn(cells::field<4>),
};

constexpr ListDescriptor kNetworks{
    .objectName = "LNetwork",
    .columns = kNetworkColumns,
    .source = RowSource::GroupLines,
    .lines = &TProxyUsers::NetworkRules,
    .dialog = {.create = TFNet::create, .valueCount = 3},
    .noun = QT_TRANSLATE_NOOP("ListViews", "network rule"),
};

// ---- LHost

constexpr ListColumn kHostColumns[] = {
    groupColumn(hostImage),
    {.title = "Computer Name", .sizing = Stretch, .text = cells::field<2>},
    kCommentColumn(cells::field<3>),
};

constexpr ListDescriptor kHosts{
    .objectName = "LHost",
    .columns = kHostColumns,
    .source = RowSource::GroupLines,
    .lines = &TProxyUsers::HostRules,
    .dialog = {.create = TFGroupName::createForHost, .valueCount = 2},
    .noun = QT_TRANSLATE_NOOP("ListViews", "host rule"),
};

// ---- LUrl

// A URL rule allows access when its tag is exactly "PA"; any other tag denies.
bool allowsAccess(const RowLine& row) {
    return TrimField(ruleField(row.line, 0)) == "PA";
}
std::string_view urlStatus(const RowLine& row, std::string&) {
    return allowsAccess(row) ? "Access" : "Deny";
}
int urlStatusImage(const RowLine& row) {
    return allowsAccess(row) ? mainimage::kAccess : mainimage::kDeny;
}

constexpr ListColumn kUrlColumns[] = {
    groupColumn(),
    {.title = "Status", .sizing = Fixed, .width = 65, .alignment = kCentre, .text = urlStatus, .image = urlStatusImage},
    {.title = "URL Blocked", .sizing = Stretch, .text = cells::field<2>},
    kCommentColumn(cells::field<3>),
};

constexpr ListDescriptor kUrls{
    .objectName = "LUrl",
    .columns = kUrlColumns,
    .source = RowSource::GroupLines,
    .lines = &TProxyUsers::UrlRules,
    .dialog = {.create = TFUrl::create, .valueCount = 2},
    .noun = QT_TRANSLATE_NOOP("ListViews", "URL rule"),
};

// ---- LWord

int wordImage(const RowLine&) {
    return mainimage::kWord;
}

constexpr ListColumn kWordColumns[] = {
    groupColumn(),
    {.title = "Word", .sizing = Stretch, .text = cells::field<2>, .image = wordImage},
    kCommentColumn(cells::field<3>),
};

constexpr ListDescriptor kWords{
    .objectName = "LWord",
    .columns = kWordColumns,
    .source = RowSource::GroupLines,
    .lines = &TProxyUsers::WordRules,
    .dialog = {.create = TFGroupName::createForWord, .valueCount = 2},
    .noun = QT_TRANSLATE_NOOP("ListViews", "word rule"),
};

// ---- LLimit and LSpeed: one line per group, both edited with TFSpeed

constexpr std::string TProxyUsers::*kLimitLine[] = {&TProxyUsers::LimitRule};
constexpr std::string TProxyUsers::*kSpeedLine[] = {&TProxyUsers::SpeedRule};

constexpr ListColumn kLimitColumns[] = {
    groupColumn(),
    {.title = "Limit, kB/day", .numeric = true, .text = cells::field<2>},
    {.title = "Comments", .text = cells::field<3>},
};
constexpr ListColumn kSpeedColumns[] = {
    groupColumn(),
    {.title = "Speed, B/min", .numeric = true, .text = cells::field<2>},
    {.title = "Comments", .text = cells::field<3>},
};

constexpr ListDescriptor kLimits{
    .objectName = "LLimit",
    .columns = kLimitColumns,
    .source = RowSource::GroupLine,
    .singleLines = kLimitLine,
    .dialog = {.create = TFSpeed::createForLimit, .valueCount = 2},
    .noun = QT_TRANSLATE_NOOP("ListViews", "traffic limit"),
};

constexpr ListDescriptor kSpeeds{
    .objectName = "LSpeed",
    .columns = kSpeedColumns,
    .source = RowSource::GroupLine,
    .singleLines = kSpeedLine,
    .dialog = {.create = TFSpeed::createForSpeed, .valueCount = 2},
    .noun = QT_TRANSLATE_NOOP("ListViews", "speed limit"),
};

// ---- LPortA

constexpr ListColumn kPortAccessColumns[] = {
    groupColumn(),
    {.title = "Port", .sizing = Fixed, .width = 120, .numeric = true, .text = cells::field<2>},
    {.title = "Comments", .text = cells::field<3>},
};

constexpr ListDescriptor kPortAccess{
    .objectName = "LPortA",
    .columns = kPortAccessColumns,
    .source = RowSource::GroupLines,
    .lines = &TProxyUsers::PortAccessRules,
    .dialog = {.create = TFPortA::create, .valueCount = 2},
    .noun = QT_TRANSLATE_NOOP("ListViews", "allowed port rule"),
};

// ---- LPortB

constexpr ListColumn kPortBlockColumns[] = {
    groupColumn(),
    {.title = "Start Port", .sizing = Fixed, .width = 60, .numeric = true, .text = cells::field<2>},
    {.title = "End Port", .sizing = Fixed, .width = 60, .numeric = true, .text = cells::field<3>},
    {.title = "Comments", .text = cells::field<4>},
};

constexpr ListDescriptor kPortBlocks{
    .objectName = "LPortB",
    .columns = kPortBlockColumns,
    .source = RowSource::GroupLines,
    .lines = &TProxyUsers::PortBlockRules,
    .dialog = {.create = TFPortB::create, .valueCount = 3},
    .noun = QT_TRANSLATE_NOOP("ListViews", "blocked port rule"),
};

// ---- LTime

// The day's name, or the field as it stands when it holds no day number (a line written by hand).
std::string_view dayCell(const RowLine& row, std::string&) {
    const std::string_view field = ruleField(row.line, 2);
    if (const std::optional<int> number = dayNumber(field))
        return DayNames[static_cast<std::size_t>(*number)];
    return field;
}

constexpr ListColumn kTimeColumns[] = {
    groupColumn(),
    {.title = "Day", .sizing = Fixed, .width = 70, .text = dayCell},
    {.title = "Begin", .sizing = Fixed, .width = 40, .numeric = true, .text = cells::field<3>},
    {.title = "End", .sizing = Fixed, .width = 40, .numeric = true, .text = cells::field<4>},
    {.title = "Comments", .text = cells::field<5>},
};

constexpr ListDescriptor kTimes{
    .objectName = "LTime",
    .columns = kTimeColumns,
    .source = RowSource::GroupLines,
    .lines = &TProxyUsers::TimeRules,
    .dialog = {.create = TFTime::create, .valueCount = 4},
    .noun = QT_TRANSLATE_NOOP("ListViews", "time rule"),
};

// ---- LAuth

// The login shows the row's type: image 10 for input, 11 for output.
int authImage(const RowLine& row) {
    return row.type == 0 ? mainimage::kInputLogin : mainimage::kOutputLogin;
}

// A password is not shown in the list (anyone may be looking at the screen), nor its length: a set one shows as
// eight bullets (Windows-1251 0x95). The filter does not find it either.
std::string_view maskedPassword(const RowLine& row, std::string&) {
    return ruleField(row.line, 3).empty() ? std::string_view() : std::string_view("\x95\x95\x95\x95\x95\x95\x95\x95");
}

constexpr ListColumn kAuthColumns[] = {
    groupColumn(),
    {.title = "Login", .text = cells::field<2>, .image = authImage},
    {.title = "Password", .text = maskedPassword},
    {.title = "Comments", .text = cells::field<4>},
};

// By type: 0 input ("IA"), 1 output ("OA").
constexpr std::string TProxyUsers::*kAuthLines[] = {&TProxyUsers::InputAuthRule, &TProxyUsers::OutputAuthRule};

constexpr ListDescriptor kAuthorization{
    .objectName = "LAuth",
    .columns = kAuthColumns,
    .source = RowSource::GroupLine,
    .singleLines = kAuthLines,
    .dialog = {.create = TFAuth::create, .valueCount = 3},
    .noun = QT_TRANSLATE_NOOP("ListViews", "authorization rule"),
};

constexpr const ListDescriptor* kAll[] = {&kGroups, &kNetworks,   &kHosts,      &kUrls,  &kWords,        &kLimits,
                                          &kSpeeds, &kPortBlocks, &kPortAccess, &kTimes, &kAuthorization};

} // namespace

std::string_view listedGroupName(std::string_view groupLine) {
    const std::string_view name = TrimField(ruleField(groupLine, 2));
    return name.empty() ? std::string_view("noname") : name;
}

const ListDescriptor& groups() {
    return kGroups;
}
const ListDescriptor& networks() {
    return kNetworks;
}
const ListDescriptor& hosts() {
    return kHosts;
}
const ListDescriptor& urls() {
    return kUrls;
}
const ListDescriptor& words() {
    return kWords;
}
const ListDescriptor& limits() {
    return kLimits;
}
const ListDescriptor& speeds() {
    return kSpeeds;
}
const ListDescriptor& portAccess() {
    return kPortAccess;
}
const ListDescriptor& portBlocks() {
    return kPortBlocks;
}
const ListDescriptor& times() {
    return kTimes;
}
const ListDescriptor& authorization() {
    return kAuthorization;
}

std::span<const ListDescriptor* const> all() {
    return kAll;
}

} // namespace accesslists
