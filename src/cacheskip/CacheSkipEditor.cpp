#include "cacheskip/CacheSkipEditor.h"

#include "base/Images.h"
#include "base/ListModels.h"
#include "base/ListViews.h"
#include "base/Text.h"
#include "base/TextOrder.h"
#include "cacheskip/CacheSkipDialog.h"
#include "common/Error.h"
#include "rules/Strings.h"

#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <algorithm>
#include <array>
#include <numeric>
#include <optional>

namespace {

struct SkipKind {
    const char* tag;
    const char* shown;
};
// In the order of the dialog's items; the image index is the item index.
constexpr std::array<SkipKind, 3> kKinds = {{{"SD", "Cache Denied"}, {"SA", "Cache Access"}, {"BR", "Code Blocking"}}};

int kindIndexOfTag(std::string_view tag) {
    if (tag == "SA")
        return 1;
    if (tag == "SD")
        return 0;
    return 2;
}

int kindOf(const RowLine& row) {
    return kindIndexOfTag(TrimField(ruleField(row.line, 0)));
}

std::string_view kindText(const RowLine& row, std::string&) {
    return kKinds[static_cast<std::size_t>(kindOf(row))].shown;
}

// The row shows the line's fields trimmed; the line keeps them as read or typed.
constexpr ListColumn kColumns[] = {
    {.title = "Cached",
     .sizing = ColumnSizing::Fixed,
     .width = 95,
     .text = kindText,
     .image = kindOf,
     .minimumWidth = 30},
    {.title = "URL / Code", .sizing = ColumnSizing::Stretch, .text = cells::trimmedField<1>},
    // The comment keeps its width: the URL takes the room the window has.
    {.title = "Comments", .sizing = ColumnSizing::Interactive, .width = 120, .text = cells::trimmedField<2>},
};

constexpr ListDescriptor kList{
    .objectName = "CacheSkipRules",
    .columns = kColumns,
    .images = ImageList::CacheSkipImage,
    .source = RowSource::CacheSkipLines,
    .noun = "cache-skip rule",
};

std::string lineOfDialog(const TFCacheSkip& dialog) {
    const int index = dialog.Combo->currentIndex();
    TUnStructString builder(":");
    builder.Add(kKinds[index == 0 || index == 1 ? static_cast<std::size_t>(index) : 2].tag);
    builder.Add(toFileBytes(dialog.url->text()).value_or(std::string()));
    builder.Add(toFileBytes(dialog.comment->text()).value_or(std::string()));
    return builder.Join();
}

} // namespace

// Memo1, on the hidden page "Test", shows a copy of the rule lines as they stood after the last add or edit.
// Putting tens of thousands of lines into a text control takes a visible pause, so the copy is taken at once but
// reaches the memo when the memo is shown (at once when it is visible already).
class MemoCopy : public QObject {
public:
    explicit MemoCopy(QPlainTextEdit* memo) : memo_(memo) {
        if (memo_)
            memo_->installEventFilter(this);
    }

    void set(const std::vector<std::string>& lines) {
        if (!memo_)
            return;
        pending_ = lines;
        if (memo_->isVisible())
            show();
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == memo_ && event->type() == QEvent::Show && pending_)
            show();
        return false;
    }

private:
    void show() {
        QStringList texts;
        texts.reserve(static_cast<qsizetype>(pending_->size()));
        for (const std::string& line : *pending_)
            texts << fromFileBytes(line);
        pending_.reset();
        memo_->setPlainText(texts.join(QLatin1Char('\n')));
    }

    QPlainTextEdit* memo_;
    std::optional<std::vector<std::string>> pending_;
};

CacheSkipEditor::CacheSkipEditor(QWidget* window, std::vector<std::string>& lines)
    : window_(window), lines_(lines),
      memo_(std::make_unique<MemoCopy>(window->findChild<QPlainTextEdit*>(QStringLiteral("Memo1")))) {}

CacheSkipEditor::~CacheSkipEditor() = default;

const ListDescriptor& CacheSkipEditor::list() {
    return kList;
}

FileLinesModel& CacheSkipEditor::modelOf(BoundList& list) const {
    auto* model = qobject_cast<FileLinesModel*>(list.model);
    if (!model)
        throw GlymError(std::string("The list view ") + list.descriptor->objectName + " shows no line list.");
    return *model;
}

void CacheSkipEditor::copyToMemo() const {
    memo_->set(lines_);
}

void CacheSkipEditor::fill(BoundList& list, const std::function<std::vector<std::string>()>& load) {
    modelOf(list).replacing([&] { lines_ = load(); });
}

void CacheSkipEditor::add(BoundList& list) {
    FileLinesModel& model = modelOf(list);
    TFCacheSkip dialog(window_);
    dialog.Box1->setTitle(QStringLiteral(" Add Skip Cache rules "));
    dialog.Combo->setCurrentIndex(0);
    dialog.Changed = false;
    if (dialog.exec() != QDialog::Accepted || !dialog.Changed)
        return;
    model.appendLine(lineOfDialog(dialog));
    copyToMemo();
}

void CacheSkipEditor::edit(BoundList& list) {
    FileLinesModel& model = modelOf(list);
    const auto row = list.selectedRow();
    if (!row)
        return;
    const auto index = static_cast<std::size_t>(*row);
    TFCacheSkip dialog(window_);
    dialog.Box1->setTitle(QStringLiteral(" Edit Skip Cache rules "));
    const TStructString fields(lines_.at(index), ":");
    dialog.Combo->setCurrentIndex(kindIndexOfTag(fields.Field(0)));
    dialog.url->setText(fromFileBytes(fields.Field(1)));
    dialog.comment->setText(fromFileBytes(fields.Field(2)));
    dialog.Changed = false;
    if (dialog.exec() != QDialog::Accepted || !dialog.Changed)
        return;
    model.replaceLine(*row, lineOfDialog(dialog));
    copyToMemo();
}

void CacheSkipEditor::remove(BoundList& list) {
    FileLinesModel& model = modelOf(list);
    const auto row = list.selectedRow();
    if (!row)
        return;
    model.removeLine(*row);
}

void CacheSkipEditor::sort(BoundList& list, Qt::SortOrder order) {
    textorder::TextKeys keys; // the order of every list's column sort
    keys.reserve(lines_.size());
    for (const std::string& line : lines_)
        keys.add(line);
    keys.finish();
    std::vector<int> rows(lines_.size());
    std::iota(rows.begin(), rows.end(), 0);
    // Reversed, lines of equal text still keep their order.
    std::stable_sort(rows.begin(), rows.end(), [&keys, order](int a, int b) {
        const auto x = static_cast<std::size_t>(a);
        const auto y = static_cast<std::size_t>(b);
        return (order == Qt::AscendingOrder ? keys.compare(x, y) : keys.compare(y, x)) < 0;
    });
    modelOf(list).reorder(std::move(rows));
}
