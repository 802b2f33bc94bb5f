#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <memory>

class QLabel;
class QProgressBar;
class QStatusBar;
class QToolButton;
class ListViews;
class QWidget;
class StatsModel;
struct ConnectionStats;
struct ListDescriptor;

// The page "Statistic": per-client totals read from the proxy's connection log on request.
//
// The log is counted in a worker thread while the window keeps repainting and the status bar shows the
// progress; the reload button is off meanwhile. The calls return when the reading has ended, and the rows then
// stand exactly as a reading on the spot would have left them.
class StatisticsPage : public QObject {
    Q_OBJECT

public:
    // Builds the list LStat among the window's lists.
    StatisticsPage(QWidget* window, ListViews& lists, QToolButton* reloadButton, QStatusBar* statusBar,
                   QLabel* statusPanel);
    ~StatisticsPage() override;

    // Checks that the log exists, reads it and shows its rows; the status panel says so meanwhile.
    void reload(const QString& logName);
    // Reads the log and shows its rows (errors reach the caller as exceptions).
    void read(const QString& logName);

    // Asks a reading in progress to stop at its next block; it then leaves the rows as they were.
    void cancel() { cancel_ = true; }

    // The descriptor of LStat: one row per client, read-only.
    static const ListDescriptor& list();

private:
    ConnectionStats readInWorker(const std::string& path);
    QWidget* window_;
    StatsModel* rows_;
    QToolButton* reloadButton_;
    QLabel* statusPanel_;
    QProgressBar* progress_;
    std::atomic<bool> cancel_{false};
    bool reading_ = false;
};
