#include "app/ConsoleCommand.h"

#include "app/CommandLine.h"
#include "check/ConfigCheck.h"
#include "common/Error.h"
#include "document/Configuration.h"
#include "history/SnapshotDiff.h"
#include "session/WindowPreferences.h"

#include <QCoreApplication>
#include <QFile>
#include <iostream>

namespace {

constexpr char kProgramName[] = "glymconf";

// Without --dir, the files beside the program, as the window would open them.
std::string configurationDirectory(const CommandLine& command) {
    const QString where = command.directory.isEmpty() ? QCoreApplication::applicationDirPath() : command.directory;
    return QFile::encodeName(where).toStdString();
}

int runCheck(const CommandLine& command) {
    const CheckReport report = checkConfiguration(configurationDirectory(command));
    return printCheckReport(report, std::cout, std::cerr);
}

// The configuration of the directory with the history the window keeps of it, where and as long as the window's
// preferences say.
Configuration configurationWithHistory(const CommandLine& command) {
    const std::string directory = configurationDirectory(command);
    Configuration configuration(pathInDirectory(directory, "glym30.ini"), directory);
    configuration.setHistory(windowpreferences::historyPlace(
        windowpreferences::readOptions(windowpreferences::location(QCoreApplication::applicationFilePath()))));
    return configuration;
}

history::Store storeOf(const Configuration& configuration) {
    const std::string directory = configuration.historyDirectory();
    if (directory.empty())
        throw GlymError("No history can be kept: neither $XDG_STATE_HOME nor the home directory is known.");
    return history::Store(directory);
}

void tell(const std::string& message) {
    std::cerr << kProgramName << ": " << message << '\n';
}

// One generation a line, newest first; a generation that cannot be read is told (status 2) and the others listed.
int runHistory(const CommandLine& command) {
    const history::Store store = storeOf(configurationWithHistory(command));
    const history::Listing listing = store.list();
    for (const history::Generation& generation : listing.generations)
        std::cout << history::summaryLine(generation) << '\n';
    for (const std::string& problem : listing.problems)
        tell(problem);
    if (listing.generations.empty() && listing.problems.empty())
        tell("No save has been recorded in " + store.directory() + " yet.");
    return listing.problems.empty() ? 0 : 2;
}

// As diff does: 0 when the files are the same, 1 when they differ.
int runDiff(const CommandLine& command) {
    const Configuration configuration = configurationWithHistory(command);
    const history::Store store = storeOf(configuration);
    const unsigned older = command.generations.front();
    const history::Snapshot olderFiles = store.files(store.generation(older));
    const bool toNow = command.generations.size() < 2;
    const history::Snapshot newerFiles =
        toNow ? configuration.filesOnDisk() : store.files(store.generation(command.generations.back()));
    const std::vector<history::FileChange> changes = history::compareSnapshots(olderFiles, newerFiles);
    std::cout << history::unifiedDiff(changes, "generation " + std::to_string(older),
                                      toNow ? std::string("now")
                                            : "generation " + std::to_string(command.generations.back()));
    return history::anyDifference(changes) ? 1 : 0;
}

// A save as the window's: one at a time in the directory.
int runRestore(const CommandLine& command) {
    Configuration configuration = configurationWithHistory(command);
    storeOf(configuration);
    const unsigned number = command.generations.front();
    const SaveLock lock(configurationDirectory(command));
    const Configuration::SaveResult restored = configuration.restore(number);
    if (!restored.changedMeanwhile.empty()) {
        tell(restored.changedMeanwhile + " changed while generation " + std::to_string(number) +
             " was being restored: nothing was written.");
        return 2;
    }
    for (const std::string& note : restored.notes)
        tell(note);
    if (restored.generation)
        std::cout << "Restored generation " << number << " as generation " << restored.generation << ".\n";
    return 0;
}

// The history's commands end on an error with its message and status 2.
int guarded(int (*run)(const CommandLine&), const CommandLine& command) {
    try {
        return run(command);
    } catch (const std::exception& error) {
        tell(error.what());
        return 2;
    }
}

} // namespace

int runConsoleCommand(const CommandLine& command) {
    switch (command.action) {
    case CommandLine::Action::Check:
        return runCheck(command);
    case CommandLine::Action::History:
        return guarded(runHistory, command);
    case CommandLine::Action::Diff:
        return guarded(runDiff, command);
    case CommandLine::Action::Restore:
        return guarded(runRestore, command);
    case CommandLine::Action::Configure:
        return runConfigurationCommand(configurationDirectory(command), command.configure);
    case CommandLine::Action::Help:
        std::cout << commandLineHelp(QLatin1String(kProgramName)).toLocal8Bit().toStdString();
        return 0;
    case CommandLine::Action::Version:
        std::cout << kProgramName << ' ' << GLYM_VERSION << '\n';
        return 0;
    case CommandLine::Action::Error:
    case CommandLine::Action::Window:
        break;
    }
    std::cerr << kProgramName << ": " << command.message.toLocal8Bit().toStdString() << '\n'
              << "Try '" << kProgramName << " --help' for more information.\n";
    return 2;
}
