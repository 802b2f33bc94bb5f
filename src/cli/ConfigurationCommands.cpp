#include "cli/ConfigurationCommands.h"

#include "base/Text.h"
#include "cli/ConfigurationJson.h"
#include "cli/SettingText.h"
#include "common/FileIo.h"
#include "config/IniFile.h"
#include "document/Configuration.h"
#include "document/RuleEdits.h"
#include "history/SnapshotDiff.h"
#include "rules/Strings.h"

#include <QCommandLineParser>
#include <QFile>
#include <QTextStream>
#include <array>
#include <iostream>

namespace {

struct Options {
    QCommandLineOption dryRun{QStringLiteral("dry-run"),
                              QStringLiteral("set, rules add, rules delete, import: prints what the save would change "
                                             "as a unified diff, and saves nothing.")};
    QCommandLineOption json{QStringLiteral("json"),
                            QStringLiteral("rules list, export: prints JSON (see docs/configuration.schema.json).")};
    QCommandLineOption kind{QStringLiteral("kind"),
                            QStringLiteral("rules list: only the rules of this tag (PD, GD, ...)."),
                            QStringLiteral("TAG")};
    QCommandLineOption group{QStringLiteral("group"),
                             QStringLiteral("rules list: only the rules of this group (0 to 64)."),
                             QStringLiteral("N")};
};

void tell(const std::string& message) {
    std::cerr << "glymconf: " << message << '\n';
}

// The configuration of the directory, read; with the save lock held for a command that changes it, from before it
// is read to the end of the program, so that two commands (or a command and a window's save) never interleave.
class Session {
public:
    Session(const std::string& directory, bool changes)
        : directory_(directory), configuration_(pathInDirectory(directory, "glym30.ini"), directory) {
        if (changes)
            lock_.emplace(directory);
        configuration_.setHistory(history::Place{.userRoot = history::defaultUserRoot()});
    }
    // False, after telling why, when a file cannot be read.
    bool load() {
        std::vector<std::string> failures;
        Configuration::LoadObserver observer;
        observer.failed = [&failures](const std::string& message) {
            failures.push_back(message);
        };
        configuration_.load(observer);
        configuration_.leaveMissingKeysOut();
        if (!configuration_.settingsProblem().empty())
            failures.insert(failures.begin(), configuration_.settingsFile() + ": " + configuration_.settingsProblem());
        for (const std::string& failure : failures)
            tell(fromFileBytes(failure).toStdString());
        return failures.empty();
    }
    Configuration& configuration() { return configuration_; }
    const std::string& directory() const { return directory_; }

private:
    std::string directory_;
    std::optional<SaveLock> lock_;
    Configuration configuration_;
};

// What a change cannot be saved as: rule files named so that a save would destroy another file, rules whose file
// no setting names.
std::vector<std::string> saveProblems(Session& session) {
    const Configuration& configuration = session.configuration();
    std::vector<std::string> problems;
    const OtherFiles others{configuration.settingsFile(),
                            {},
                            configuration.connectionLog().empty()
                                ? std::string()
                                : pathInDirectory(session.directory(), configuration.connectionLog())};
    for (const RuleFileClash& clash : configuration.ruleFileClashes(others))
        problems.push_back(clash.message);
    constexpr std::array<const char*, 3> kSections = {"Check", "Cache Skip", "Router"};
    const RuleFileNames names = configuration.ruleFileNames();
    const std::array<const std::string*, 3> files = {&names.accessRules, &names.cacheSkip, &names.portMapping};
    for (std::size_t file = 0; file < files.size(); ++file)
        if (files[file]->empty() && configuration.hasRules(file))
            problems.push_back(std::string("rules would be saved into no file: set [") + kSections[file] +
                               "] File Name.");
    return problems;
}

// Saves what the command changed, once, or prints the diff (dryRun); nothing when anything was refused.
int saveChanges(Session& session, std::vector<std::string> refusals, bool dryRun, const std::string& comment) {
    if (refusals.empty())
        refusals = saveProblems(session);
    for (const std::string& refusal : refusals)
        tell(refusal);
    if (!refusals.empty())
        return 1;
    Configuration& configuration = session.configuration();
    if (dryRun) {
        const std::string diff = history::unifiedDiff(configuration.pendingChanges(), "now", "after");
        std::cout << fromFileBytes(diff).toStdString();
        return 0;
    }
    if (configuration.changes().empty())
        return 0;
    if (const auto outside = configuration.checkFiles(); !outside.empty()) {
        for (const Configuration::OutsideChange& change : outside)
            tell(fromFileBytes(change.file).toStdString() + " was " + change.what +
                 " since it was read: nothing was saved.");
        return 1;
    }
    const Configuration::SaveResult saved = configuration.save(ConflictChoice::Mine, comment);
    if (!saved.changedMeanwhile.empty()) {
        tell(fromFileBytes(saved.changedMeanwhile).toStdString() + " changed while it was saved: nothing was saved.");
        return 1;
    }
    for (const std::string& note : saved.notes)
        tell(fromFileBytes(note).toStdString());
    return 0;
}

// A rule file's name changed to an existing file that was not the one read: its rules are what the proxy will read
// there, so they take the place of those held. A name of no file keeps the rules: the save writes them there.
void followRuleFileNames(Configuration& configuration, const RuleFileNames& before) {
    const RuleFileNames now = configuration.ruleFileNames();
    auto moved = [](const std::string& old, const std::string& name) {
        return !name.empty() && !sameFile(old, name) && fileExists(name);
    };
    LoadFindings dropped;
    if (moved(before.accessRules, now.accessRules))
        configuration.groups() = configuration.readAccessRules(now.accessRules, dropped);
    if (moved(before.cacheSkip, now.cacheSkip))
        configuration.cacheSkipLines() = configuration.readCacheSkipRules(now.cacheSkip, dropped);
    if (moved(before.portMapping, now.portMapping)) {
        configuration.standardServices() = {};
        configuration.manualServices().clear();
        configuration.readPortMapping(now.portMapping, configuration.standardServices(), configuration.manualServices(),
                                      dropped);
    }
}

// Sets a setting from its text unless it already says that; a refusal is added to refusals.
void setSetting(Configuration& configuration, const ServerSetting& setting, const QString& text,
                std::vector<std::string>& refusals) {
    const auto index = static_cast<std::size_t>(&setting - kServerSettings.data());
    if (settingText(setting, configuration.setting(index)) == text.toStdString())
        return; // nothing to do (a value the window would refuse may stay as the file has it)
    std::string problem;
    if (const auto value = settingValueOf(setting, text, problem))
        configuration.setSetting(index, *value);
    else
        refusals.push_back(problem);
}

std::string commentOf(const ConfigurationRequest& request) {
    QString comment = QStringLiteral("glymconf ") + request.command;
    for (const QString& word : request.words)
        comment +=
            QLatin1Char(' ') + (word.contains(QLatin1Char(' ')) ? QLatin1Char('\'') + word + QLatin1Char('\'') : word);
    return toFileBytes(comment.left(200)).value_or("glymconf " + request.command.toStdString());
}

// Reads glym30.ini alone: the rule files play no part in a setting.
int runGet(const std::string& directory, const ConfigurationRequest& request) {
    const ServerSetting* setting = findSetting(request.words[0], request.words[1]);
    if (!setting) {
        tell("glym30.ini has no setting [" + request.words[0].toStdString() + "] " + request.words[1].toStdString() +
             ".");
        return 2;
    }
    const std::string path = pathInDirectory(directory, "glym30.ini");
    if (const std::string problem = profileFileProblem(path); !problem.empty()) {
        tell(fromFileBytes(path + ": " + problem).toStdString());
        return 2;
    }
    SettingValue value;
    loadServerSettings(
        path, [&](const ServerSetting& read, const SettingValue& shown) { value = &read == setting ? shown : value; },
        [](LoadPoint) {});
    std::cout << settingText(*setting, value) << '\n';
    return 0;
}

int runSet(const std::string& directory, const ConfigurationRequest& request) {
    const ServerSetting* setting = findSetting(request.words[0], request.words[1]);
    if (!setting) {
        tell("glym30.ini has no setting [" + request.words[0].toStdString() + "] " + request.words[1].toStdString() +
             ".");
        return 2;
    }
    Session session(directory, true);
    if (!session.load())
        return 2;
    Configuration& configuration = session.configuration();
    const RuleFileNames before = configuration.ruleFileNames();
    std::vector<std::string> refusals;
    setSetting(configuration, *setting, request.words[2], refusals);
    followRuleFileNames(configuration, before);
    return saveChanges(session, std::move(refusals), request.dryRun, commentOf(request));
}

// The lines given (the words, "-" standing for the lines of standard input), each with what names it in a
// message: the line itself, or "-:N".
struct GivenLine {
    QString text;
    std::string label;
};
std::vector<GivenLine> givenLines(const QStringList& words) {
    std::vector<GivenLine> lines;
    for (const QString& word : words) {
        if (word != QLatin1String("-")) {
            lines.push_back({word, "'" + word.toStdString() + "'"});
            continue;
        }
        QTextStream input(stdin);
        std::size_t number = 0;
        QString line;
        while (input.readLineInto(&line)) {
            ++number;
            if (!line.trimmed().isEmpty())
                lines.push_back({line, "-:" + std::to_string(number)});
        }
    }
    return lines;
}

int runRulesChange(const std::string& directory, const ConfigurationRequest& request, bool add) {
    const std::vector<GivenLine> lines = givenLines(request.words.mid(1));
    Session session(directory, true);
    if (!session.load())
        return 2;
    RuleEdits edits(session.configuration());
    std::vector<std::string> refusals;
    for (const GivenLine& given : lines) {
        const std::optional<std::string> bytes = toFileBytes(given.text);
        std::optional<RuleRefusal> refused;
        if (!bytes)
            refused = RuleRefusal{"holds a character the rule files cannot store (Windows-1251).", {}, 0};
        else
            refused = add ? edits.add(*bytes) : edits.remove(*bytes);
        if (refused)
            refusals.push_back(given.label + ": " + fromFileBytes(refused->message).toStdString());
    }
    for (const RuleRefusal& refused : edits.finish())
        refusals.push_back(fromFileBytes(refused.message).toStdString());
    return saveChanges(session, std::move(refusals), request.dryRun, commentOf(request));
}

int runRulesList(const std::string& directory, const ConfigurationRequest& request) {
    Session session(directory, false);
    if (!session.load())
        return 2;
    std::vector<ListedRule> rules = listRules(session.configuration());
    const std::string tag = request.kind.toUpper().toStdString();
    const auto group = request.group.isEmpty() ? std::nullopt : GroupTable::groupNumber(request.group.toStdString());
    std::erase_if(rules, [&](const ListedRule& rule) {
        const bool ofGroup =
            rule.kind->file == RuleFileKind::AccessRules && GroupTable::groupNumber(ruleField(rule.text, 1)) == group;
        return (!tag.empty() && rule.kind->tag != tag) || (group && !ofGroup);
    });
    if (request.json) {
        std::cout << rulesJson(rules);
        return 0;
    }
    std::string out;
    for (const ListedRule& rule : rules)
        out += fromFileBytes(rule.text).toStdString() + '\n';
    std::cout << out;
    return 0;
}

int runExport(const std::string& directory) {
    Session session(directory, false);
    if (!session.load())
        return 2;
    std::cout << configurationJson(session.configuration());
    return 0;
}

int runImport(const std::string& directory, const ConfigurationRequest& request) {
    const QString name = request.words[0];
    QFile file;
    const bool opened = name == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly)
                                                   : (file.setFileName(name), file.open(QIODevice::ReadOnly));
    if (!opened) {
        tell("Cannot read " + name.toStdString() + ": " + file.errorString().toStdString());
        return 2;
    }
    std::string problem;
    std::vector<std::string> refusals;
    const auto imported = readConfigurationJson(file.readAll(), problem, refusals);
    if (!imported) {
        tell(name.toStdString() + ": " + problem);
        return 2;
    }
    Session session(directory, true);
    if (!session.load())
        return 2;
    Configuration& configuration = session.configuration();
    const RuleFileNames before = configuration.ruleFileNames();
    for (const auto& [setting, text] : imported->settings)
        setSetting(configuration, *setting, text, refusals);
    if (!imported->rules)
        followRuleFileNames(configuration, before);
    else if (refusals.empty())
        for (const auto& [index, refused] : replaceRules(configuration, *imported->rules))
            refusals.push_back("rules[" + std::to_string(index) + "]: " + fromFileBytes(refused.message).toStdString());
    return saveChanges(session, std::move(refusals), request.dryRun, commentOf(request));
}

