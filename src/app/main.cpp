#include "app/Main.h"
#include "app/CommandLine.h"
#include "app/ConfigurationDirectory.h"
#include "app/ConsoleCommand.h"
#include "app/Theme.h"
#include "app/Translations.h"
#include "session/WindowPreferences.h"

#include <QApplication>
#include <QTimer>
#include <memory>

int main(int argc, char* argv[]) {
    // Decided before any application object exists: the check, the help and the version need no display.
    CommandLine command = parseCommandLine(commandLineArguments(argc, argv), false);
    if (command.action != CommandLine::Action::Window) {
        QCoreApplication application(argc, argv);
        return runConsoleCommand(command);
    }

    QApplication application(argc, argv); // takes the toolkit's own options (-style, -platform, ...) away
    command = parseCommandLine(QApplication::arguments(), true);
    if (command.action != CommandLine::Action::Window)
        return runConsoleCommand(command);
    translations::install(QLocale::system()); // before any window: a form takes its texts as it is built
    const QString executable = QApplication::applicationFilePath();
    // An installed program has no glym30.ini beside it: it works on the directory opened last, or asks for one (in
    // the theme of the window to come); Cancel ends the program.
    if (command.directory.isEmpty() && !configurationdirectory::besideExecutable(executable)) {
        const windowpreferences::Options options =
            windowpreferences::readOptions(windowpreferences::location(executable));
        theme::apply(options.theme);
        command.directory = configurationdirectory::lastOrChosen(options.recentDirectories);
        if (command.directory.isEmpty())
            return 0;
    }
    const auto window = command.directory.isEmpty() ? std::make_unique<TMainWnd>(executable)
                                                    : std::make_unique<TMainWnd>(executable, QDir(command.directory));
    window->show();
    if (!command.logFiles.isEmpty())
        QTimer::singleShot(0, window.get(), [&window, &command] { window->openLogs(command.logFiles); });
    return application.exec();
}
