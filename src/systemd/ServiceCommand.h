#pragma once

#include <QString>

// `glymconf service status|start|stop|restart|reload [--unit NAME]`: drives the unit through UnitControl, prints its
// state line on the standard output (an error on the standard error) and returns the exit status: 0 done, 1 when
// systemd or polkit refused or the job failed, 2 when there is no system bus, no systemd on it or no such unit.
// Needs a QCoreApplication; runs its event loop until the answer has come.
namespace servicecommand {

// The words after "service", as the command line checks them.
bool isCommandWord(const QString& word);
int run(const QString& word, const QString& unit);

} // namespace servicecommand
