#include "session/DroppedLines.h"

#include "base/Text.h"
#include "ui_DroppedLines.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>

namespace {

const QString kNoteName = QStringLiteral("DroppedLinesNote");

// "3 lines of skip.txt and 1 line of access.txt will not be kept - details": files in the order they were read;
// a whole file's problem comes first, as it stands.
QString noteText(const std::vector<Finding>& findings) {
    QStringList files;
    QStringList lines;
    for (std::size_t first = 0; first < findings.size();) {
        if (findings[first].line == 0) {
            files << fromFileBytes(findings[first].file) + u' ' + fromFileBytes(findings[first].message);
            ++first;
            continue;
        }
        std::size_t last = first;
        while (last < findings.size() && findings[last].file == findings[first].file && findings[last].line != 0)
            ++last;
        const std::size_t count = last - first;
        lines << QStringLiteral("%1 %2 of %3")
                     .arg(count)
                     .arg(count == 1 ? QStringLiteral("line") : QStringLiteral("lines"))
                     .arg(fromFileBytes(findings[first].file));
        first = last;
    }
    if (!lines.isEmpty())
        files << (lines.size() == 1 ? lines.first()
                                    : lines.mid(0, lines.size() - 1).join(QStringLiteral(", ")) +
                                          QStringLiteral(" and ") + lines.last()) +
                     QStringLiteral(" will not be kept");
    return files.join(QStringLiteral("; ")) + QStringLiteral(" - details");
}

QString shownText(const std::string& bytes) {
    // A line of many megabytes would take the list minutes to draw; the start of it says enough.
    const auto limit = static_cast<std::size_t>(DroppedLinesDialog::kShownCharacters);
    if (bytes.size() <= limit)
        return fromFileBytes(bytes);
    return fromFileBytes(std::string_view(bytes).substr(0, limit)) + QChar(0x2026);
}

} // namespace

DroppedLinesDialog::DroppedLinesDialog(const std::vector<Finding>& findings, QWidget* parent)
    : QDialog(parent), ui_(new Ui::DroppedLinesDialog) {
    ui_->setupUi(this);
    connect(ui_->DroppedLinesButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    const std::size_t listed = std::min(findings.size(), kListedLines);
    if (listed < findings.size())
        ui_->DroppedLinesText->setText(
            ui_->DroppedLinesText->text() +
            DroppedLinesDialog::tr(" The first %1 of %2 lines are listed.").arg(listed).arg(findings.size()));
    QList<QTreeWidgetItem*> rows;
    rows.reserve(static_cast<qsizetype>(listed));
    for (std::size_t i = 0; i < listed; ++i) {
        const Finding& finding = findings[i];
        rows << new QTreeWidgetItem({fromFileBytes(finding.file),
                                     finding.line == 0 ? QString() : QString::number(finding.line),
                                     fromFileBytes(finding.message), shownText(finding.text)});
        rows.last()->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    }
    ui_->DroppedLinesList->addTopLevelItems(rows);
    for (int column = 0; column < 3; ++column)
        ui_->DroppedLinesList->resizeColumnToContents(column);
    if (!rows.isEmpty())
        ui_->DroppedLinesList->setCurrentItem(rows.first());
    ui_->DroppedLinesList->setFocus();
}

DroppedLinesDialog::~DroppedLinesDialog() = default;

void showDroppedLines(QStatusBar* statusBar, const std::vector<Finding>& findings) {
    auto lines = std::make_shared<const std::vector<Finding>>(findings);
    delete statusBar->findChild<QToolButton*>(kNoteName); // the note of an earlier load
    if (lines->empty())
        return;

    auto* note = new QToolButton(statusBar);
    note->setObjectName(kNoteName);
    note->setAutoRaise(true);
    note->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    note->setIcon(note->style()->standardIcon(QStyle::SP_MessageBoxWarning));
    note->setText(noteText(*lines));
    note->setToolTip(DroppedLinesDialog::tr("Lines of the rule files that were not loaded: show which and why"));
    statusBar->addPermanentWidget(note);
    QObject::connect(note, &QToolButton::clicked, note, [note, lines] {
        DroppedLinesDialog dialog(*lines, note->window());
        dialog.exec();
    });
}
