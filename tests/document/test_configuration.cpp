#include "document/Configuration.h"
#include "document/ConfigurationChange.h"

#include "common/CoreTestSupport.h"

#include <QMap>
#include <QTemporaryDir>
#include <QTest>

using namespace coretest;

// A step built on the configuration as the steps before it left it, as the window builds each on the user's action.
using StepOf = std::function<ConfigurationChange(Configuration&)>;
Q_DECLARE_METATYPE(StepOf)

// The configuration document without a window: a copy of examples/ in a directory made current, loaded, changed
// through the document's functions, checked against the disk and saved.
class TestConfiguration : public QObject {
    Q_OBJECT

    QTemporaryDir* dir_ = nullptr;
    QString previous_;
    Configuration config_;

    static std::size_t index(std::string_view control) { return Configuration::settingOfControl(control); }
    static SettingValue value(std::string text, std::string port = {}, bool on = false) {
        return {std::move(text), std::move(port), on};
    }
    // Every file of the directory with its bytes (a directory shows as "<dir>").
    QMap<QString, QByteArray> disk() const {
        QMap<QString, QByteArray> files;
        for (const QString& name : entries(dir_->path()))
            files[name] = QFileInfo(dir_->filePath(name)).isDir() ? QByteArray("<dir>") : readBytes(name);
        return files;
    }
    void replace(const QString& name, const QByteArray& bytes) {
        QFile::remove(name);
        if (bytes == "<dir>")
            QVERIFY(QDir().mkdir(name));
        else if (bytes != "<none>")
            QVERIFY(writeBytes(name, bytes));
    }
    void change(const QString& name, const QByteArray& from, const QByteArray& to) {
        QByteArray bytes = readBytes(name);
        QVERIFY(bytes.contains(from));
        QVERIFY(writeBytes(name, bytes.replace(from, to)));
    }
    // What checkFiles finds, "file what" (glym30.ini without its "./").
    QStringList outside() {
        QStringList found;
        for (const Configuration::OutsideChange& change : config_.checkFiles())
            found << QString::fromStdString(change.file).remove(QStringLiteral("./")) + " " +
                         QString::fromStdString(change.what);
        return found;
    }
    // "name +a -d: -removed +added" for each file, the lines without their ends.
    static QStringList described(const std::vector<history::FileChange>& files) {
        QStringList shown;
        for (const history::FileChange& file : files) {
            QString text = QString::fromStdString(file.newerName.empty() ? file.olderName : file.newerName) +
                           QStringLiteral(" +%1 -%2:").arg(file.diff.counts.added).arg(file.diff.counts.removed);
            for (const textdiff::Hunk& hunk : file.diff.hunks)
                for (const textdiff::DiffLine& line : hunk.lines)
                    if (line.change != textdiff::LineChange::Same)
                        text += u' ' + QChar(char16_t(line.change)) +
                                QString::fromStdString(std::string(textdiff::lineText(line)));
            shown << text;
        }
        return shown;
    }
    QStringList findings() const {
        QStringList all;
        for (const Finding& finding : config_.findings())
            all << QString::fromStdString(formatFinding(finding));
        return all;
    }

private slots:
    void init() {
        dir_ = new QTemporaryDir;
        for (const char* name : {"glym30.ini", "access.txt", "skip.txt", "router.txt"})
            QVERIFY(QFile::copy(QStringLiteral(GLYM_TEST_DATA "/../../examples/") + QLatin1String(name),
                                dir_->filePath(QLatin1String(name))));
        previous_ = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir_->path()));
        config_ = Configuration();
    }
    void cleanup() {
        QDir::setCurrent(previous_);
        delete dir_;
    }

    // The proxy's order: each rule file once its setting is read (cache-skip, port-mapping), the access rules last;
    // every setting as the file's bytes.
    void loadsInTheProxysOrder() {
        QStringList events;
        Configuration::LoadObserver observer;
        observer.settingRead = [&](const ServerSetting& s, const SettingValue&) {
            if (s.key == "File Name" && (s.section == "Cache Skip" || s.section == "Router" || s.section == "Check"))
                events << QString::fromLatin1(s.section.data(), qsizetype(s.section.size()));
        };
        observer.replacingRules = [&](std::size_t file, const std::function<void()>& change) {
            change();
            const std::size_t held = file == 1 ? config_.cacheSkipLines().size() : config_.manualServices().size();
            events << QStringLiteral("rules %1: %2").arg(file).arg(file == 0 ? config_.hasRules(0) : held);
        };
        config_.load(observer);
        QCOMPARE(events, QStringList({"rules 0: 0", "rules 1: 0", "rules 2: 0", "Cache Skip", "rules 1: 5", "Router",
                                      "rules 2: 3", "Check", "rules 0: 1"}));
        QCOMPARE(config_.findings().size(), std::size_t(0));
        QVERIFY(!config_.settingsFileMissing());
        QCOMPARE(config_.groups().find(1)->GroupLine, std::string("GN:1:Office:first floor"));
        QCOMPARE(config_.setting(index("EditProxyPort")), value("3128"));
        QCOMPARE(config_.setting(index("EditParentIP")), value("192.168.10.1", "8080"));
        QCOMPARE(config_.setting(index("MemoryCache")), value({})); // Cache Type=2: the file cache
        QCOMPARE(config_.setting(index("UsersEnabled")), value({}, {}, true));
        QCOMPARE(config_.setting(index("FCachePath")), value("cache"));
    }

    // The check reads a configuration in a directory it does not make current: relative rule-file names count from
    // the directory given, and so do the files and findings named.
    void loadsInAnotherDirectory() {
        QVERIFY(QDir::setCurrent(previous_));
        QVERIFY(writeBytes(dir_->filePath(QStringLiteral("skip.txt")), "SD:a:\r\nXX:b:\r\n"));
        const std::string directory = dir_->path().toStdString();
        Configuration config(directory + "/glym30.ini", directory);
        config.load({});
        QCOMPARE(config.ruleFileNames().portMapping, directory + "/router.txt");
        QCOMPARE(config.manualServices().size(), std::size_t(3));
        QCOMPARE(config.findings().size(), std::size_t(1));
        QCOMPARE(config.findings()[0].file, directory + "/skip.txt");
    }

    // Lines the loaders leave out are findings by file and line; a rule file that cannot be read is told and the
    // load goes on; a glym30.ini missing or not readable as settings shows the load defaults.
    void loadFindings_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("bytes"); // "<none>": removed, "<dir>": a directory in its place
        QTest::addColumn<QStringList>("findings");
        QTest::addColumn<QStringList>("failures");
        QTest::addColumn<QString>("port"); // as loaded
        QTest::newRow("lines left out") << "skip.txt" << QByteArray("SD:a:\r\nXX:b:\r\nSA:c:\r\n")
                                        << QStringList("skip.txt:2: unknown tag \"XX\"") << QStringList() << "3128";
        QTest::newRow("rule file unreadable")
            << "router.txt" << QByteArray("<dir>") << QStringList()
            << QStringList("Cannot read file \"router.txt\". Is a directory") << "3128";
        QTest::newRow("glym30.ini missing")
            << "glym30.ini" << QByteArray("<none>") << QStringList() << QStringList() << "3128";
        QTest::newRow("glym30.ini unreadable")
            << "glym30.ini" << QByteArray("<dir>")
            << QStringList("./glym30.ini:0: cannot be read: Is a directory (the defaults are shown)") << QStringList()
            << "3128";
        QTest::newRow("glym30.ini read") << "glym30.ini" << QByteArray("[Server]\nPort=08080\n") << QStringList()
                                         << QStringList() << "08080";
    }
    void loadFindings() {
        QFETCH(QString, file);
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, findings);
        QFETCH(QStringList, failures);
        QFETCH(QString, port);
        replace(file, bytes);
        QStringList failed;
        Configuration::LoadObserver observer;
        observer.failed = [&failed](const std::string& message) {
            failed << QString::fromStdString(message);
        };
        config_.load(observer);
        QCOMPARE(this->findings(), findings);
        QCOMPARE(failed, failures);
        if (bytes != "<dir>")
            QCOMPARE(config_.settingsFileMissing(), bytes == "<none>");
        QCOMPARE(config_.setting(index("EditProxyPort")).text, port.toStdString());
        QCOMPARE(config_.cacheSkipLines().size(), std::size_t(file == "skip.txt" ? 2 : file == "glym30.ini" ? 0 : 5));
    }

    // What a save would write, and the save: nothing while nothing changed; only the files whose content changed,
    // the rule files before glym30.ini, merged into it key by key (every other byte stays); backups of rule files.
    void changesAndSave() {
        config_.load({});
        const QMap<QString, QByteArray> asLoaded = disk();
        QVERIFY(config_.changes().empty());
        QVERIFY(config_.save().notes.empty());
        QCOMPARE(disk(), asLoaded);

        config_.setSetting(index("EditProxyPort"), value("8080"));
        config_.setSetting(index("EditProxyPort"), value("3128")); // back as read: no change
        QVERIFY(config_.changes().empty());
        config_.setSetting(index("EditProxyPort"), value("8080"));
        config_.setSetting(index("CacheSkipEnabled"), value({}));
        config_.cacheSkipLines().push_back("SD:*.cgi:");
        QByteArray settings = asLoaded["glym30.ini"];
        settings.replace("Port=3128", "Port=8080").replace("[Cache Skip]\r\nEnable=1", "[Cache Skip]\r\nEnable=0");
        const QByteArray skip = asLoaded["skip.txt"] + "SD:*.cgi:\r\n";
        const std::vector<FileToWrite> changes = config_.changes();
        QCOMPARE(changes.size(), std::size_t(2));
        QCOMPARE(changes[0].path, std::string("skip.txt"));
        QCOMPARE(qbytes(changes[0].bytes), skip);
        QCOMPARE(changes[1].path, std::string("./glym30.ini"));
        QCOMPARE(qbytes(changes[1].bytes), settings);

        QVERIFY(config_.checkFiles().empty());
        const Configuration::SaveResult saved = config_.save();
        QVERIFY(saved.changedMeanwhile.empty());
        QMap<QString, QByteArray> expected = asLoaded;
        expected["glym30.ini"] = settings;
        expected["skip.txt"] = skip;
        expected["skip.txt.bak"] = asLoaded["skip.txt"];
        QCOMPARE(disk(), expected);
        QVERIFY(config_.changes().empty()); // what was saved is what the next save compares with
        QVERIFY(config_.checkFiles().empty());
    }

    // Files changed on disk after the load: checkFiles names those the save would write; a change after checkFiles
    // stops the save with nothing written; a setting changed on both sides is a conflict, other keys merge.
    void outsideChanges_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("atLoad"); // the file's bytes at the load ("" as in examples/)
        QTest::addColumn<QByteArray>("later");  // and after it
        QTest::addColumn<QString>("what");      // as checkFiles reports it, "" for nothing
        QTest::newRow("glym30.ini changed") << "glym30.ini" << QByteArray() << QByteArray("<changed>") << "changed";
        QTest::newRow("rule file deleted") << "skip.txt" << QByteArray() << QByteArray("<none>") << "deleted";
        QTest::newRow("rule file created")
            << "skip.txt" << QByteArray("<none>") << QByteArray("SD:x:\r\n") << "created";
        QTest::newRow("a file the save leaves alone")
            << "access.txt" << QByteArray() << QByteArray("GN:0:Everyone:\r\n") << "";
    }
    void outsideChanges() {
        QFETCH(QString, file);
        QFETCH(QByteArray, atLoad);
        QFETCH(QByteArray, later);
        QFETCH(QString, what);
        if (!atLoad.isEmpty())
            replace(file, atLoad);
        config_.load({});
        config_.setSetting(index("EditProxyPort"), value("8080"));
        config_.cacheSkipLines().assign({"SA:mine:"});
        if (later == "<changed>")
            change(file, "Threads=32", "Threads=64");
        else
            replace(file, later);

        const QStringList found = what.isEmpty() ? QStringList() : QStringList(file + " " + what);
        if (!what.isEmpty()) // a save without the check stops at the file someone changed
            QCOMPARE(QString::fromStdString(config_.save().changedMeanwhile).remove(QStringLiteral("./")), file);
        QCOMPARE(outside(), found);
        QVERIFY(config_.settingConflicts().empty());
        change("glym30.ini", "Port=3128", "Port=3129"); // after checkFiles: the save stops, skip.txt is put back
        const QMap<QString, QByteArray> before = disk();
        QCOMPARE(config_.save().changedMeanwhile, std::string("./glym30.ini"));
        QCOMPARE(disk(), before);

        // Checked again: what the stopped save put back is as it was; the port is changed on both sides. A save
        // keeping theirs need not write glym30.ini, yet takes in what it holds: the next check finds no change.
        QCOMPARE(outside(), QStringList("glym30.ini changed") + (file == "skip.txt" ? found : QStringList()));
        const std::vector<SettingConflict> conflicts = config_.settingConflicts();
        QCOMPARE(conflicts.size(), std::size_t(1));
        QCOMPARE(conflicts[0].index, index("EditProxyPort"));
        QCOMPARE(conflicts[0].mine, std::string("8080"));
        QCOMPARE(conflicts[0].theirs, std::optional<std::string>("3129"));
        QVERIFY(config_.save(ConflictChoice::Theirs).changedMeanwhile.empty());
        QCOMPARE(readBytes("glym30.ini"), before["glym30.ini"]);
        QCOMPARE(readBytes("skip.txt"), QByteArray("SA:mine:\r\n"));
        QCOMPARE(outside(), QStringList());
    }

    // What each side of an outside change did, and what a save would do to the disk. The configuration keeps the
    // bytes it read (and then those it wrote): theirs is what was read against the disk, ours what was read against
    // what the window makes of it, glym30.ini merged into the file as read, so their key is no change of ours.
    void sidesOfAnOutsideChange() {
        config_.load({});
        const QByteArray settingsAtLoad = readBytes("glym30.ini");
        QCOMPARE(qbytes(*config_.bytesAsRead("./glym30.ini")), settingsAtLoad);
        QCOMPARE(config_.bytesAsRead("router.txt")->size(), std::size_t(readBytes("router.txt").size()));
        config_.setSetting(index("EditProxyPort"), value("8080"));
        config_.cacheSkipLines().push_back("SA:mine:");
        change("glym30.ini", "Threads=32", "Threads=64");
        change("skip.txt", "BR:404:\r\n", "BR:404:\r\nSD:theirs:\r\n");
        change("router.txt", "CS:", "CS:9.9.9.9:x\r\nCS:"); // a file the window would not write

        QCOMPARE(described(config_.pendingChanges()), // glym30.ini merged into the file as it is now
                 QStringList({"glym30.ini +1 -1: -Port=3128 +Port=8080", "skip.txt +1 -1: -SD:theirs: +SA:mine:"}));
        QStringList changed;
        for (const Configuration::OutsideChange& file : config_.changedOnDisk())
            changed << QString::fromStdString(file.file + " " + file.what);
        QCOMPARE(changed, QStringList({"./glym30.ini changed", "skip.txt changed", "router.txt changed"}));
        const Configuration::ChangesSinceRead sides = config_.changesSinceRead(config_.checkFiles());
        QCOMPARE(described(sides.theirs),
                 QStringList({"glym30.ini +1 -1: -Threads=32 +Threads=64", "skip.txt +1 -0: +SD:theirs:"}));
        QCOMPARE(described(sides.ours),
                 QStringList({"glym30.ini +1 -1: -Port=3128 +Port=8080", "skip.txt +1 -0: +SA:mine:"}));

        // Saved: what was written is what was read now, and nothing differs on either side.
        QVERIFY(config_.save().changedMeanwhile.empty());
        QCOMPARE(qbytes(*config_.bytesAsRead("skip.txt")), readBytes("skip.txt"));
        QCOMPARE(qbytes(*config_.bytesAsRead("./glym30.ini")), readBytes("glym30.ini"));
        const Configuration::ChangesSinceRead after = config_.changesSinceRead(config_.checkFiles());
        QVERIFY(after.theirs.empty() && after.ours.empty());
        QVERIFY(config_.pendingChanges().empty());
        // A file never read has no bytes to show.
        QVERIFY(!config_.bytesAsRead("other.txt"));
    }

    // The rule-line steps: applied in order, a rule file holds the lines they give; reverted the other way round,
    // nothing is left to save; applied again, the same bytes (lines keep their ids and places).
    void steps_data() {
        QTest::addColumn<QList<StepOf>>("steps");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArrayList>("edits"); // of the bytes as saved: from, to, from, to, ...
        const auto gd = &TProxyUsers::NetworkRules;
        const auto cd = &TProxyUsers::HostRules;
        QTest::newRow("group lines")
            << QList<StepOf>{
                   [=](Configuration& c) {
                       return changes::addGroupLine(c.groups(), gd, 5, "GD:5:10.0.0.0:255.0.0.0:lab");
                   },
                   [=](Configuration& c) {
                       return changes::addGroupLine(c.groups(), gd, 1, "GD:1:10.1.0.0:255.255.0.0:");
                   },
                   [=](Configuration& c) {
                       return *changes::replaceGroupLine(c.groups(), gd, 2, (c.groups().find(2)->*gd)[0].id,
                                                         "GD:2:x:y:");
                   },
                   [=](Configuration& c) {
                       return *changes::removeGroupLine(c.groups(), cd, 2, (c.groups().find(2)->*cd)[0].id);
                   },
               }
            << "access.txt"
            << QByteArrayList{"office network\r\n",
                              "office network\r\nGD:1:10.1.0.0:255.255.0.0:\r\n",
                              "GD:2:192.168.20.0:255.255.255.128:",
                              "GD:2:x:y:",
                              "CD:2:BOOKKEEPER:\r\n",
                              "",
                              "RL:3:6000000:\r\n",
                              "RL:3:6000000:\r\nGD:5:10.0.0.0:255.0.0.0:lab\r\n"};
        QTest::newRow("single lines")
            << QList<StepOf>{
                   [](Configuration& c) {
                       return changes::setGroupLine(c.groups(), &TProxyUsers::LimitRule, 3, "TL:3:5:");
                   },
                   [](Configuration& c) { return changes::clearGroupLine(c.groups(), &TProxyUsers::SpeedRule, 3); },
                   [](Configuration& c) {
                       return changes::both(
                           changes::clearGroupLine(c.groups(), &TProxyUsers::GroupLine, 1),
                           changes::setGroupLine(c.groups(), &TProxyUsers::InputAuthRule, 1, "IA:1:x:"));
                   },
               }
            << "access.txt"
            << QByteArrayList{"TL:3:102400:100 MB a day",    "TL:3:5:", "RL:3:6000000:\r\n",       "",
                              "GN:1:Office:first floor\r\n", "",        "IA:1:office:Spring2024:", "IA:1:x:"};
        QTest::newRow("cache-skip lines")
            << QList<StepOf>{
                   [](Configuration& c) { return changes::appendLine(c.cacheSkipLines(), "SD:new:"); },
                   [](Configuration& c) { return changes::replaceLine(c.cacheSkipLines(), 0, "SD:/bin/:"); },
                   [](Configuration& c) { return changes::removeLine(c.cacheSkipLines(), 1); },
                   [](Configuration& c) {
                       return changes::reorderLines(c.cacheSkipLines(), {4, 1, 2, 3, 0});
                   },
               }
            << "skip.txt"
            << QByteArrayList{"SD:/cgi-bin/:dynamic pages\r\nSD:*.php?*:\r\n", "SD:new:\r\n", "BR:404:\r\n",
                              "BR:404:\r\nSD:/bin/:\r\n"};
        QTest::newRow("port-mapping services")
            << QList<StepOf>{
                   [](Configuration& c) { return changes::appendLine(c.manualServices(), "CR:1:1:h:new:1:1:1:1:1:"); },
                   [](Configuration& c) {
                       return changes::replaceLine(c.manualServices(), 0, "CR:8026:25:relay:smtp:1:1:1:1:1:");
                   },
                   [](Configuration& c) { return changes::removeLine(c.manualServices(), 1); },
               }
            << "router.txt"
            << QByteArrayList{"CR:8025:25:relay.example.net:smtp relay:15:15:60:100:100:second mail route",
                              "CR:8026:25:relay:smtp:1:1:1:1:1:",
                              "CR:3389:3389:192.168.20.15:rdp:4:15:600:100:100:accounting terminal\r\n",
                              "",
                              "64:60:100:100:\r\n",
                              "64:60:100:100:\r\nCR:1:1:h:new:1:1:1:1:1:\r\n"};
    }
    void steps() {
        QFETCH(QList<StepOf>, steps);
        QFETCH(QString, file);
        QFETCH(QByteArrayList, edits);
        config_.load({});
        // The edits are of the file as a save writes it (the access rules group by group, a blank line before the
        // manual services): saved with the first step and saved again without it.
        ConfigurationChange first = steps[0](config_);
        first.apply();
        QVERIFY(config_.save().changedMeanwhile.empty());
        first.revert();
        QVERIFY(config_.save().changedMeanwhile.empty());
        QByteArray expected = readBytes(file);
        for (qsizetype i = 0; i + 1 < edits.size(); i += 2) {
            QVERIFY2(expected.contains(edits[i]), edits[i].constData());
            expected.replace(edits[i], edits[i + 1]);
        }
        std::vector<ConfigurationChange> taken;
        for (int round = 0; round < 2; ++round) {
            for (std::size_t i = 0; i < std::size_t(steps.size()); ++i) {
                if (round == 0)
                    taken.push_back(steps[qsizetype(i)](config_));
                taken[i].apply();
            }
            const std::vector<FileToWrite> changes = config_.changes();
            QCOMPARE(changes.size(), std::size_t(1));
            QCOMPARE(QString::fromStdString(changes[0].path), file);
            QCOMPARE(qbytes(changes[0].bytes), expected);
            for (auto step = taken.rbegin(); step != taken.rend(); ++step)
                step->revert();
            QVERIFY(config_.changes().empty());
        }
    }
};

QTEST_APPLESS_MAIN(TestConfiguration)
#include "test_configuration.moc"
