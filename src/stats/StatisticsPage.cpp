#include "stats/StatisticsPage.h"

#include "base/Images.h"
#include "base/ListModels.h"
#include "base/ListViews.h"
#include "base/MessageBoxes.h"
#include "base/Text.h"
#include "common/Error.h"
#include "common/FileIo.h"
#include "logs/ConnectionStats.h"
#include "stats/StatisticsChart.h"

#include <QAbstractProxyModel>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QThread>
#include <QToolButton>
#include <array>
#include <charconv>
#include <exception>

namespace {

const QString kReading = QStringLiteral("Reading Statistic .....");
constexpr int kProgressSteps = 1000;

// Clears a label when a scope ends, however it ends: the panel never keeps "Reading" after a reading.
class PanelNote {
public:
    PanelNote(QLabel* panel, const QString& text) : panel_(panel) { panel_->setText(text); }
    ~PanelNote() { panel_->clear(); }

private:
    QLabel* panel_;
};

constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;
using enum ColumnSizing;

constexpr ListColumn kColumns[] = {
    {.title = "IP Address", .sizing = Fixed, .width = 100, .ipAddress = true},
    {.title = "Send, kB", .sizing = Fixed, .width = 70, .alignment = kRight, .numeric = true},
    {.title = "First Access", .sizing = Fixed, .width = 120},
    {.title = "Last Disconnect", .sizing = Fixed, .width = 120},
    {.title = "Count Access", .sizing = Fixed, .width = 80, .alignment = kRight, .numeric = true},
    {.title = "Count Query", .sizing = Stretch, .alignment = kRight, .numeric = true},
};

constexpr ListDescriptor kList{.objectName = "LStat", .columns = kColumns, .source = RowSource::Records};

// The cells of a row, in column order.
constexpr std::string ConnectionStatsRow::*kCells[] = {
    &ConnectionStatsRow::address,        &ConnectionStatsRow::sent,        &ConnectionStatsRow::firstAccess,
    &ConnectionStatsRow::lastDisconnect, &ConnectionStatsRow::countAccess, &ConnectionStatsRow::countQuery,
};

const QString kCsvFilter = QStringLiteral("CSV (*.csv)");
const QString kTsvFilter = QStringLiteral("Tab-separated text (*.tsv *.txt)");

// A control of the page the form must hold; a missing one is an error of the program's build.
template <typename Widget> Widget* control(QWidget* window, const char* name) {
    auto* widget = window->findChild<Widget*>(QString::fromLatin1(name));
    if (!widget)
        throw GlymError(std::string("The main window lacks the control ") + name + ".");
    return widget;
}

// Whether an event is the user's input (keys, mouse buttons, wheel, shortcuts).
bool isUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        return true;
    default:
        return false;
    }
}

// The save dialog of the export: a name typed without an extension gets the one of the chosen filter, whether the
// filter was chosen in the dialog or set beforehand.
class ExportDialog final : public QFileDialog {
    Q_OBJECT

public:
    ExportDialog(QWidget* parent, const QString& directory)
        : QFileDialog(parent, QStringLiteral("Save Statistic"), directory) {
        setObjectName(QStringLiteral("SaveStatisticDialog"));
        setOption(QFileDialog::DontUseNativeDialog);
        // The page asks before replacing a file, after refusing the files of the configuration: one question, ours.
        setOption(QFileDialog::DontConfirmOverwrite);
        setAcceptMode(QFileDialog::AcceptSave);
        setFileMode(QFileDialog::AnyFile);
        setNameFilters({kCsvFilter, kTsvFilter});
        selectFile(QStringLiteral("statistic.csv"));
    }

    statsreport::TableFormat format() const {
        return selectedNameFilter() == kTsvFilter ? statsreport::TableFormat::Tsv : statsreport::TableFormat::Csv;
    }

    void accept() override {
        setDefaultSuffix(format() == statsreport::TableFormat::Tsv ? QStringLiteral("tsv") : QStringLiteral("csv"));
        QFileDialog::accept();
    }
};

} // namespace

