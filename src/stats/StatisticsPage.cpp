#include "stats/StatisticsPage.h"

#include "access/RuleRows.h"
#include "app/Images.h"
#include "app/ListColumns.h"
#include "app/MessageBoxes.h"
#include "app/Text.h"
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
#include <QTreeWidget>
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

} // namespace

StatisticsPage::StatisticsPage(QWidget* window, QTreeWidget* list, QToolButton* reloadButton, QStatusBar* statusBar,
                               QLabel* statusPanel)
    : QObject(window), window_(window), list_(list), reloadButton_(reloadButton), statusPanel_(statusPanel) {
    progress_ = new QProgressBar(statusBar);
    progress_->setObjectName(QStringLiteral("StatisticProgress"));
    progress_->setRange(0, kProgressSteps);
    progress_->setMaximumWidth(200);
    progress_->setTextVisible(false);
    progress_->hide();
    statusBar->addPermanentWidget(progress_);
}

StatisticsPage::~StatisticsPage() { cancel(); }

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
    const ConnectionStats stats = readInWorker(*path);
    if (stats.cancelled)
        return;
    show(stats);
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

// Replaces the rows with the reading's, in order of first appearance.
void StatisticsPage::show(const ConnectionStats& stats) {
    QList<QTreeWidgetItem*> rows;
    rows.reserve(static_cast<qsizetype>(stats.rows.size()));
    const QString listName = list_->objectName();
    for (const ConnectionStatsRow& stat : stats.rows) {
        auto* row = new rulerows::RuleRow(fromFileBytes(stat.address),
                                          {fromFileBytes(stat.sent), fromFileBytes(stat.firstAccess),
                                           fromFileBytes(stat.lastDisconnect), fromFileBytes(stat.countAccess),
                                           fromFileBytes(stat.countQuery)},
                                          MainImage::Host);
        for (int column = 1; column < 6; ++column)
            row->setTextAlignment(column, listColumnAlignment(listName, column));
        rows << row;
    }
    list_->clear();
    list_->addTopLevelItems(rows);
}
