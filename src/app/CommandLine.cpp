#include "app/CommandLine.h"

#include "systemd/ServiceCommand.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <filesystem>
#include <iterator>

namespace {

// The options; the help text is built from the same parser.
struct Options {
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Shows this help and exits.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Shows the program's version and exits.")};
    QCommandLineOption check{QStringLiteral("check"),
                             QStringLiteral("Checks glym30.ini and the rule files it names without opening a window. "
                                            "Prints one line per finding, \"file:line: message\". Exit status: 0 "
                                            "clean, 1 with findings, 2 when a file cannot be read.")};
    QCommandLineOption dir{QStringLiteral("dir"),
                           QStringLiteral("Works on DIR/glym30.ini and its rule files (relative names count from "
                                          "DIR) instead of those beside the program."),
                           QStringLiteral("DIR")};
    QCommandLineOption unit{QStringLiteral("unit"),
                            QStringLiteral("With 'service': drives the systemd unit NAME instead of the one the "
                                           "preferences name (glym.service unless set)."),
                            QStringLiteral("NAME")};
    QCommandLineOption log{QStringLiteral("log"),
                           QStringLiteral("Opens the window on the page Statistic showing the connection log FILE "
                                          "instead of the one the settings name; given more than once, the logs "
                                          "are read as one, in time order (rotations compressed with gzip or zstd "
                                          "too)."),
                           QStringLiteral("FILE")};
};

// The commands on the history, by the word that names them, and how many generation numbers each takes.
struct HistoryCommand {
    const char* word;
    CommandLine::Action action;
    qsizetype fewest;
    qsizetype most;
};
constexpr HistoryCommand kHistoryCommands[] = {
    {"history", CommandLine::Action::History, 0, 0},
    {"diff", CommandLine::Action::Diff, 1, 2},
    {"restore", CommandLine::Action::Restore, 1, 1},
};

// The names that ask for something no window is needed for (the value of --dir is no name).
bool asksForConsoleCommand(const QStringList& arguments) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        QString name = arguments[i];
        if (name == QLatin1String("--dir") || name == QLatin1String("-dir") || name == QLatin1String("--unit") ||
            name == QLatin1String("--log") || name == QLatin1String("-log")) {
            ++i;
            continue;
        }
        for (const HistoryCommand& command : kHistoryCommands)
            if (name == QLatin1String(command.word))
                return true;
        if (isConfigurationCommand(name) || name == QLatin1String("service"))
            return true;
        while (name.startsWith(QLatin1Char('-')))
            name.remove(0, 1);
        for (const char* console : {"check", "help", "h", "version", "v"})
            if (name == QLatin1String(console))
                return true;
    }
    return false;
}

// Whether the options the parser did not know may be the toolkit's window options, which are written with one
// dash (-style, -platform): a misspelt option of ours (--dri) is reported at once, without a display.
bool mayBeToolkitOptions(const QCommandLineParser& parser, const QStringList& arguments) {
    const QStringList unknown = parser.unknownOptionNames();
    if (unknown.isEmpty() || asksForConsoleCommand(arguments))
        return false;
    for (const QString& name : unknown)
        if (!arguments.contains(QLatin1Char('-') + name))
            return false;
    return true;
}

CommandLine error(const QString& message) {
    return {CommandLine::Action::Error, {}, message, {}, {}};
}

// "history", "diff N [M]" or "restore N", with numbers from 1 up.
CommandLine historyCommand(const QStringList& words) {
    const auto found =
        std::find_if(std::begin(kHistoryCommands), std::end(kHistoryCommands),
                     [&words](const HistoryCommand& c) { return words.first() == QLatin1String(c.word); });
    if (found == std::end(kHistoryCommands))
        return error(QStringLiteral("Unexpected argument '%1'.").arg(words.first()));
    const QStringList numbers = words.mid(1);
    if (numbers.size() < found->fewest)
        return error(QStringLiteral("'%1' needs the number of a generation.").arg(words.first()));
    if (numbers.size() > found->most)
        return error(QStringLiteral("Unexpected argument '%1'.").arg(numbers[found->most]));
    CommandLine command{found->action, {}, {}, {}, {}};
    for (const QString& number : numbers) {
        bool ok = false;
        const unsigned generation = number.toUInt(&ok);
        if (!ok || generation == 0 || !number.front().isDigit())
            return error(QStringLiteral("'%1' is not the number of a generation.").arg(number));
        command.generations << generation;
    }
    return command;
}

// "service status|start|stop|restart|reload".
CommandLine serviceCommand(const QStringList& words) {
    if (words.size() < 2 || !servicecommand::isCommandWord(words[1]))
        return error(QStringLiteral("'service' takes one of status, start, stop, restart, reload."));
    if (words.size() > 2)
        return error(QStringLiteral("Unexpected argument '%1'.").arg(words[2]));
    CommandLine command;
    command.action = CommandLine::Action::Service;
    command.service = words[1];
    return command;
}

