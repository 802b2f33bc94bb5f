#include "access/AccessLists.h"

#include "access/AuthorizationDialog.h"
#include "access/GroupNameDialog.h"
#include "access/NetworkDialog.h"
#include "access/PortAccessDialog.h"
#include "access/PortBlockDialog.h"
#include "access/SpeedDialog.h"
#include "access/TimeDialog.h"
#include "access/UrlDialog.h"
#include "widgets/Advspin.h"

#include <QComboBox>
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
    {.title = "Comments", .sizing = Fixed, .width = 61, .text = cells::field<3>},
};

constexpr ListDescriptor kUrls{
    .objectName = "LUrl",
    .columns = kUrlColumns,
    .source = RowSource::GroupLines,
    .lines = &TProxyUsers::UrlRules,
    .dialog = {.create = [](QWidget* parent, EditorAction action) -> std::unique_ptr<TRuleDialog> {
                   auto dialog = std::make_unique<TFUrl>(parent);
                   if (action == EditorAction::Edit)
                       dialog->Box1->setTitle(QStringLiteral(" Edit Url Rules "));
                   return dialog;
               },
               .groupField = [](TRuleDialog& d) { return as<TFUrl>(d).groupID; },
               .record =
                   [](TRuleDialog& d) {
                       // No entry chosen counts as denied.
                       auto& url = as<TFUrl>(d);
                       const bool access = url.Combo->currentIndex() == TFUrl::kAccess;
                       return RuleRecord{access ? QStringLiteral("PA") : QStringLiteral("PD"),
                                         {url.url->text(), url.comment->text()}};
                   },
               .show =
                   [](TRuleDialog& d, const RuleRecord& record) {
                       auto& url = as<TFUrl>(d);
                       url.Combo->setCurrentIndex(record.tag == QLatin1String("PA") ? TFUrl::kAccess : TFUrl::kDenied);
                       url.url->setText(record.values.value(0));
                       url.comment->setText(record.values.value(1));
                   },
               .valueCount = 2},
    .handlers = {.dblClick = "LUrlDblClick",
                 .keyDown = "LUrlKeyDown",
                 .add = "AddUrlActionExecute",
                 .edit = "EditUrlActionExecute",
                 .remove = "DeleteUrlActionExecute"},
    .noun = "URL rule",
};

// ---- LWord

int wordImage(const RowLine&) {
    return mainimage::kWord;
}

constexpr ListColumn kWordColumns[] = {
    groupColumn(),
    {.title = "Word", .text = cells::field<2>, .image = wordImage},
    {.title = "Comments", .text = cells::field<3>},
};

constexpr ListDescriptor kWords{
    .objectName = "LWord",
    .columns = kWordColumns,
    .source = RowSource::GroupLines,
    .lines = &TProxyUsers::WordRules,
    .dialog = {.create = [](QWidget* parent, EditorAction action) -> std::unique_ptr<TRuleDialog> {
                   auto dialog = std::make_unique<TFGroupName>(parent);
                   const bool edit = action == EditorAction::Edit;
                   dialog->setWindowTitle(edit ? QStringLiteral("Edit Word") : QStringLiteral("Add Word"));
                   dialog->Box1->setTitle(edit ? QStringLiteral(" Edit Blocking Word ")
                                               : QStringLiteral(" Add Blocking Word "));
                   dialog->Label2->setText(QStringLiteral("Word :"));
                   return dialog;
               },
               .groupField = [](TRuleDialog& d) { return as<TFGroupName>(d).groupID; },
               .record =
                   [](TRuleDialog& d) {
                       auto& word = as<TFGroupName>(d);
                       return RuleRecord{QStringLiteral("BW"), {word.name->text(), word.comment->text()}};
                   },
               .show =
                   [](TRuleDialog& d, const RuleRecord& record) {
                       auto& word = as<TFGroupName>(d);
                       word.name->setText(record.values.value(0));
                       word.comment->setText(record.values.value(1));
                   },
               .valueCount = 2},
    .handlers = {.dblClick = "LWordDblClick",
                 .keyDown = "LWordKeyDown",
                 .add = "AddWordActionExecute",
                 .edit = "EditWordActionExecute",
                 .remove = "DeleteWordActionExecute"},
    .noun = "word rule",
};

// ---- LLimit and LSpeed: one line per group, both edited with TFSpeed

