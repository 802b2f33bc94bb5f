#pragma once

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringList>
#include <string>

class QCommandLineParser;

// The commands that read and change the configuration without a window, for scripts and fleet tools:
//   get SECTION KEY                 prints a setting of glym30.ini
//   set SECTION KEY VALUE           changes one, with the window's checks
//   rules list [--kind TAG] [--group N] [--json]
//   rules add LINE...               adds rule lines ("-": the lines of standard input), as the dialogs check them
//   rules delete LINE...            deletes exactly those lines
//   export [--json]                 the whole configuration as one JSON document
//   import FILE.json                makes the files say what the document says ("-": standard input)
// A change is saved once at the end, under the save lock of the directory, with the backups and a generation of
// the history, or not at all when any part is refused; --dry-run prints the diff instead.
// Exit status: 0 done (or nothing to do), 1 refused, 2 usage or a file that cannot be read.
struct ConfigurationRequest {
    QString command;   // "get", "set", "rules", "export", "import"
    QStringList words; // the words after it
    bool dryRun = false;
    bool json = false;
    QString kind;  // rules list --kind
    QString group; // rules list --group
};

// Whether the word starts one of these commands.
bool isConfigurationCommand(const QString& word);
// Their options, for the program's parser.
QList<QCommandLineOption> configurationOptions();
// Their lines of the help.
void addConfigurationHelp(QCommandLineParser& parser);
// Reads the request from the parsed options and the positional words; an empty string, or what is wrong.
QString readConfigurationRequest(const QCommandLineParser& parser, const QStringList& words,
                                 ConfigurationRequest& request);

// Runs it on the configuration of the directory and returns the exit status. Messages go to standard error.
int runConfigurationCommand(const std::string& directory, const ConfigurationRequest& request);
