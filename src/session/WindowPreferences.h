#pragma once

#include "config/Preferences.h"

#include <QString>

class QMainWindow;

// The configurator's own preferences: where the file lies, and the state of the main window they keep between runs
// (its place and size, the pages shown, the first panes of its splitters), the controls found by their objectName.
namespace windowpreferences {

// Beside the executable, with ".ini" as its extension; for an installed program, in the user's configuration
// directory.
QString location(const QString& executablePath);

// The options of the program the file keeps besides the window's state.
struct Options {
    bool popupHints = false;
    bool askSaveComment = false; // a save asks for a comment for the history of saves
};

// Reads the file and shows its values in the window: its rectangle brought onto the screen, the pages and the
// panes. Returns the options. GlymError when the file cannot be read.
Options load(QMainWindow* window, const QString& file);
// Writes the window's values and the options into the file (its folder made when missing).
void save(const QMainWindow* window, const QString& file, const Options& options);

} // namespace windowpreferences
