#include "common/Cp1251.h"
#include "common/Error.h"
#include "config/Preferences.h"
#include "config/ServerSettings.h"

#include "common/CoreTestSupport.h"
#include "config/ReplaceCounter.h"

#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <map>
#include <set>
#include <sys/resource.h>

using namespace coretest;

// The server settings file glym30.ini as the settings table writes it, the parent-proxy value, and the name of
// the configurator's preferences file.
class TestServerSettings : public QObject {
    Q_OBJECT

private slots:
    void init();

    void defaultFileIsWrittenInItsOrder();
    void firstSaveAddsTheMissingKeys();
    void defaultFileReadsLikeNoFile();
    void loadReachesEachPointWhenItsKeysAreShown();
    void loadStopsWhereAnErrorOccurs();
    void untouchedSettingsKeepTheirBytes();
    void saveMergesIntoTheFileOnDisk_data();
    void saveMergesIntoTheFileOnDisk();
    void failedSaveLeavesTheFile();
    void fullDiskLeavesTheFile();
    void preferencesWrittenOnce();
    void preferenceOptionsReadBack();
    void paneTotalsOfAnOlderFile();
    void serviceUnitWrittenOnceSet();
    void defaultValuesAreTheLoadDefaults();
    void keysAreUnique();

    void masterSplitsIntoHostAndPort_data();
    void masterSplitsIntoHostAndPort();
    void preferencesFileIsTheExecutableWithIni_data();
    void preferencesFileIsTheExecutableWithIni();

private:
    QString iniPath() const { return dir_->filePath("glym30.ini"); }
    static QString golden(const char* name) { return QStringLiteral(GLYM_TEST_DATA "/ini/") + name; }

    std::unique_ptr<QTemporaryDir> dir_;
};

namespace {

std::string text(std::string_view view) {
    return std::string(view);
}

QByteArray name(const ServerSetting& setting) {
    return qbytes(text(setting.section) + "/" + text(setting.key));
}

// What a load shows, setting by setting, and the points it reaches, in the order they come.
struct LoadRecord {
    std::vector<SettingValue> values;
    QByteArrayList events;
    std::map<QByteArray, SettingValue> byName;
};

LoadRecord load(const QString& path) {
    LoadRecord record;
    loadServerSettings(
        path.toStdString(),
        [&record](const ServerSetting& setting, const SettingValue& value) {
            record.values.push_back(value);
            record.events << name(setting);
            record.byName[name(setting)] = value;
        },
        [&record](LoadPoint point) { record.events << "point " + QByteArray::number(static_cast<int>(point)); });
    return record;
}

// Saves the values a load of the file gave: what a save without changes writes.
void saveAsLoaded(const QString& path) {
    const LoadRecord loaded = load(path);
    std::size_t next = 0;
    saveServerSettings(path.toStdString(), [&](const ServerSetting&) { return loaded.values.at(next++); });
}

} // namespace

void TestServerSettings::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

void TestServerSettings::defaultFileIsWrittenInItsOrder() {
    ReplaceCounter replaces(dir_->path(), "glym30.ini");
    createDefaultServerSettings(iniPath().toStdString());
    QCOMPARE(readBytes(iniPath()), readBytes(golden("default_glym30.ini")));
    QCOMPARE(replaces.take(), 1);
}

// Saving with the values a default file loads as: every key keeps its place, the missing ones join the end of
// their sections, and the two missing sections the end of the file.
void TestServerSettings::firstSaveAddsTheMissingKeys() {
    QVERIFY(QFile::copy(golden("default_glym30.ini"), iniPath()));
    QVERIFY(QFile::setPermissions(iniPath(), QFile::ReadOwner | QFile::WriteOwner));
    ReplaceCounter replaces(dir_->path(), "glym30.ini");
    saveAsLoaded(iniPath());
    QCOMPARE(readBytes(iniPath()), readBytes(golden("default_glym30_saved.ini")));
    QCOMPARE(replaces.take(), 1);
}

