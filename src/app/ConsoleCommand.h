#pragma once

struct CommandLine;

// Runs what needs no window (the check, the history's commands, help, version, a wrong command line) and returns the
// exit status: for the check 0 clean, 1 with findings, 2 when a file cannot be read; for diff 0 the same, 1
// different; 2 for a wrong command line and when the history or a file cannot be read or written. Needs a
// QCoreApplication, not a QApplication: no display is touched.
int runConsoleCommand(const CommandLine& command);
