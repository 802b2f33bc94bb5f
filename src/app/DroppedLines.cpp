#include "app/DroppedLines.h"

#include "base/Text.h"
#include "ui_DroppedLines.h"

#include <QHeaderView>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>

namespace {

const QString kNoteName = QStringLiteral("DroppedLinesNote");

// "3 lines of skip.txt and 1 line of access.txt will not be kept - details": files in the order they were read.
QString noteText(const std::vector<Finding>& findings) {
    QStringList parts;
    for (std::size_t first = 0; first < findings.size();) {
        std::size_t last = first;
        while (last < findings.size() && findings[last].file == findings[first].file)
            ++last;
        const std::size_t count = last - first;
        parts << QStringLiteral("%1 %2 of %3")
                     .arg(count)
                     .arg(count == 1 ? QStringLiteral("line") : QStringLiteral("lines"))
                     .arg(fromFileBytes(findings[first].file));
        first = last;
    }
    const QString files = parts.size() == 1 ? parts.first()
                                            : parts.mid(0, parts.size() - 1).join(QStringLiteral(", ")) +
                                                  QStringLiteral(" and ") + parts.last();
    return files + QStringLiteral(" will not be kept - details");
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
    : QDialog(parent), ui(new Ui::DroppedLinesDialog) {
    ui->setupUi(this);
    connect(ui->DroppedLinesButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    const std::size_t listed = std::min(findings.size(), kListedLines);
    if (listed < findings.size())
        ui->DroppedLinesText->setText(
            ui->DroppedLinesText->text() +
            QStringLiteral(" The first %1 of %2 lines are listed.").arg(listed).arg(findings.size()));
    QList<QTreeWidgetItem*> rows;
    rows.reserve(static_cast<qsizetype>(listed));
    for (std::size_t i = 0; i < listed; ++i) {
        const Finding& finding = findings[i];
        rows << new QTreeWidgetItem({fromFileBytes(finding.file), QString::number(finding.line),
                                     fromFileBytes(finding.message), shownText(finding.text)});
        rows.last()->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    }
    ui->DroppedLinesList->addTopLevelItems(rows);
    for (int column = 0; column < 3; ++column)
        ui->DroppedLinesList->resizeColumnToContents(column);
    if (!rows.isEmpty())
        ui->DroppedLinesList->setCurrentItem(rows.first());
    ui->DroppedLinesList->setFocus();
}

DroppedLinesDialog::~DroppedLinesDialog() = default;

void showDroppedLines(QStatusBar* statusBar, LoadFindings& findings) {
    auto lines = std::make_shared<const std::vector<Finding>>(findings.findings());
    findings = LoadFindings();
    delete statusBar->findChild<QToolButton*>(kNoteName); // the note of an earlier load
    if (lines->empty())
        return;

    auto* note = new QToolButton(statusBar);
    note->setObjectName(kNoteName);
    note->setAutoRaise(true);
    note->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    note->setIcon(note->style()->standardIcon(QStyle::SP_MessageBoxWarning));
    note->setText(noteText(*lines));
    note->setToolTip(QStringLiteral("Lines of the rule files that were not loaded: show which and why"));
    statusBar->addPermanentWidget(note);
    QObject::connect(note, &QToolButton::clicked, note, [note, lines] {
        DroppedLinesDialog dialog(*lines, note->window());
        dialog.exec();
    });
}