void TestServerSettings::defaultFileReadsLikeNoFile() {
    const LoadRecord none = load(dir_->filePath("missing.ini"));
    const LoadRecord defaults = load(golden("default_glym30.ini"));
    QCOMPARE(none.events, defaults.events);
    for (std::size_t i = 0; i < kServerSettings.size(); ++i)
        QVERIFY2(none.values.at(i) == defaults.values.at(i), name(kServerSettings[i]).constData());
}

// Each rule file is read as soon as the setting naming it is shown, before any later setting: the window reads
// the cache-skip rules right after "Cache Skip/File Name" and the port-mapping rules right after "Router/File
// Name"; the memory total needs both memory-pool keys.
void TestServerSettings::loadReachesEachPointWhenItsKeysAreShown() {
    QVERIFY(writeBytes(iniPath(), "[Cache Skip]\r\nFile Name=skip.txt\r\n[Router]\r\nFile Name=map.txt\r\n"));
    const LoadRecord record = load(iniPath());
    QCOMPARE(record.values.size(), kServerSettings.size());
    auto after = [&record](const char* event) {
        return record.events.value(record.events.indexOf(event) + 1);
    };
    QCOMPARE(after("Memory Pool/Page Size"), QByteArray("point 0"));
    QCOMPARE(after("Cache Skip/File Name"), QByteArray("point 1"));
    QCOMPARE(after("Router/File Name"), QByteArray("point 2"));
    QCOMPARE(std::count_if(record.events.begin(), record.events.end(),
                           [](const QByteArray& event) { return event.startsWith("point"); }),
             3);
    QCOMPARE(qbytes(record.byName.at("Cache Skip/File Name").text), QByteArray("skip.txt"));
    QCOMPARE(qbytes(record.byName.at("Router/File Name").text), QByteArray("map.txt"));
}

void TestServerSettings::loadStopsWhereAnErrorOccurs() {
    QByteArrayList shown;
    auto failAtCacheSkip = [](LoadPoint point) {
        if (point == LoadPoint::CacheSkipFileKnown)
            throw GlymError("Cannot open file \"skip.txt\"");
    };
    QVERIFY_THROWS_EXCEPTION(
        GlymError,
        loadServerSettings(
            iniPath().toStdString(),
            [&shown](const ServerSetting& setting, const SettingValue&) { shown << name(setting); }, failAtCacheSkip));
    QCOMPARE(shown.last(), QByteArray("Cache Skip/File Name"));
    QVERIFY(!shown.contains("Cache Refresh/Enable"));
}

// A save given what the load read writes no setting whose value is unchanged: every byte stays and the file is not
// even replaced. When someone else has changed such a key since, the save leaves it as they made it; a value
// changed is written; what the save returns is what the next one compares with.
void TestServerSettings::untouchedSettingsKeepTheirBytes() {
    QByteArray file = readBytes(golden("default_glym30_saved.ini"));
    for (const auto& [from, to] : std::initializer_list<std::pair<QByteArray, QByteArray>>{
             {"Master=\r\n", "master = proxy.corp\t\r\n"},
             {"Port=3128\r\n", "Port = \"3128\"\n"},
             {"Threads=32\r\n", "Threads=32k\r\n"},
             {"[Users]\r\nEnable=0\r\n", "[Users]\r\nEnable=5\r\n"},
             {"Cache Type=1\r\n", "Cache Type=0\r\n"},
             {"[Main Log]\r\nEnable=0\r\nFile Name=\r\n",
              "[Main Log]\r\nEnable=0\r\nFile Name=" + QByteArray(3000, 'x') + "\r\n"},
         }) {
        QVERIFY2(file.contains(from), from.constData());
        file.replace(from, to);
    }
    QVERIFY(writeBytes(iniPath(), file));
    std::vector<SettingValue> shown;
    const SettingsAsRead asRead = loadServerSettings(
        iniPath().toStdString(), [&shown](const ServerSetting&, const SettingValue& value) { shown.push_back(value); },
        [](LoadPoint) {});
    QCOMPARE(asRead.size(), kServerSettings.size());
    QCOMPARE(qbytes(shown.at(1).text), QByteArray("proxy.corp"));
    auto asShown = [&shown](const ServerSetting& setting) {
        return shown.at(&setting - kServerSettings.data());
    };

    ReplaceCounter replaces(dir_->path(), "glym30.ini");
    SettingsAsRead next = saveServerSettings(iniPath().toStdString(), asShown, asRead).asRead;
    QCOMPARE(readBytes(iniPath()), file);
    QCOMPARE(replaces.take(), 0);

    // Someone else changes one of the keys and removes another; the save leaves both as they are now, and writes
    // the one changed in the window.
    QByteArray outside = file;
    outside.replace("Threads=32k\r\n", "Threads=7\r\n").replace("Enable=5\r\n", "");
    QVERIFY(writeBytes(iniPath(), outside));
    shown.at(3).text = "16"; // [Server] Idle Thread Time
    next = saveServerSettings(iniPath().toStdString(), asShown, next).asRead;
    QByteArray expected = outside;
    expected.replace("Idle Thread Time=100\r\n", "Idle Thread Time=16\r\n");
    QCOMPARE(readBytes(iniPath()), expected);
    QCOMPARE(replaces.take(), 1);

    // Back to what the load read: that is a change from what the last save wrote. The key removed outside is not
    // added back.
    shown.at(3).text = "100";
    saveServerSettings(iniPath().toStdString(), asShown, next);
    expected.replace("Idle Thread Time=16\r\n", "Idle Thread Time=100\r\n");
    QCOMPARE(readBytes(iniPath()), expected);
}