int run(const std::string& directory, const ConfigurationRequest& request) {
    if (request.command == QLatin1String("get"))
        return runGet(directory, request);
    if (request.command == QLatin1String("set"))
        return runSet(directory, request);
    if (request.command == QLatin1String("export"))
        return runExport(directory);
    if (request.command == QLatin1String("import"))
        return runImport(directory, request);
    if (request.words[0] == QLatin1String("list"))
        return runRulesList(directory, request);
    return runRulesChange(directory, request, request.words[0] == QLatin1String("add"));
}

} // namespace

bool isConfigurationCommand(const QString& word) {
    for (const char* command : {"get", "set", "rules", "export", "import"})
        if (word == QLatin1String(command))
            return true;
    return false;
}

QList<QCommandLineOption> configurationOptions() {
    const Options options;
    return {options.dryRun, options.json, options.kind, options.group};
}

void addConfigurationHelp(QCommandLineParser& parser) {
    parser.addOptions(configurationOptions());
    const std::pair<const char*, const char*> kCommands[] = {
        {"get", "get SECTION KEY: prints a setting of glym30.ini as the window shows it (a check 1 or 0, the cache "
                "type 1 or 2, the parent proxy host:port)."},
        {"set", "set SECTION KEY VALUE: changes one setting, with the window's checks."},
        {"rules", "rules list: prints the rule lines, or with --json objects with the tag, the named fields, the "
                  "file and the line number. rules add LINE...: adds rule lines written as in the files "
                  "('PD:2:example.com:'), checked as the dialogs check them; '-' reads the lines from standard "
                  "input. rules delete LINE...: deletes exactly these lines (exit status 1 when one is not there)."},
        {"export", "export --json: prints the whole configuration as one JSON document."},
        {"import", "import FILE.json: makes the files say what the document says. A change is saved once, with the "
                   "backups and a generation of the history, or not at all when any part is refused (exit status "
                   "1)."},
    };
    for (const auto& [syntax, description] : kCommands)
        parser.addPositionalArgument(QLatin1String(syntax), QLatin1String(description));
}

