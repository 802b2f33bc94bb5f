#pragma once

#include "logs/StatsReport.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
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
// exports the rows as the list shows them. The export never replaces a file of the configuration (the window says
// which files those are) and asks before it replaces any other file.
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

    // Checks that the log exists, reads it and shows its rows; the status panel says so meanwhile.
    void reload(const QString& logName);
    // Reads the log and shows its rows (errors reach the caller as exceptions).
    void read(const QString& logName);

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
    ConnectionStats readInWorker(const std::string& path);
    void showRows(ConnectionStats& stats, double seconds);
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
    QString exportDirectory_; // where the last export went
    std::function<std::vector<ProtectedFile>()> protectedFiles_;
    std::atomic<bool> cancel_{false};
    bool reading_ = false;
};