// Two writers of one file: the window read it, someone else saved it since, and the window saves its own changes
// (the cache type, and the setting of the row when one is given). What the window did not change stays as the file
// has it now; a setting changed on both sides, to different values, is listed and saved as the choice says.
void TestServerSettings::saveMergesIntoTheFileOnDisk_data() {
    QTest::addColumn<QByteArray>("setting"); // changed in the window to mine; none: only the cache type is
    QTest::addColumn<QByteArray>("mine");
    QTest::addColumn<QByteArray>("outsideFrom"); // what someone else replaced in the file since the load
    QTest::addColumn<QByteArray>("outsideTo");
    QTest::addColumn<bool>("conflict");
    QTest::addColumn<QByteArray>("theirs");   // a conflict: what the file stores now ("-": no such key)
    QTest::addColumn<QByteArray>("hereFrom"); // how writing mine changes the file after the outside change
    QTest::addColumn<QByteArray>("hereTo");

    const QByteArray none;
    const QByteArray usersEnable("[Users]\r\nEnable=");
    QTest::newRow("changed there only") << none << none << usersEnable + "0\r\n"
                                        << usersEnable + "5\r\n"
                                        << false << none << none << none;
    QTest::newRow("removed there only") << none << none << usersEnable + "0\r\n"
                                        << QByteArray("[Users]\r\n") << false << none << none << none;
    QTest::newRow("rewritten there only") << none << none << QByteArray("Port=3128\r\n")
                                          << QByteArray(" port = \"3128\"\n") << false << none << none << none;
    QTest::newRow("changed here only") << QByteArray("Users/Enable") << QByteArray("1") << none << none << false << none
                                       << usersEnable + "0\r\n"
                                       << usersEnable + "1\r\n";
    QTest::newRow("the same change on both sides")
        << QByteArray("Users/Enable") << QByteArray("1") << usersEnable + "0\r\n"
        << usersEnable + " 1 \r\n"
        << false << none << usersEnable + " 1 \r\n"
        << usersEnable + "1\r\n";
    // Someone else wrote what the key read as already: no change of theirs to ask about.
    QTest::newRow("changed here, rewritten there")
        << QByteArray("Server/Port") << QByteArray("8080") << QByteArray("Port=3128\r\n")
        << QByteArray("Port=\"3128\"\r\n") << false << none << QByteArray("Port=\"3128\"\r\n")
        << QByteArray("Port=8080\r\n");
    QTest::newRow("changed on both sides")
        << QByteArray("Server/Port") << QByteArray("8080") << QByteArray("Port=3128\r\n") << QByteArray("Port=3129\r\n")
        << true << QByteArray("3129") << QByteArray("Port=3129\r\n") << QByteArray("Port=8080\r\n");
    QTest::newRow("changed here, removed there")
        << QByteArray("Server/Idle Thread Time") << QByteArray("50") << QByteArray("Idle Thread Time=150\r\nPort")
        << QByteArray("Port") << true << QByteArray("-") << QByteArray("Cache Type=2\r\n[Memory Pool]")
        << QByteArray("Cache Type=2\r\nIdle Thread Time=50\r\n[Memory Pool]");
}

