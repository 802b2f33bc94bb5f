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

// Reads the file and shows its values in the window: its rectangle brought onto the screen, the pages and the
// panes. Returns whether pop-up hints are on. GlymError when the file cannot be read.
bool load(QMainWindow* window, const QString& file);
// Writes the window's values and the pop-up hints' state into the file (its folder made when missing).
void save(const QMainWindow* window, const QString& file, bool popupHints);

} // namespace windowpreferences
