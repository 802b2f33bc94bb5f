#include "app/ConsoleCommand.h"

#include "app/CommandLine.h"
#include "check/ConfigCheck.h"

#include <QCoreApplication>
#include <QFile>
#include <iostream>

namespace {

constexpr char kProgramName[] = "glymconf";

// Without --dir, the files beside the program, as the window would open them.
int runCheck(const QString& directory) {
    const QString where = directory.isEmpty() ? QCoreApplication::applicationDirPath() : directory;
    const CheckReport report = checkConfiguration(QFile::encodeName(where).toStdString());
    return printCheckReport(report, std::cout, std::cerr);
}

} // namespace

int runConsoleCommand(const CommandLine& command) {
    switch (command.action) {
    case CommandLine::Action::Check:
        return runCheck(command.directory);
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
