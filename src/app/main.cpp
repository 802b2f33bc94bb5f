#include "app/Main.h"
#include "app/CommandLine.h"
#include "app/ConsoleCommand.h"
#include "app/Translations.h"

#include <QApplication>
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
    translations::install(QLocale::system()); // before the window: its form takes the texts as it is built
    const auto window = command.directory.isEmpty()
                            ? std::make_unique<TMainWnd>()
                            : std::make_unique<TMainWnd>(QApplication::applicationFilePath(), QDir(command.directory));
    window->show();
    return application.exec();
}