// Why --dir cannot be worked on: nothing there, or something other than a directory (a link is followed); empty
// for a directory.
QString notADirectory(const QString& directory) {
    if (!directory.isEmpty() && QFileInfo(directory).isDir())
        return {};
    std::error_code error;
    const auto type = std::filesystem::status(QFile::encodeName(directory).toStdString(), error).type();
    QString what;
    switch (type) {
    case std::filesystem::file_type::regular:
        what = QStringLiteral("a file");
        break;
    case std::filesystem::file_type::fifo:
        what = QStringLiteral("a named pipe");
        break;
    case std::filesystem::file_type::socket:
        what = QStringLiteral("a socket");
        break;
    case std::filesystem::file_type::block:
    case std::filesystem::file_type::character:
        what = QStringLiteral("a device");
        break;
    default:
        return QStringLiteral("No such directory: '%1'.").arg(directory);
    }
    return QStringLiteral("'%1' is %2, not a directory.").arg(directory, what);
}

} // namespace

QStringList commandLineArguments(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

QString commandLineHelp(const QString& programName) {
    Options options;
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("The configurator of the GLYM proxy server: views and edits glym30.ini, its three rule "
                       "files and reads the connection log. Without options it opens its window on the glym30.ini "
                       "beside the program; without one there, on the directory opened last, or it asks for one."));
    parser.addOptions({options.check, options.dir, options.unit, options.log, options.help, options.version});
    parser.addPositionalArgument(QStringLiteral("history"),
                                 QStringLiteral("Lists the saves the history recorded, newest first, one a line: "
                                                "number, time, user@host, files changed, lines added and removed, "
                                                "comment."));
    parser.addPositionalArgument(QStringLiteral("diff N [M]"),
                                 QStringLiteral("Shows what changed from generation N to generation M, or to the "
                                                "files now, as a unified diff. Exit status: 0 the same, 1 "
                                                "different, 2 when a generation cannot be read."));
    parser.addPositionalArgument(QStringLiteral("restore N"),
                                 QStringLiteral("Writes the files of generation N back as a save, which is recorded "
                                                "itself (files changed since the newest generation are recorded "
                                                "first)."));
    addConfigurationHelp(parser);
    parser.addPositionalArgument(QStringLiteral("service COMMAND"),
                                 QStringLiteral("Drives the proxy's systemd unit: status, start, stop, restart or "
                                                "reload, and prints its state. Exit status: 0 done, 1 when systemd "
                                                "refused or the job failed, 2 when there is no system bus, no "
                                                "systemd or no such unit."));
    QString text = parser.helpText();
    // The usage line names the program as it was started; the help names it by its name.
    const qsizetype end = text.indexOf(QLatin1Char('\n'));
    return QStringLiteral("Usage: ") + programName + QStringLiteral(" [options]") + text.mid(end);
}

CommandLine parseCommandLine(const QStringList& arguments, bool toolkitOptionsRemoved) {
    Options options;
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions({options.help, options.version, options.check, options.dir, options.unit, options.log});
    parser.addOptions(configurationOptions());
    if (!parser.parse(arguments)) {
        if (!toolkitOptionsRemoved && mayBeToolkitOptions(parser, arguments))
            return {}; // perhaps the toolkit's options: read again once the application object has taken them
        return error(parser.errorText());
    }
    if (parser.isSet(options.help))
        return {CommandLine::Action::Help, {}, {}, {}, {}};
    if (parser.isSet(options.version))
        return {CommandLine::Action::Version, {}, {}, {}, {}};
    CommandLine command;
    command.action = parser.isSet(options.check) ? CommandLine::Action::Check : CommandLine::Action::Window;
    if (const QStringList extra = parser.positionalArguments(); !extra.isEmpty()) {
        if (parser.isSet(options.check))
            return error(QStringLiteral("Unexpected argument '%1'.").arg(extra.first()));
        if (isConfigurationCommand(extra.first())) {
            command.action = CommandLine::Action::Configure;
            if (const QString problem = readConfigurationRequest(parser, extra, command.configure); !problem.isEmpty())
                return error(problem);
        } else {
            command = extra.first() == QLatin1String("service") ? serviceCommand(extra) : historyCommand(extra);
        }
        if (command.action == CommandLine::Action::Error)
            return command;
    }
    if (command.action != CommandLine::Action::Configure)
        for (const QCommandLineOption& option : configurationOptions())
            if (parser.isSet(option))
                return error(
                    QStringLiteral("--%1 goes with a command on the configuration.").arg(option.names().first()));
    if (parser.isSet(options.unit)) {
        if (command.action != CommandLine::Action::Service)
            return error(QStringLiteral("--unit goes with 'service'."));
        command.unit = parser.value(options.unit);
    }
    if (parser.isSet(options.log)) {
        if (command.action != CommandLine::Action::Window)
            return error(QStringLiteral("--log opens the window: it cannot go with a command."));
        command.logFiles = parser.values(options.log);
    }
    if (parser.isSet(options.dir)) {
        command.directory = parser.value(options.dir);
        if (const QString problem = notADirectory(command.directory); !problem.isEmpty())
            return error(problem);
    }
    return command;
}
