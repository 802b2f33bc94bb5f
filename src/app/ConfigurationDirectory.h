#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

// Which configuration directory the window works on: the one beside the program, the one opened last, or one the
// user chooses.
namespace configurationdirectory {

// Asks the user for a directory, starting in `start`; empty when the user cancels. Tests put their own in its place.
extern std::function<QString(QWidget* parent, const QString& start)> choose;

// Whether the directory of the executable holds a glym30.ini (a build tree, a program kept beside its
// configuration): the window then works there, as it always has.
bool besideExecutable(const QString& executablePath);

// The latest of the recent directories that still exists; else the directory the user chooses (starting in the
// home directory); empty when the user cancels.
QString lastOrChosen(const QStringList& recentDirectories);

// The title of the directory chooser: "Open Configuration Directory".
QString chooserTitle();

} // namespace configurationdirectory
