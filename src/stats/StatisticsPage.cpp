#include "stats/StatisticsPage.h"

#include "base/Images.h"
#include "base/ListModels.h"
#include "base/ListViews.h"
#include "base/MessageBoxes.h"
#include "base/Text.h"
#include "common/Error.h"
#include "common/FileIo.h"
#include "stats/ConnectionStats.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <QThread>
#include <QToolButton>
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

    void setRows(std::vector<ConnectionStatsRow> rows) {
        beginResetModel();
        rows_ = std::move(rows);
        endResetModel();
    }

private:
    std::vector<ConnectionStatsRow> rows_;
};

const ListDescriptor& StatisticsPage::list() {
    return kList;
}

StatisticsPage::StatisticsPage(QWidget* window, ListViews& lists, QToolButton* reloadButton, QStatusBar* statusBar,
                               QLabel* statusPanel)
    : QObject(window), window_(window), reloadButton_(reloadButton), statusPanel_(statusPanel) {
    auto rows = std::make_unique<StatsModel>(kList);
    rows_ = rows.get();
    lists.bind(kList, std::move(rows));
    progress_ = new QProgressBar(statusBar);
    progress_->setObjectName(QStringLiteral("StatisticProgress"));
    progress_->setRange(0, kProgressSteps);
    progress_->setMaximumWidth(200);
    progress_->setTextVisible(false);
    progress_->hide();
    statusBar->addPermanentWidget(progress_);
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
    ConnectionStats stats = readInWorker(*path);
    if (stats.cancelled)
        return;
    rows_->setRows(std::move(stats.rows));
    if (stats.error)
        throw GlymError(*stats.error);
}

// Runs the reading in a worker thread and waits for it in a local event loop, so the window stays alive.
ConnectionStats StatisticsPage::readInWorker(const std::string& path) {
    ConnectionStats stats;
    std::exception_ptr failure;
    cancel_ = false;
    reading_ = true;
    reloadButton_->setEnabled(false);
    progress_->setValue(0);
    progress_->show();

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
    waiting.exec(QEventLoop::ExcludeUserInputEvents);
    worker->wait();
    delete worker;

    progress_->hide();
    reloadButton_->setEnabled(true);
    reading_ = false;
    if (failure)
        std::rethrow_exception(failure);
    return stats;
}