std::unique_ptr<TRuleDialog> limitDialog(QWidget* parent, EditorAction action) {
    auto dialog = std::make_unique<TFSpeed>(parent);
    dialog->setWindowTitle(QStringLiteral("Limit Rules"));
    dialog->Box1->setTitle(action == EditorAction::Edit ? QStringLiteral(" Edit Limit Traffic Rules ")
                                                        : QStringLiteral(" Add Limit Traffic Rules "));
    dialog->Label2->setText(QStringLiteral("Limit, kB/day :"));
    return dialog;
}

std::unique_ptr<TRuleDialog> speedDialog(QWidget* parent, EditorAction action) {
    auto dialog = std::make_unique<TFSpeed>(parent);
    if (action == EditorAction::Edit)
        dialog->Box1->setTitle(QStringLiteral(" Edit Speed Rules "));
    return dialog;
}

template <const char* tag> RuleRecord speedRecord(TRuleDialog& d) {
    auto& speed = as<TFSpeed>(d);
    return RuleRecord{QLatin1String(tag), {speed.speed->text(), speed.comment->text()}};
}

void showSpeed(TRuleDialog& d, const RuleRecord& record) {
    auto& speed = as<TFSpeed>(d);
    speed.speed->setText(record.values.value(0));
    speed.comment->setText(record.values.value(1));
}

TAdvSpinEdit* speedGroup(TRuleDialog& d) {
    return as<TFSpeed>(d).groupID;
}

constexpr char kLimitTag[] = "TL";
constexpr char kSpeedTag[] = "RL";
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
    .dialog = {.create = limitDialog,
               .groupField = speedGroup,
               .record = speedRecord<kLimitTag>,
               .show = showSpeed,
               .valueCount = 2},
    .handlers = {.dblClick = "LLimitDblClick",
                 .keyDown = "LLimitKeyDown",
                 .add = "AddLimitActionExecute",
                 .edit = "EditLimitActionExecute",
                 .remove = "DeleteLimitActionExecute"},
    .noun = "traffic limit",
};

constexpr ListDescriptor kSpeeds{
    .objectName = "LSpeed",
    .columns = kSpeedColumns,
    .source = RowSource::GroupLine,
    .singleLines = kSpeedLine,
    .dialog = {.create = speedDialog,
               .groupField = speedGroup,
               .record = speedRecord<kSpeedTag>,
               .show = showSpeed,
               .valueCount = 2},
    .handlers = {.dblClick = "LSpeedDblClick",
                 .keyDown = "LSpeedKeyDown",
                 .add = "AddSpeedActionExecute",
                 .edit = "EditSpeedActionExecute",
                 .remove = "DeleteSpeedActionExecute"},
    .noun = "speed limit",
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
    .dialog = {.create = [](QWidget* parent, EditorAction action) -> std::unique_ptr<TRuleDialog> {
                   auto dialog = std::make_unique<TFPortA>(parent);
                   if (action == EditorAction::Edit)
                       dialog->Box1->setTitle(QStringLiteral(" Edit Port Access Rules "));
                   return dialog;
               },
               .groupField = [](TRuleDialog& d) { return as<TFPortA>(d).groupID; },
               .record =
                   [](TRuleDialog& d) {
                       auto& port = as<TFPortA>(d);
                       return RuleRecord{QStringLiteral("RP"), {port.port->text(), port.comment->text()}};
                   },
               .show =
                   [](TRuleDialog& d, const RuleRecord& record) {
                       auto& port = as<TFPortA>(d);
                       port.port->setText(record.values.value(0));
                       port.comment->setText(record.values.value(1));
                   },
               .valueCount = 2},
    .handlers = {.dblClick = "LPortADblClick",
                 .keyDown = "LPortAKeyDown",
                 .add = "AddPortAActionExecute",
                 .edit = "EditPortAActionExecute",
                 .remove = "DeletePortAActionExecute"},
    .noun = "allowed port rule",
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
    .dialog = {.create = [](QWidget* parent, EditorAction action) -> std::unique_ptr<TRuleDialog> {
                   auto dialog = std::make_unique<TFPortB>(parent);
                   if (action == EditorAction::Edit)
                       dialog->Box1->setTitle(QStringLiteral(" Edit Port Blocking Rules "));
                   return dialog;
               },
               .groupField = [](TRuleDialog& d) { return as<TFPortB>(d).groupID; },
               .record =
                   [](TRuleDialog& d) {
                       auto& ports = as<TFPortB>(d);
                       return RuleRecord{QStringLiteral("BP"),
                                         {ports.portStart->text(), ports.portEnd->text(), ports.comment->text()}};
                   },
               .show =
                   [](TRuleDialog& d, const RuleRecord& record) {
                       // The start first: it sets the end's minimum, and the end then shows the line's value.
                       auto& ports = as<TFPortB>(d);
                       ports.portStart->setText(record.values.value(0));
                       ports.portEnd->setText(record.values.value(1));
                       ports.comment->setText(record.values.value(2));
                   },
               .valueCount = 3},
    .handlers = {.dblClick = "LPortBDblClick",
                 .keyDown = "LPortBKeyDown",
                 .add = "AddPortBActionExecute",
                 .edit = "EditPortBActionExecute",
                 .remove = "DeletePortBActionExecute"},
    .noun = "blocked port rule",
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
    .dialog = {.create = [](QWidget* parent, EditorAction action) -> std::unique_ptr<TRuleDialog> {
                   auto dialog = std::make_unique<TFTime>(parent);
                   if (action == EditorAction::Edit)
                       dialog->Box1->setTitle(QStringLiteral(" Edit Access Time "));
                   return dialog;
               },
               .groupField = [](TRuleDialog& d) { return as<TFTime>(d).groupID; },
               .record =
                   [](TRuleDialog& d) {
                       auto& time = as<TFTime>(d);
                       // The day is what the field's text names (the dialog accepts no other text), wherever
                       // the user has moved its entry in the list.
                       return RuleRecord{QStringLiteral("WT"),
                                         {QString::number(time.dayIndex()), time.begin->text(), time.end->text(),
                                          time.comment->text()}};
                   },
               .show =
                   [](TRuleDialog& d, const RuleRecord& record) {
                       auto& time = as<TFTime>(d);
                       time.showDay(record.values.value(0));
                       time.begin->setText(record.values.value(1)); // beginChange raises the end's minimum
                       time.end->setText(record.values.value(2));
                       time.comment->setText(record.values.value(3));
                   },
               .valueCount = 4},
    .handlers = {.dblClick = "LTimeDblClick",
                 .keyDown = "LTimeKeyDown",
                 .add = "AddTimeActionExecute",
                 .edit = "EditTimeActionExecute",
                 .remove = "DeleteTimeActionExecute"},
    .noun = "time rule",
};

