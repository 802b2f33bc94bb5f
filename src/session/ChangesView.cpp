#include "session/ChangesView.h"

#include "base/Text.h"
#include "ui_ChangesView.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QHeaderView>
#include <QPalette>
#include <algorithm>

namespace {

// a's colour with share of b's mixed in.
QColor mixed(const QColor& a, const QColor& b, double share) {
    return QColor::fromRgbF(static_cast<float>(a.redF() * (1 - share) + b.redF() * share),
                            static_cast<float>(a.greenF() * (1 - share) + b.greenF() * share),
                            static_cast<float>(a.blueF() * (1 - share) + b.blueF() * share));
}

// Enough of the tint to be seen on a light base and on a dark one, little enough that the palette's text colour
// stays readable on it.
constexpr double kTint = 0.28;

QString counts(const textdiff::DiffCounts& counts) {
    return QStringLiteral("+%1 -%2").arg(counts.added).arg(counts.removed);
}

} // namespace

// ---------------------------------------------------------------------------------------------------------------
// DiffLinesModel

DiffLinesModel::DiffLinesModel(QObject* parent) : QAbstractTableModel(parent) {}

void DiffLinesModel::setDiff(const textdiff::FileDiff* diff) {
    beginResetModel();
    rows_.clear();
    if (diff) {
        for (const textdiff::Hunk& hunk : diff->hunks) {
            rows_.push_back({RowKind::HunkHeader, &hunk, nullptr, 0, 0});
            std::size_t older = hunk.olderStart;
            std::size_t newer = hunk.newerStart;
            for (const textdiff::DiffLine& line : hunk.lines) {
                const bool onOlder = line.change != textdiff::LineChange::Added;
                const bool onNewer = line.change != textdiff::LineChange::Removed;
                rows_.push_back({RowKind::Line, &hunk, &line, onOlder ? older++ : 0, onNewer ? newer++ : 0});
                if (textdiff::lacksLineEnd(line))
                    rows_.push_back({RowKind::NoLineEnd, &hunk, &line, 0, 0});
            }
        }
    }
    endResetModel();
}

int DiffLinesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int DiffLinesModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString DiffLinesModel::text(const Row& row) const {
    switch (row.kind) {
    case RowKind::HunkHeader:
        return QStringLiteral("@@ -%1,%2 +%3,%4 @@")
            .arg(row.hunk->olderStart)
            .arg(row.hunk->olderCount)
            .arg(row.hunk->newerStart)
            .arg(row.hunk->newerCount);
    case RowKind::NoLineEnd:
        return tr("\\ No newline at end of file");
    case RowKind::Line:
        break;
    }
    const std::string_view bytes = textdiff::lineText(*row.line);
    QString shown = QChar(static_cast<char16_t>(row.line->change));
    if (bytes.size() <= static_cast<std::size_t>(kShownCharacters))
        return shown + fromFileBytes(bytes);
    // Shortened on screen only: drawing a line of megabytes would hold the window.
    return shown + fromFileBytes(bytes.substr(0, kShownCharacters - 1)) + QChar(0x2026);
}

QVariant DiffLinesModel::background(const Row& row) const {
    const QPalette palette = QGuiApplication::palette();
    if (row.kind == RowKind::HunkHeader)
        return palette.color(QPalette::AlternateBase);
    if (row.kind != RowKind::Line || row.line->change == textdiff::LineChange::Same)
        return {};
    const bool added = row.line->change == textdiff::LineChange::Added;
    return mixed(palette.color(QPalette::Base), added ? QColor(0, 190, 0) : QColor(230, 0, 0), kTint);
}

QVariant DiffLinesModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Row& row = rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        if (index.column() == OlderLine)
            return row.olderNumber ? QVariant(static_cast<qulonglong>(row.olderNumber)) : QVariant();
        if (index.column() == NewerLine)
            return row.newerNumber ? QVariant(static_cast<qulonglong>(row.newerNumber)) : QVariant();
        return text(row);
    case Qt::BackgroundRole:
        return background(row);
    case Qt::ForegroundRole:
        if (row.kind != RowKind::Line)
            return QGuiApplication::palette().color(QPalette::PlaceholderText);
        return {};
    case Qt::TextAlignmentRole:
        if (index.column() != Text)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
}

