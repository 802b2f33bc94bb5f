#pragma once

#include "cli/ConfigurationCommands.h"

#include <QString>
#include <QStringList>

// The configurator's command line:
//   glymconf [--dir DIR]             the window, on DIR/glym30.ini instead of the one beside the executable
//   glymconf --log FILE [--log FILE]  the window, its page Statistic showing these logs read as one
//   glymconf --check [--dir DIR]     checks glym30.ini and its rule files, prints the findings, no display needed
//   glymconf [--dir DIR] history     lists the saves the history recorded, newest first
//   glymconf [--dir DIR] diff N [M]  shows what changed from generation N to M (or to the files now)
//   glymconf [--dir DIR] restore N   writes generation N back
//   glymconf [--dir DIR] get|set|rules|export|import ...  reads and changes the configuration
//   (cli/ConfigurationCommands.h)
//   glymconf service status|start|stop|restart|reload [--unit NAME]   the proxy's systemd unit
//   glymconf --help | --version
struct CommandLine {
    enum class Action { Window, Check, History, Diff, Restore, Configure, Service, Help, Version, Error };
    Action action = Action::Window;
    QString directory;              // --dir as given; empty when not given
    QString message;                // Help: the help text; Error: what is wrong with the command line
    QList<unsigned> generations;    // Diff: N and perhaps M; Restore: N
    ConfigurationRequest configure; // Configure: the command and its words
    QString service = {};           // Service: "status", "start", "stop", "restart" or "reload"
    QString unit = {};              // Service: --unit as given; empty: the one of the preferences
    QStringList logFiles = {};      // Window: every --log, as given
};

// The arguments as the program received them (its own name first).
QStringList commandLineArguments(int argc, char* argv[]);

// Reads the arguments. Before the window's application object exists, the toolkit's own window options (-style,
// -platform, ...) are still among them and look unknown: then, unless a command that needs no display was asked
// for, the answer is Window, to be read again (toolkitOptionsRemoved) from what the application object leaves.
CommandLine parseCommandLine(const QStringList& arguments, bool toolkitOptionsRemoved);

// The help text: usage, what the program is, the options.
QString commandLineHelp(const QString& programName);