void TestServerSettings::saveMergesIntoTheFileOnDisk() {
    QFETCH(QByteArray, setting);
    QFETCH(QByteArray, mine);
    QFETCH(QByteArray, outsideFrom);
    QFETCH(QByteArray, outsideTo);
    QFETCH(bool, conflict);
    QFETCH(QByteArray, theirs);
    QFETCH(QByteArray, hereFrom);
    QFETCH(QByteArray, hereTo);

    // One value that is not what its absence reads as.
    const QByteArray file =
        readBytes(golden("default_glym30_saved.ini")).replace("Idle Thread Time=100\r\n", "Idle Thread Time=150\r\n");
    QByteArray outside = file;
    if (!outsideFrom.isEmpty()) {
        QVERIFY(outside.contains(outsideFrom));
        outside.replace(outsideFrom, outsideTo);
    }
    // Keep theirs: the file as someone else left it, with the window's cache type and what only the window changed.
    QByteArray keptTheirs = outside;
    keptTheirs.replace("Cache Type=1\r\n", "Cache Type=2\r\n");
    QByteArray usedMine = keptTheirs;
    if (!hereFrom.isEmpty()) {
        QVERIFY(usedMine.contains(hereFrom));
        usedMine.replace(hereFrom, hereTo);
    }
    if (!conflict)
        keptTheirs = usedMine;

    for (const ConflictChoice choice : {ConflictChoice::Mine, ConflictChoice::Theirs}) {
        QVERIFY(writeBytes(iniPath(), file));
        std::vector<SettingValue> shown;
        const SettingsAsRead asRead = loadServerSettings(
            iniPath().toStdString(),
            [&shown](const ServerSetting&, const SettingValue& value) { shown.push_back(value); }, [](LoadPoint) {});
        QVERIFY(writeBytes(iniPath(), outside));
        std::size_t changed = kServerSettings.size();
        for (std::size_t i = 0; i < kServerSettings.size(); ++i) {
            const ServerSetting& s = kServerSettings[i];
            if (s.kind == SettingKind::CacheType)
                shown.at(i).on = false;
            if (name(s) == setting) {
                changed = i;
                shown.at(i).on = mine == "1";
                shown.at(i).text = s.kind == SettingKind::Text ? stdbytes(mine) : std::string();
            }
        }
        auto asShown = [&shown](const ServerSetting& s) {
            return shown.at(&s - kServerSettings.data());
        };

        const std::vector<SettingConflict> conflicts = settingConflicts(iniPath().toStdString(), asShown, asRead);
        QCOMPARE(conflicts.size(), conflict ? 1u : 0u);
        if (conflict) {
            QCOMPARE(conflicts.front().index, changed);
            QCOMPARE(qbytes(conflicts.front().mine), mine);
            QCOMPARE(qbytes(conflicts.front().theirs.value_or("-")), theirs);
        }
        const SettingsAsRead saved = saveServerSettings(iniPath().toStdString(), asShown, asRead, false, choice).asRead;
        QCOMPARE(readBytes(iniPath()), choice == ConflictChoice::Mine ? usedMine : keptTheirs);
        // What the save returns is what the next one compares with: the same controls conflict with nothing now,
        // and saving them again changes nothing (a key kept removed stays so).
        QVERIFY(settingConflicts(iniPath().toStdString(), asShown, saved).empty());
        const QByteArray before = readBytes(iniPath());
        saveServerSettings(iniPath().toStdString(), asShown, saved);
        QCOMPARE(readBytes(iniPath()), before);
    }
}

