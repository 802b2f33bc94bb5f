#include "cacheskip/CacheSkipEditor.h"

#include "access/RuleRows.h"
#include "app/Images.h"
#include "app/Text.h"
#include "cacheskip/Cacheskip.h"
#include "common/Cp1251.h"
#include "rules/Strings.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTreeWidget>
#include <algorithm>
#include <array>

namespace {

struct SkipKind {
    const char* tag;
    const char* shown;
};
// In the order of the dialog's items; the image index is the item index.
constexpr std::array<SkipKind, 3> kKinds = {{{"SD", "Cache Denied"}, {"SA", "Cache Access"}, {"BR", "Code Blocking"}}};

int kindIndexOfTag(const std::string& tag) {
    if (tag == "SA")
        return 1;
    if (tag == "SD")
        return 0;
    return 2;
}

std::string lineOfDialog(const TFCacheSkip& dialog) {
    const int index = dialog.Combo->currentIndex();
    TUnStructString builder(":");
    builder.Add(kKinds[index == 0 || index == 1 ? static_cast<std::size_t>(index) : 2].tag);
    builder.Add(toFileBytes(dialog.url->text()).value_or(std::string()));
    builder.Add(toFileBytes(dialog.comment->text()).value_or(std::string()));
    return builder.Join();
}

} // namespace

QTreeWidget* CacheSkipEditor::list() const { return window_->findChild<QTreeWidget*>(QStringLiteral("CacheSkipRules")); }

void CacheSkipEditor::showRow(QTreeWidgetItem* row, const std::string& line) const {
    const TStructString fields(line, ":");
    const int kind = kindIndexOfTag(fields.Field(0));
    row->setText(0, QString::fromLatin1(kKinds[static_cast<std::size_t>(kind)].shown));
    row->setIcon(0, listImage(ImageList::CacheSkipImage, kind));
    row->setText(1, fromFileBytes(fields.Field(1)));
    row->setText(2, fromFileBytes(fields.Field(2)));
}

QTreeWidgetItem* CacheSkipEditor::makeRow(const std::string& line) const {
    auto* row = new QTreeWidgetItem;
    showRow(row, line);
    return row;
}

void CacheSkipEditor::copyToMemo() const {
    auto* memo = window_->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
    if (!memo)
        return;
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(lines_.size()));
    for (const std::string& line : lines_)
        texts << fromFileBytes(line);
    memo->setPlainText(texts.join(QLatin1Char('\n')));
}

void CacheSkipEditor::fill() {
    QList<QTreeWidgetItem*> rows;
    rows.reserve(static_cast<qsizetype>(lines_.size()));
    for (const std::string& line : lines_)
        rows << makeRow(line);
    rulerows::appendRows(list(), rows);
}

void CacheSkipEditor::add() {
    TFCacheSkip dialog(window_);
    dialog.Box1->setTitle(QStringLiteral(" Add Skip Cache rules "));
    dialog.Combo->setCurrentIndex(0);
    dialog.Changed = false;
    if (dialog.exec() != QDialog::Accepted || !dialog.Changed)
        return;
    lines_.push_back(lineOfDialog(dialog));
    copyToMemo();
    list()->addTopLevelItem(makeRow(lines_.back()));
}

void CacheSkipEditor::edit() {
    QTreeWidgetItem* row = rulerows::selectedRow(list());
    if (!row)
        return;
    const auto index = static_cast<std::size_t>(list()->indexOfTopLevelItem(row));
    TFCacheSkip dialog(window_);
    dialog.Box1->setTitle(QStringLiteral(" Edit Skip Cache rules "));
    const TStructString fields(lines_.at(index), ":");
    dialog.Combo->setCurrentIndex(kindIndexOfTag(fields.Field(0)));
    dialog.url->setText(fromFileBytes(fields.Field(1)));
    dialog.comment->setText(fromFileBytes(fields.Field(2)));
    dialog.Changed = false;
    if (dialog.exec() != QDialog::Accepted || !dialog.Changed)
        return;
    lines_[index] = lineOfDialog(dialog);
    copyToMemo();
    showRow(row, lines_[index]);
}

void CacheSkipEditor::remove() {
    QTreeWidget* rules = list();
    QTreeWidgetItem* row = rulerows::selectedRow(rules);
    if (!row)
        return;
    const int index = rules->indexOfTopLevelItem(row);
    lines_.erase(lines_.begin() + index);
    delete rules->takeTopLevelItem(index);
}

void CacheSkipEditor::sort() {
    std::vector<std::pair<std::string, std::string>> keyed;
    keyed.reserve(lines_.size());
    for (std::string& line : lines_)
        keyed.emplace_back(cp1251::foldCase(line), std::move(line));
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 0; i < keyed.size(); ++i)
        lines_[i] = std::move(keyed[i].second);
    list()->clear();
    fill();
}