// ---- LAuth

// The login shows the row's type: image 10 for input, 11 for output.
int authImage(const RowLine& row) {
    return row.type == 0 ? mainimage::kInputLogin : mainimage::kOutputLogin;
}

constexpr ListColumn kAuthColumns[] = {
    groupColumn(),
    {.title = "Login", .text = cells::field<2>, .image = authImage},
    {.title = "Password", .text = cells::field<3>},
    {.title = "Comments", .text = cells::field<4>},
};

// By type: 0 input ("IA"), 1 output ("OA").
constexpr std::string TProxyUsers::*kAuthLines[] = {&TProxyUsers::InputAuthRule, &TProxyUsers::OutputAuthRule};

constexpr ListDescriptor kAuthorization{
    .objectName = "LAuth",
    .columns = kAuthColumns,
    .source = RowSource::GroupLine,
    .singleLines = kAuthLines,
    .dialog = {.create = [](QWidget* parent, EditorAction action) -> std::unique_ptr<TRuleDialog> {
                   auto dialog = std::make_unique<TFAuth>(parent);
                   if (action == EditorAction::Edit)
                       dialog->Box1->setTitle(QStringLiteral(" Edit Authorization Rules "));
                   return dialog;
               },
               .groupField = [](TRuleDialog& d) { return as<TFAuth>(d).groupID; },
               .record =
                   [](TRuleDialog& d) {
                       auto& auth = as<TFAuth>(d);
                       return RuleRecord{auth.authType() == 0 ? QStringLiteral("IA") : QStringLiteral("OA"),
                                         {auth.login->text(), auth.passw->text(), auth.comment->text()}};
                   },
               .show =
                   [](TRuleDialog& d, const RuleRecord& record) {
                       auto& auth = as<TFAuth>(d);
                       auth.login->setText(record.values.value(0));
                       auth.passw->setText(record.values.value(1));
                       auth.comment->setText(record.values.value(2));
                   },
               .valueCount = 3,
               .type = [](TRuleDialog& d) { return as<TFAuth>(d).authType(); },
               .showType =
                   [](TRuleDialog& d, int type) {
                       as<TFAuth>(d).Combo->setCurrentIndex(type);
                   }},
    .handlers = {.dblClick = "LAuthDblClick",
                 .keyDown = "LAuthKeyDown",
                 .add = "AddAuthActionExecute",
                 .edit = "EditAuthActionExecute",
                 .remove = "DeleteAuthActionExecute"},
    .noun = "authorization rule",
};

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