// The rows of the last reading, in order of first appearance.
class StatsModel final : public ListModel {
public:
    using ListModel::ListModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : static_cast<int>(rows_.size());
    }
    std::string_view cellBytes(int row, int column, std::string&) const override {
        return rows_[static_cast<std::size_t>(row)].*kCells[static_cast<std::size_t>(column)];
    }
    int cellImage(int, int column) const override { return column == 0 ? mainimage::kHost : -1; }

    // A number of the log is shown grouped by the user's locale ("1,234,567"); the sort, the filter and the export
    // read the log's own digits (cellBytes).
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override {
        if (role == Qt::DisplayRole && index.isValid() && index.row() < rowCount() && index.column() < columnCount() &&
            kColumns[static_cast<std::size_t>(index.column())].numeric) {
            std::string scratch;
            const std::string_view cell = cellBytes(index.row(), index.column(), scratch);
            qlonglong number = 0;
            const auto [end, error] = std::from_chars(cell.data(), cell.data() + cell.size(), number);
            // Only a number written plainly: "007" or "+5" stays as the log has it.
            if (error == std::errc() && end == cell.data() + cell.size() && std::to_string(number) == cell)
                return QLocale().toString(number);
        }
        return ListModel::data(index, role);
    }

    void setRows(std::vector<ConnectionStatsRow> rows) {
        beginResetModel();
        rows_ = std::move(rows);
        endResetModel();
    }
    const std::vector<ConnectionStatsRow>& rows() const { return rows_; }

private:
    std::vector<ConnectionStatsRow> rows_;
};

const ListDescriptor& StatisticsPage::list() {
    return kList;
}

StatisticsPage::StatisticsPage(QWidget* window, ListViews& lists, QStatusBar* statusBar, QLabel* statusPanel)
    : QObject(window), window_(window), bound_(lists.bind(kList, std::make_unique<StatsModel>(kList))),
      rows_(static_cast<StatsModel*>(bound_.model)), reloadButton_(control<QToolButton>(window, "BReloadStatistic")),
      stopButton_(control<QToolButton>(window, "BStopStatistic")), statusPanel_(statusPanel) {
    progress_ = new QProgressBar(statusBar);
    progress_->setObjectName(QStringLiteral("StatisticProgress"));
    progress_->setRange(0, kProgressSteps);
    progress_->setMaximumWidth(200);
    progress_->setTextVisible(false);
    progress_->hide();
    statusBar->addPermanentWidget(progress_);
    totals_ = new QLabel(statusBar);
    totals_->setObjectName(QStringLiteral("StatisticTotals"));
    statusBar->addPermanentWidget(totals_);

    stopButton_->hide();
    connect(stopButton_, &QToolButton::clicked, this, &StatisticsPage::cancel);

    auto* chartPanel = control<QWidget>(window, "StatChartPanel");
    chart_ = new StatisticsChart(chartPanel);
    auto* chartButton = control<QToolButton>(window, "BChartStatistic");
    connect(chartButton, &QToolButton::toggled, chartPanel, &QWidget::setVisible);
    chartPanel->setVisible(chartButton->isChecked());
    auto* splitter = control<QSplitter>(window, "StatSplitter");
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
}

StatisticsPage::~StatisticsPage() {
    cancel();
}

void StatisticsPage::reload(const QString& logName) {
    if (reading_)
        return; // a reading runs already (its note must stay until it ends)
    PanelNote note(statusPanel_, kReading);
    const auto path = toFileBytes(logName);
    // Missing (or a directory) is "not found"; anything else that exists, a named pipe say, goes to the reader,
    // which says why it cannot be read.
    if (!path || !QFileInfo::exists(logName) || QFileInfo(logName).isDir()) {
        messages::error(window_, QStringLiteral("File statistic not found! Check fields Logs->Connect Log !"));
        return;
    }
    read(logName);
}

