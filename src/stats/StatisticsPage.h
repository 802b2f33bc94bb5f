#pragma once

#include "stats/StatsReport.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <memory>
#include <vector>

class QLabel;
class QProgressBar;
class QStatusBar;
class QToolButton;
class ListViews;
class QWidget;
class StatisticsChart;
class StatsModel;
struct BoundList;
struct ConnectionStats;
struct ListDescriptor;

// The page "Statistic": per-client totals read from the proxy's connection log on request.
//
// The log is counted in a worker thread while the window keeps repainting and the status bar shows the
// progress. Meanwhile the reload button gives its place to the stop button, and the window takes no other input
// than that button and Escape, which stop the reading. The calls return when the reading has ended, and the rows
// then stand exactly as a reading on the spot would have left them; a stopped reading leaves those shown before.
//
// After a reading the status bar shows its totals and the chart beside the list its top clients; the save button
// exports the rows as the list shows them.
class StatisticsPage : public QObject {
    Q_OBJECT

public:
    // Builds the list LStat among the window's lists and takes over the page's tool bar and chart panel.
    StatisticsPage(QWidget* window, ListViews& lists, QStatusBar* statusBar, QLabel* statusPanel);
    ~StatisticsPage() override;

    // Checks that the log exists, reads it and shows its rows; the status panel says so meanwhile.
    void reload(const QString& logName);
    // Reads the log and shows its rows (errors reach the caller as exceptions).
    void read(const QString& logName);

    // Stops a reading in progress: it ends at its next block and leaves the rows as they were.
    void cancel() { cancel_ = true; }

    // Asks for a file in the save dialog and exports the rows to it (errors reach the caller as exceptions).
    void save();
    // Writes the rows as the list shows them (its order and filter) to the file: CSV or tab-separated text by the
    // file's extension, `otherwise` for any other name. Throws GlymError naming the file and the reason; the
    // file is then as it was.
    void exportTo(const QString& fileName, statsreport::TableFormat otherwise) const;

    // The descriptor of LStat: one row per client, read-only.
    static const ListDescriptor& list();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ConnectionStats readInWorker(const std::string& path);
    void showRows(ConnectionStats& stats, double seconds);
    void showReading(bool running);
    // The rows of the reading, in the order and selection the list shows them.
    std::vector<std::size_t> shownOrder() const;

    QWidget* window_;
    BoundList& bound_;
    StatsModel* rows_;
    QToolButton* reloadButton_;
    QToolButton* stopButton_;
    QLabel* statusPanel_;
    QLabel* totals_;
    QProgressBar* progress_;
    StatisticsChart* chart_;
    QString exportDirectory_; // where the last export went
    std::atomic<bool> cancel_{false};
    bool reading_ = false;
};
