#include "access/AccessKinds.h"

#include "access/Groupname.h"
#include "access/Net.h"
#include "base/RuleRows.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidgetItem>

namespace accesskinds {
namespace {

// A row shows the caption (group) and then the values, one per column.
RuleRecord recordOfColumns(const QString& tag, const QTreeWidgetItem& row, int valueCount) {
    RuleRecord record{tag, {}};
    for (int i = 1; i <= valueCount; ++i)
        record.values << row.text(i);
    return record;
}

// A single address has the mask 255.255.255.255 (blanks around it do not count).
int networkImage(const QString& mask) {
    return mask.trimmed() == QLatin1String("255.255.255.255") ? 1 : 0;
}

template <typename Dialog> Dialog& as(TRuleDialog& dialog) {
    return static_cast<Dialog&>(dialog);
}

ListRuleKind makeNetworks() {
    ListRuleKind kind;
    kind.listName = QStringLiteral("LNetwork");
    kind.lines = &TProxyUsers::NetworkRules;
    kind.valueCount = 3;
    kind.createsMissingGroup = true;
    kind.createDialog = [](QWidget* parent, EditorAction action) -> std::unique_ptr<TRuleDialog> {
        auto dialog = std::make_unique<TFNet>(parent);
        if (action == EditorAction::Edit)
            dialog->Box1->setTitle(QStringLiteral("Edit IP Address in Group "));
        return dialog;
    };
    kind.dialog.groupField = [](TRuleDialog& d) {
        return as<TFNet>(d).groupID;
    };
    kind.dialog.record = [](TRuleDialog& d) {
        auto& net = as<TFNet>(d);
        return RuleRecord{QStringLiteral("GD"), {net.ip->text(), net.mask->text(), net.comment->text()}};
    };
    kind.dialog.setRecord = [](TRuleDialog& d, const RuleRecord& record) {
        auto& net = as<TFNet>(d);
        net.ip->setText(record.values.value(0));
        net.mask->setText(record.values.value(1));
        net.comment->setText(record.values.value(2));
    };
    kind.rowFor = [](const RuleRecord& record) {
        return RuleRowContent{record.values, networkImage(record.values.value(1))};
    };
    kind.recordOfRow = [](const QTreeWidgetItem& row) {
        return recordOfColumns(QStringLiteral("GD"), row, 3);
    };
    return kind;
}

ListRuleKind makeHosts() {
    ListRuleKind kind;
    kind.listName = QStringLiteral("LHost");
    kind.lines = &TProxyUsers::HostRules;
    kind.valueCount = 2;
    kind.createsMissingGroup = true;
    kind.createDialog = [](QWidget* parent, EditorAction action) -> std::unique_ptr<TRuleDialog> {
        auto dialog = std::make_unique<TFGroupName>(parent);
        const bool edit = action == EditorAction::Edit;
        dialog->setWindowTitle(edit ? QStringLiteral("Edit Host") : QStringLiteral("Add Host"));
        dialog->Box1->setTitle(edit ? QStringLiteral(" Edit Host in Group ") : QStringLiteral(" Add Host in Group "));
        dialog->Label2->setText(QStringLiteral("Host Name :"));
        return dialog;
    };
    kind.dialog.groupField = [](TRuleDialog& d) {
        return as<TFGroupName>(d).groupID;
    };
    kind.dialog.record = [](TRuleDialog& d) {
        auto& host = as<TFGroupName>(d);
        return RuleRecord{QStringLiteral("CD"), {host.name->text(), host.comment->text()}};
    };
    kind.dialog.setRecord = [](TRuleDialog& d, const RuleRecord& record) {
        auto& host = as<TFGroupName>(d);
        host.name->setText(record.values.value(0));
        host.comment->setText(record.values.value(1));
    };
    kind.rowFor = [](const RuleRecord& record) {
        return RuleRowContent{record.values, 1};
    };
    kind.recordOfRow = [](const QTreeWidgetItem& row) {
        return recordOfColumns(QStringLiteral("CD"), row, 2);
    };
    return kind;
}

} // namespace

const ListRuleKind& networks() {
    static const ListRuleKind kind = makeNetworks();
    return kind;
}

const ListRuleKind& hosts() {
    static const ListRuleKind kind = makeHosts();
    return kind;
}

} // namespace accesskinds