// A save that fails half-way (here a value that cannot be stored, as text Windows-1251 cannot hold) writes
// nothing: the file keeps every byte and is not replaced.
void TestServerSettings::failedSaveLeavesTheFile() {
    QVERIFY(QFile::copy(golden("default_glym30.ini"), iniPath()));
    QVERIFY(QFile::setPermissions(iniPath(), QFile::ReadOwner | QFile::WriteOwner));
    const QByteArray before = readBytes(iniPath());
    ReplaceCounter replaces(dir_->path(), "glym30.ini");
    QVERIFY_THROWS_EXCEPTION(GlymError, saveServerSettings(iniPath().toStdString(), [](const ServerSetting& s) {
                                 if (s.section == "DNS Cache")
                                     throw GlymError("Nothing was saved");
                                 return SettingValue{"changed", "1", true};
                             }));
    QCOMPARE(readBytes(iniPath()), before);
    QCOMPARE(replaces.take(), 0);
}

// A disk that fills up while the file is written (a file size limit binds root too): the old file stays byte for
// byte, no temporary file is left, and the error names the file.
void TestServerSettings::fullDiskLeavesTheFile() {
    QVERIFY(QFile::copy(golden("default_glym30.ini"), iniPath()));
    QVERIFY(QFile::setPermissions(iniPath(), QFile::ReadOwner | QFile::WriteOwner));
    const QByteArray before = readBytes(iniPath());
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit limited = saved;
    limited.rlim_cur = static_cast<rlim_t>(before.size() + 64); // room for the keys replaced, not for those added
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
    QString failure;
    try {
        saveAsLoaded(iniPath());
    } catch (const GlymError& error) {
        failure = QString::fromLocal8Bit(error.what());
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    QVERIFY2(failure.startsWith("Unable to write to " + iniPath() + ": File too large"), qPrintable(failure));
    QCOMPARE(readBytes(iniPath()), before);
    QCOMPARE(entries(dir_->path()), QStringList{"glym30.ini"});
}

// The preferences of every close: one replace of the file, every other line kept, and what was written reads back.
void TestServerSettings::preferencesWrittenOnce() {
    const QString path = dir_->filePath("glymconf.ini");
    QVERIFY(writeBytes(path, "[Form]\r\nTop=1\r\n; mine\r\n[Extra]\r\nkeep=1\r\n"));
    PreferenceValues values = loadPreferenceValues(path.toStdString());
    QCOMPARE(values.at(PreferenceKey::Top), 1);
    QCOMPARE(values.at(PreferenceKey::BoxPorts), 270);
    values[PreferenceKey::Hint] = 5;
    values[PreferenceKey::Page] = -1;
    ReplaceCounter replaces(dir_->path(), "glymconf.ini");
    savePreferenceValues(path.toStdString(), values);
    QCOMPARE(replaces.take(), 1);
    QCOMPARE(readBytes(path), QByteArray("[Form]\r\nTop=1\r\nLeft=100\r\nHeight=480\r\nWidth=640\r\n; mine\r\n"
                                         "[Extra]\r\nkeep=1\r\n[Options]\r\nHint=1\r\nTheme=System\r\n"
                                         "[Interface]\r\nPage=-1\r\nPageGroup=0\r\nPageMap=0\r\nBoxName=250\r\n"
                                         "BoxNet=130\r\nBoxUrl=330\r\nBoxLimit=280\r\nBoxPorts=270\r\n"
                                         "BoxNameTotal=660\r\nBoxNetTotal=260\r\nBoxUrlTotal=550\r\n"
                                         "BoxLimitTotal=620\r\nBoxPortsTotal=620\r\n"));
}

// The theme by its name (an unknown one is System) and the recent directories in their order: a name the file
// could not give back as it is stays out, and a shorter list empties the keys it no longer uses.
void TestServerSettings::preferenceOptionsReadBack() {
    const QString path = dir_->filePath("glymconf.ini");
    QVERIFY(writeBytes(path, "[Options]\r\nTheme=dark\r\n"));
    PreferenceValues values = loadPreferenceValues(path.toStdString());
    QCOMPARE(values.theme, Theme::Dark);
    QVERIFY(values.recentDirectories.empty());

    values.theme = Theme::Light;
    values.recentDirectories = {"/srv/glym", " /srv/blank", "/srv/two\nlines", "\"/srv/quoted\"", "/home/a b"};
    savePreferenceValues(path.toStdString(), values);
    QVERIFY(readBytes(path).contains("[Options]\r\nTheme=Light\r\nHint=0\r\n"));
    QVERIFY(readBytes(path).endsWith("[Recent Directories]\r\nDirectory1=/srv/glym\r\nDirectory2=/home/a b\r\n"));
    values = loadPreferenceValues(path.toStdString());
    QCOMPARE(values.theme, Theme::Light);
    QCOMPARE(values.recentDirectories, (std::vector<std::string>{"/srv/glym", "/home/a b"}));

    values.recentDirectories = {"/home/a b"};
    savePreferenceValues(path.toStdString(), values);
    QVERIFY(readBytes(path).endsWith("[Recent Directories]\r\nDirectory1=/home/a b\r\nDirectory2=\r\n"));
    QCOMPARE(loadPreferenceValues(path.toStdString()).recentDirectories, values.recentDirectories);

    for (const char* unknown : {"Theme=Purple", "Theme=", "Theme=1"}) {
        QVERIFY(writeBytes(path, "[Options]\r\n" + QByteArray(unknown) + "\r\n"));
        QCOMPARE(loadPreferenceValues(path.toStdString()).theme, Theme::System);
    }
}

// The service unit stays out of the file while it is the default; once set it is kept, also when set back.
void TestServerSettings::serviceUnitWrittenOnceSet() {
    const QString path = dir_->filePath("glymconf.ini");
    PreferenceValues values = loadPreferenceValues(path.toStdString());
    QCOMPARE(values.serviceUnit, std::string("glym.service"));
    savePreferenceValues(path.toStdString(), values);
    QVERIFY(!readBytes(path).contains("ServiceUnit"));

    values.serviceUnit = "glym-test.service";
    savePreferenceValues(path.toStdString(), values);
    QVERIFY(readBytes(path).contains("[Options]\r\nHint=0\r\nTheme=System\r\nServiceUnit=glym-test.service\r\n"));
    QCOMPARE(loadPreferenceValues(path.toStdString()).serviceUnit, values.serviceUnit);

    values.serviceUnit = "glym.service";
    savePreferenceValues(path.toStdString(), values);
    QVERIFY(readBytes(path).contains("\r\nServiceUnit=glym.service\r\n"));

    QVERIFY(writeBytes(path, "[Options]\r\nServiceUnit=\r\n"));
    QCOMPARE(loadPreferenceValues(path.toStdString()).serviceUnit, std::string("glym.service"));
}

// A size an older version stored without its total keeps its pixels (total 0); a size with none stored gets the
// default share.
void TestServerSettings::paneTotalsOfAnOlderFile() {
    const QString path = dir_->filePath("glymconf.ini");
    QVERIFY(writeBytes(path, "[Interface]\r\nBoxName=200\r\nBoxUrl=300\r\nBoxUrlTotal=900\r\n"));
    const PreferenceValues values = loadPreferenceValues(path.toStdString());
    QCOMPARE(values.at(PreferenceKey::BoxNameTotal), 0);
    QCOMPARE(values.at(PreferenceKey::BoxUrlTotal), 900);
    QCOMPARE(values.at(PreferenceKey::BoxNet), 130);
    QCOMPARE(values.at(PreferenceKey::BoxNetTotal), 260);
}

void TestServerSettings::defaultValuesAreTheLoadDefaults() {
    for (const DefaultSetting& written : kDefaultServerSettings) {
        const auto* setting = std::find_if(kServerSettings.begin(), kServerSettings.end(), [&](const ServerSetting& s) {
            return s.section == written.section && s.key == written.key;
        });
        const QString name = QString::fromStdString(text(written.section) + "/" + text(written.key));
        QVERIFY2(setting != kServerSettings.end(), qPrintable(name));
        const std::string value =
            written.kind == DefaultSetting::Kind::Text ? text(written.text) : std::to_string(written.number);
        QVERIFY2(value == text(setting->loadDefault), qPrintable(name));
        QVERIFY2((written.kind == DefaultSetting::Kind::Check) == (setting->kind == SettingKind::Check),
                 qPrintable(name));
    }
}

// Two entries naming one key (letter case aside) would make the save overwrite one with the other.
void TestServerSettings::keysAreUnique() {
    std::set<std::string> seen;
    for (const ServerSetting& setting : kServerSettings)
        QVERIFY2(seen.insert(cp1251::foldCase(text(setting.section) + "\n" + text(setting.key))).second,
                 qPrintable(QString::fromStdString(text(setting.key))));
    std::set<std::string> seenDefaults;
    for (const DefaultSetting& setting : kDefaultServerSettings)
        QVERIFY(seenDefaults.insert(cp1251::foldCase(text(setting.section) + "\n" + text(setting.key))).second);
}

void TestServerSettings::masterSplitsIntoHostAndPort_data() {
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("address");
    QTest::addColumn<QByteArray>("port");

    QTest::newRow("address and port") << QByteArray("10.0.0.1:3128") << QByteArray("10.0.0.1") << QByteArray("3128");
    QTest::newRow("split at the last colon") << QByteArray("a:b:8080") << QByteArray("a:b") << QByteArray("8080");
    QTest::newRow("colon at the end") << QByteArray("host:") << QByteArray("host") << QByteArray("");
    QTest::newRow("colon at the start") << QByteArray(":8080") << QByteArray("") << QByteArray("8080");
    QTest::newRow("colon only") << QByteArray(":") << QByteArray("") << QByteArray("");
    QTest::newRow("empty") << QByteArray("") << QByteArray("") << QByteArray("");
    QTest::newRow("no colon") << QByteArray("proxyhost") << QByteArray("proxyhost") << QByteArray("");
    QTest::newRow("IPv6 style") << QByteArray("[::1]:3128") << QByteArray("[::1]") << QByteArray("3128");
    QTest::newRow("blanks kept") << QByteArray(" h : 1 ") << QByteArray(" h ") << QByteArray(" 1 ");
}

void TestServerSettings::masterSplitsIntoHostAndPort() {
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, address);
    QFETCH(QByteArray, port);
    const std::string stored = stdbytes(value);
    const ParentProxy parent = splitMaster(stored);
    QCOMPARE(qbytes(text(parent.address)), address);
    QCOMPARE(qbytes(text(parent.port)), port);
}