QVariant DiffLinesModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case OlderLine:
        return tr("Old");
    case NewerLine:
        return tr("New");
    default:
        return tr("Line");
    }
}

// ---------------------------------------------------------------------------------------------------------------
// ChangesView

ChangesView::ChangesView(QWidget* parent)
    : QWidget(parent), ui_(new Ui::ChangesView), lines_(new DiffLinesModel(this)) {
    ui_->setupUi(this);
    ui_->DiffLines->setModel(lines_);
    ui_->DiffLines->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // Rows of one height and number columns of a fixed width: a diff of 100,000 lines shows at once.
    QHeaderView* rows = ui_->DiffLines->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(ui_->DiffLines->fontMetrics().height() + 2);
    QHeaderView* columns = ui_->DiffLines->horizontalHeader();
    const int numberWidth = ui_->DiffLines->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 8;
    for (int column : {DiffLinesModel::OlderLine, DiffLinesModel::NewerLine}) {
        columns->setSectionResizeMode(column, QHeaderView::Fixed);
        columns->resizeSection(column, numberWidth);
    }
    ui_->ChangesSplitter->setStretchFactor(0, 0);
    ui_->ChangesSplitter->setStretchFactor(1, 1);
    ui_->ChangesSplitter->setSizes({190, 600});
    connect(ui_->ChangedFiles, &QListWidget::currentRowChanged, this, &ChangesView::showFile);
}

ChangesView::~ChangesView() = default;

QString ChangesView::describe(const history::FileChange& file) {
    const std::string& shownName = file.newerName.empty() ? file.olderName : file.newerName;
    QString name = fromFileBytes(shownName);
    if (!file.olderName.empty() && !file.newerName.empty() && file.olderName != file.newerName)
        name = fromFileBytes(file.olderName) + QStringLiteral(" \u2192 ") + name;
    QString state;
    if (file.diff.counts.same())
        state = tr("unchanged");
    else if (file.olderName.empty())
        state = tr("new");
    else if (file.newerName.empty())
        state = tr("deleted");
    const QString change = counts(file.diff.counts);
    return state.isEmpty() ? QStringLiteral("%1  %2").arg(name, change)
                           : QStringLiteral("%1  %2 (%3)").arg(name, change, state);
}

QString ChangesView::summary() const {
    return ui_->ChangesSummary->text();
}

void ChangesView::setChanges(std::vector<history::FileChange> files, const QString& emptyText) {
    lines_->setDiff(nullptr);
    ui_->ChangedFiles->clear();
    files_ = std::move(files);
    textdiff::DiffCounts all;
    std::size_t changed = 0;
    for (const history::FileChange& file : files_) {
        ui_->ChangedFiles->addItem(describe(file));
        all.added += file.diff.counts.added;
        all.removed += file.diff.counts.removed;
        changed += file.diff.counts.same() ? 0 : 1;
    }
    ui_->ChangesSummary->setText(changed == 0 ? emptyText
                                              : tr("Files changed: %1, lines %2").arg(changed).arg(counts(all)));
    // The first file that changes is shown.
    const auto first = std::find_if(files_.begin(), files_.end(),
                                    [](const history::FileChange& file) { return !file.diff.counts.same(); });
    if (!files_.empty())
        ui_->ChangedFiles->setCurrentRow(static_cast<int>(first == files_.end() ? 0 : first - files_.begin()));
}

void ChangesView::showFile(int index) {
    lines_->setDiff(index >= 0 && static_cast<std::size_t>(index) < files_.size()
                        ? &files_[static_cast<std::size_t>(index)].diff
                        : nullptr);
}