void StatisticsPage::read(const QString& logName) {
    if (reading_)
        return;
    const auto path = toFileBytes(logName);
    if (!path)
        throw GlymError("Cannot open file: its name cannot be written in Windows-1251.");
    QElapsedTimer clock;
    clock.start();
    ConnectionStats stats = readInWorker(*path);
    if (stats.cancelled) {
        totals_->setText(tr("Reading stopped: the rows of the reading before are kept."));
        return;
    }
    showRows(stats, static_cast<double>(clock.nsecsElapsed()) / 1e9);
    if (stats.error)
        throw GlymError(*stats.error);
}

void StatisticsPage::clear() {
    totals_->clear();
    chart_->setRows({});
    rows_->setRows({});
}

void StatisticsPage::showRows(ConnectionStats& stats, double seconds) {
    totals_->setText(QString::fromStdString(statsreport::totalsText(statsreport::totalsOf(stats.rows), seconds)));
    chart_->setRows(stats.rows);
    rows_->setRows(std::move(stats.rows));
}

// Runs the reading in a worker thread and waits for it in a local event loop, so the window stays alive.
ConnectionStats StatisticsPage::readInWorker(const std::string& path) {
    ConnectionStats stats;
    std::exception_ptr failure;
    cancel_ = false;
    showReading(true);

    ConnectionStatsOptions options;
    options.cancel = &cancel_;
    options.progress = [this](std::uint64_t done, std::uint64_t total) {
        const int step = total == 0 ? kProgressSteps : static_cast<int>(done * kProgressSteps / total);
        QMetaObject::invokeMethod(progress_, "setValue", Qt::QueuedConnection, Q_ARG(int, step));
    };
    QThread* worker = QThread::create([&] {
        try {
            stats = readConnectionStats(path, options);
        } catch (...) {
            failure = std::current_exception();
        }
    });
    QEventLoop waiting;
    connect(worker, &QThread::finished, &waiting, &QEventLoop::quit);
    worker->start();
    waiting.exec();
    worker->wait();
    delete worker;

    showReading(false);
    if (failure)
        std::rethrow_exception(failure);
    // A stop asked for before the rows are shown counts, even when the last block was read meanwhile.
    stats.cancelled = stats.cancelled || cancel_;
    return stats;
}

// While a reading runs, the stop button stands in the reload button's place and takes the user's input, with
// Escape; the rest of the window only repaints.
void StatisticsPage::showReading(bool running) {
    reading_ = running;
    reloadButton_->setEnabled(!running);
    reloadButton_->setVisible(!running);
    stopButton_->setVisible(running);
    if (running)
        progress_->setValue(0);
    progress_->setVisible(running);
    if (running)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

bool StatisticsPage::eventFilter(QObject* watched, QEvent* event) {
    if (!reading_ || !isUserInput(event->type()))
        return false;
    if (event->type() == QEvent::Shortcut)
        return true; // no action of the menus meanwhile
    // Input reaches a widget through its window's handle, which is let through; other windows (a message box the
    // closing window asks) keep their input.
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != window_)
        return false;
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        if (event->type() == QEvent::KeyPress)
            cancel();
        else
            event->accept(); // taken as a key press, not as a shortcut
        return true;
    }
    return widget != stopButton_;
}

// ---------------------------------------------------------------------------------------------------------------
// Export

void StatisticsPage::save() {
    // The first export starts in the program's directory, the next ones where the last one went.
    ExportDialog dialog(window_, exportDirectory_.isEmpty() ? QDir::currentPath() : exportDirectory_);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    exportDirectory_ = dialog.directory().absolutePath();
    const QString fileName = dialog.selectedFiles().constFirst();
    // A refused name ends the export with its message; the next export starts in the same directory.
    refuseProtected(fileName);
    const QFileInfo existing(fileName);
    if (existing.exists() || existing.isSymLink()) {
        const auto answer = messages::ask(
            window_, QStringLiteral("Confirm"),
            tr("%1 already exists.\nReplace it with the statistics?").arg(QDir::toNativeSeparators(fileName)),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::Warning, {}, QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return;
    }
    const std::size_t rows = exportTo(fileName, dialog.format());
    const QString exported = QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath());
    statusPanel_->setText(rows == 1 ? tr("Statistic exported to %1: 1 row").arg(exported)
                                    : tr("Statistic exported to %1: %2 rows").arg(exported).arg(rows));
}

