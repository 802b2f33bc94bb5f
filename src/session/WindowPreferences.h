#pragma once

#include "config/Preferences.h"
#include "history/Store.h"

#include <QString>
#include <QStringList>

class QMainWindow;

// The configurator's own preferences: where the file lies, and the state of the main window they keep between runs
// (its place and size, the pages shown, the shares of its splitters' panes), the controls found by their objectName;
// besides, the options of the program: pop-up hints, the theme, the configuration directories opened last and the
// proxy's systemd unit.
namespace windowpreferences {

struct Options {
    bool popupHints = false;
    bool askSaveComment = false; // a save asks for a comment for the history of saves
    Theme theme = Theme::System;
    QStringList recentDirectories; // the latest first
    int historyKeep = 200;         // saves the history keeps, at least 1
    bool historyBesideFiles = false;
    QString serviceUnit = QString::fromLatin1(kDefaultServiceUnit); // the proxy's systemd unit
    int followSeconds = 5;                                          // between two readings of a followed log
};

// Where the history of a configuration lives and how much of it is kept, as the options say: the window and the
// command line record the same history.
history::Place historyPlace(const Options& options);

// Beside the executable, with ".ini" as its extension; for an installed program, in the user's configuration
// directory.
QString location(const QString& executablePath);

// Reads the file and shows its values in the window: its rectangle brought onto the screen (without a file: a
// first window of 1000 x 700 pixels in the middle of the screen, as far as the screen holds it), the pages, and the
// first pane of each splitter at its share of the splitter, which it keeps as the window changes size until the
// user drags the splitter. Returns the options. GlymError when the file cannot be read.
Options load(QMainWindow* window, const QString& file);
// Only the options, for the program before its window exists.
Options readOptions(const QString& file);
// Writes the window's values and the options into the file (its folder made when missing).
void save(const QMainWindow* window, const QString& file, const Options& options);

// The list of recent directories after opening `directory`: it comes first, once, and the list keeps its length.
QStringList withRecentDirectory(QStringList recent, const QString& directory);

} // namespace windowpreferences
