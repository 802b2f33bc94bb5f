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

// Shows the values in the window: its rectangle brought onto the screen, the pages and the panes.
void show(QMainWindow* window, const PreferenceValues& values);
// The window's values, every key but Hint.
PreferenceValues of(const QMainWindow* window);

} // namespace windowpreferences