QString readConfigurationRequest(const QCommandLineParser& parser, const QStringList& words,
                                 ConfigurationRequest& request) {
    const Options options;
    request = {words.first(),
               words.mid(1),
               parser.isSet(options.dryRun),
               parser.isSet(options.json),
               parser.value(options.kind),
               parser.value(options.group)};
    const QString& command = request.command;
    const QString sub = request.words.value(0);
    const bool list = command == QLatin1String("rules") && sub == QLatin1String("list");
    const bool changes = command == QLatin1String("set") || command == QLatin1String("import") ||
                         (command == QLatin1String("rules") && !list);
    qsizetype fewest = 0;
    qsizetype most = 0;
    if (command == QLatin1String("get"))
        fewest = most = 2;
    else if (command == QLatin1String("set"))
        fewest = most = 3;
    else if (command == QLatin1String("import"))
        fewest = most = 1;
    else if (command == QLatin1String("rules")) {
        if (sub != QLatin1String("list") && sub != QLatin1String("add") && sub != QLatin1String("delete"))
            return QStringLiteral("'rules' is followed by list, add or delete.");
        fewest = list ? 1 : 2;
        most = list ? 1 : std::numeric_limits<qsizetype>::max();
    }
    if (request.words.size() < fewest)
        return QStringLiteral("'%1' needs more arguments (see --help).").arg(words.join(QLatin1Char(' ')));
    if (request.words.size() > most)
        return QStringLiteral("Unexpected argument '%1'.").arg(request.words[most]);
    if (request.dryRun && !changes)
        return QStringLiteral("--dry-run goes with set, rules add, rules delete and import.");
    if (request.json && !list && command != QLatin1String("export"))
        return QStringLiteral("--json goes with rules list and export.");
    if ((!request.kind.isEmpty() || !request.group.isEmpty()) && !list)
        return QStringLiteral("--kind and --group go with rules list.");
    if (!request.kind.isEmpty() && !ruleKindOfTag(request.kind.toUpper().toStdString()))
        return QStringLiteral("'%1' is no tag of a rule line.").arg(request.kind);
    if (!request.group.isEmpty() &&
        (!request.group.front().isDigit() || !GroupTable::groupNumber(request.group.toStdString())))
        return QStringLiteral("'%1' is no group number (0 to 64).").arg(request.group);
    return {};
}

int runConfigurationCommand(const std::string& directory, const ConfigurationRequest& request) {
    try {
        return run(directory, request);
    } catch (const std::exception& error) {
        tell(fromFileBytes(error.what()).toStdString());
        return 2;
    }
}