void StatisticsPage::refuseProtected(const QString& fileName) const {
    if (!protectedFiles_)
        return;
    const std::string path = QFile::encodeName(fileName).toStdString();
    for (const ProtectedFile& file : protectedFiles_()) {
        if (file.path.empty() || !sameFile(file.path, path))
            continue;
        QString text =
            tr("The statistics cannot be exported to %1: it is %2").arg(QDir::toNativeSeparators(fileName), file.what);
        if (!file.name.isEmpty())
            text += QStringLiteral(" \"%1\"").arg(file.name);
        text += tr(". Choose another file.");
        throw GlymError(toFileBytes(text).value_or(text.toStdString()));
    }
}

std::vector<std::size_t> StatisticsPage::shownOrder() const {
    const QAbstractItemModel* shown = bound_.view->model();
    std::vector<std::size_t> order;
    order.reserve(static_cast<std::size_t>(shown->rowCount()));
    for (int row = 0; row < shown->rowCount(); ++row) {
        QModelIndex index = shown->index(row, 0);
        while (index.isValid() && index.model() != rows_) {
            const auto* proxy = qobject_cast<const QAbstractProxyModel*>(index.model());
            index = proxy ? proxy->mapToSource(index) : QModelIndex();
        }
        if (!index.isValid())
            throw GlymError("The statistics cannot be exported: a row of the list has no row of the reading.");
        order.push_back(static_cast<std::size_t>(index.row()));
    }
    return order;
}

std::size_t StatisticsPage::exportTo(const QString& fileName, statsreport::TableFormat otherwise) const {
    refuseProtected(fileName);
    const std::string path = QFile::encodeName(fileName).toStdString();
    const statsreport::TableFormat format = statsreport::formatForFile(path, otherwise);
    const std::vector<ConnectionStatsRow>& rows = rows_->rows();
    std::array<std::string_view, std::size(kColumns)> cells;

    // Every row is written once in the order of the reading, where its cells lie one after the other in memory,
    // and its record is then copied into the order the list shows. Writing the rows in a sorted order straight
    // away would fetch their cells from all over memory: three times slower for a million rows.
    statsreport::TableText records(format, rows.size() * 72);
    std::vector<std::size_t> starts;
    starts.reserve(rows.size() + 1);
    for (const ConnectionStatsRow& row : rows) {
        starts.push_back(records.bytes().size());
        for (std::size_t column = 0; column < cells.size(); ++column)
            cells[column] = row.*kCells[column];
        records.addRecord(cells);
    }
    starts.push_back(records.bytes().size());

    for (std::size_t column = 0; column < cells.size(); ++column)
        cells[column] = kColumns[column].title;
    statsreport::TableText table(format, records.bytes().size() + 128);
    table.addRecord(cells);
    const std::vector<std::size_t> order = shownOrder();
    const std::string_view text = records.bytes();
    constexpr std::size_t kAhead = 8; // records fetched ahead of their copy
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (i + kAhead < order.size())
            __builtin_prefetch(text.data() + starts[order[i + kAhead]]);
        table.addText(text.substr(starts[order[i]], starts[order[i] + 1] - starts[order[i]]));
    }
    try {
        writeFileAtomically(path, table.bytes());
    } catch (const GlymError& failure) {
        // The name came from the file system, not from the proxy's files: its message is said again in the
        // code page messages are read in.
        throw GlymError(toFileBytes(QString::fromLocal8Bit(failure.what())).value_or(failure.what()));
    }
    return order.size();
}

#include "StatisticsPage.moc"