void TestServerSettings::preferencesFileIsTheExecutableWithIni_data() {
    QTest::addColumn<QByteArray>("executable");
    QTest::addColumn<QByteArray>("preferences");

    QTest::newRow("no extension") << QByteArray("/opt/glym/glymconf") << QByteArray("/opt/glym/glymconf.ini");
    QTest::newRow("extension replaced") << QByteArray("/opt/glym/glymconf.exe") << QByteArray("/opt/glym/glymconf.ini");
    QTest::newRow("last extension only") << QByteArray("/opt/glym/glym.conf.bin")
                                         << QByteArray("/opt/glym/glym.conf.ini");
    QTest::newRow("dot in a directory name")
        << QByteArray("/opt/glym.d/glymconf") << QByteArray("/opt/glym.d/glymconf.ini");
    QTest::newRow("dot at the end") << QByteArray("/opt/glym/glymconf.") << QByteArray("/opt/glym/glymconf.ini");
    QTest::newRow("hidden file keeps its name")
        << QByteArray("/opt/glym/.glymconf") << QByteArray("/opt/glym/.glymconf.ini");
    QTest::newRow("bare name") << QByteArray("glymconf") << QByteArray("glymconf.ini");
    QTest::newRow("Cyrillic directory") << QByteArray("/home/\xE0\xE4\xEC\xE8\xED/glymconf")
                                        << QByteArray("/home/\xE0\xE4\xEC\xE8\xED/glymconf.ini");
}

void TestServerSettings::preferencesFileIsTheExecutableWithIni() {
    QFETCH(QByteArray, executable);
    QFETCH(QByteArray, preferences);
    QCOMPARE(qbytes(preferencesFilePath(stdbytes(executable))), preferences);
}

QTEST_APPLESS_MAIN(TestServerSettings)
#include "test_serversettings.moc"
