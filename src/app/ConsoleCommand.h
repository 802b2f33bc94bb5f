#pragma once

struct CommandLine;

// Runs what needs no window (the check, help, version, a wrong command line) and returns the exit status: for the
// check 0 clean, 1 with findings, 2 when a file cannot be read; 2 for a wrong command line. Needs a
// QCoreApplication, not a QApplication: no display is touched.
int runConsoleCommand(const CommandLine& command);
