#pragma once

#include "logs/LineNotes.h"
#include "logs/StatsReport.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class ClientGroups;
class GroupStatsModel;
class GroupTable;
class LogReading;
class QLabel;
class QProgressBar;
class QStatusBar;
class QTimer;
class QToolButton;
class ListViews;
class QWidget;
class StatisticsChart;
class StatsModel;
struct BoundList;
struct ConnectionStats;
struct ListDescriptor;
namespace Ui {
class StatisticsBar;
}

// The page "Statistic": per-client totals read from the proxy's connection log on request.
//
// The log is counted in a worker thread while the window keeps repainting and the status bar shows the
// progress. Meanwhile the reload button gives its place to the stop button, and the window takes no other input
// than that button and Escape, which stop the reading. The calls return when the reading has ended, and the rows
// then stand exactly as a reading on the spot would have left them; a stopped reading leaves those shown before.
//
// After a reading the status bar shows its totals and the chart beside the list its top clients; the save button
// exports the rows as the list shows them. The export never replaces a file of the configuration (the window says
// which files those are) and asks before it replaces any other file.
//
// The bar above the list says which log the page shows: the Connect Log of the settings, or the files opened with
// Statistics > Open Log..., dropped on the page or named by --log, read as one log in time order (gzip and zstd
// rotations decompressed as they are read). It chooses the period (the connections that started in it count), the
// view (the clients with their user groups, or the totals of each group) and Follow, which reads what the proxy
// appends every few seconds; a button there lists the lines that could not be read.
class StatisticsPage : public QObject {
    Q_OBJECT

public:
    // A file the export must not replace: the connection log, the server settings, the preferences, a rule file.
    struct ProtectedFile {
        QString what;     // as a message names it: "the connection log"
        QString name;     // as the window shows it
        std::string path; // the name the program opens it by; relative names count from the current directory
    };

    // Builds the list LStat among the window's lists and takes over the page's tool bar and chart panel.
    StatisticsPage(QWidget* window, ListViews& lists, QStatusBar* statusBar, QLabel* statusPanel);
    ~StatisticsPage() override;

    // Checks that the log exists, reads it and shows its rows; the status panel says so meanwhile. Once logs have
    // been opened, those are read again instead.
    void reload(const QString& logName);
    // Reads the log and shows its rows (errors reach the caller as exceptions).
    void read(const QString& logName);

    // Reads these logs, in time order, in place of the Connect Log (errors reach the caller as exceptions).
    void openLogs(const QStringList& fileNames);
    // Asks for logs in an open dialog (OpenLogDialog) and reads them.
    void chooseLogs();
    // The Connect Log of the settings again, in place of the logs opened.
    void forgetOpenedLogs();
    // The files the page shows: those opened, or empty for the Connect Log.
    QStringList openedLogs() const { return openedLogs_; }

    // The user groups the Group column and the Groups view match the clients with, asked for at each reading.
    void setGroups(std::function<const GroupTable&()> groups) { groups_ = std::move(groups); }

    // Seconds between two readings of a followed log (1 to 3600), and the dialog that asks for them.
    void setFollowInterval(int seconds);
    int followInterval() const { return followSeconds_; }
    void askFollowInterval();
    // Reads what was appended to the followed log; the rows keep their sort, filter and selection.
    void followStep();

    // Shows no rows, no totals and no chart, as before the first reading.
    void clear();
    // Stops a reading in progress: it ends at its next block and leaves the rows as they were.
    void cancel() { cancel_ = true; }

    // The files the export refuses, asked for at each export (their names may have changed meanwhile).
    void setProtectedFiles(std::function<std::vector<ProtectedFile>()> files) { protectedFiles_ = std::move(files); }

    // Asks for a file in the save dialog and exports the rows to it. A protected file is refused with a message
    // naming it, and the export stops; an existing file is replaced only when the user agrees. The status panel
    // then says where the rows went and how many they are. Errors reach the caller as exceptions.
    void save();
    // Writes the rows as the list shows them (its order and filter) to the file: CSV or tab-separated text by the
    // file's extension, `otherwise` for any other name, and returns how many rows it wrote. Throws GlymError
    // naming the file and the reason (a protected file among them); the file is then as it was.
    std::size_t exportTo(const QString& fileName, statsreport::TableFormat otherwise) const;

    // The descriptor of LStat: one row per client, read-only.
    static const ListDescriptor& list();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void readLogs(std::vector<std::string> paths, const QStringList& shownNames);
    void readInWorker(LogReading& reading);
    void reloadShown();
    bool dropLogs(QEvent* event);
    void showRows(ConnectionStats& stats, double seconds);
    void showTotals(const ConnectionStats& stats, double seconds);
    void showView();
    void showLinesNotRead() const;
    void applyPreset(int preset);
    void startFollowing(bool on);
    void setUpBar();
    void showReading(bool running);
    // The rows of the reading, in the order and selection the list shows them.
    std::vector<std::size_t> shownOrder() const;
    // Throws GlymError when the file is one of the protected files, naming both.
    void refuseProtected(const QString& fileName) const;

    QWidget* window_;
    BoundList& bound_;
    StatsModel* rows_;
    QToolButton* reloadButton_;
    QToolButton* stopButton_;
    QLabel* statusPanel_;
    QLabel* totals_;
    QProgressBar* progress_;
    StatisticsChart* chart_;
    std::unique_ptr<Ui::StatisticsBar> bar_;
    BoundList& groupsBound_;
    GroupStatsModel* groupRows_;
    QWidget* clientsPanel_;
    QWidget* groupsPanel_;
    std::function<const GroupTable&()> groups_;
    std::unique_ptr<ClientGroups> clientGroups_; // of the last reading
    QStringList openedLogs_;
    QStringList shownLogs_;          // the files of the last reading, as shown
    std::vector<std::string> files_; // and as read (the notes' file indexes count here)
    logstats::LineNotes notes_;      // of the last reading
    std::unique_ptr<LogReading> followed_;
    QTimer* followTimer_;
    int followSeconds_ = 5;
    QString exportDirectory_; // where the last export went
    std::function<std::vector<ProtectedFile>()> protectedFiles_;
    std::atomic<bool> cancel_{false};
    bool reading_ = false;
};
