#include "common/Cp1251.h"
#include "config/IniFile.h"
#include "config/Preferences.h"
#include "config/ServerSettings.h"

#include "common/CoreTestSupport.h"

#include <QTemporaryDir>
#include <QTest>

#include <set>

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
    void defaultValuesAreTheLoadDefaults();
    void keysAreUnique();

    void splitMaster_data();
    void splitMaster();
    void preferencesFilePath_data();
    void preferencesFilePath();

private:
    QString iniPath() const { return dir_->filePath("glym30.ini"); }
    static QString golden(const char* name) { return QStringLiteral(GLYM_TEST_DATA "/ini/") + name; }

    std::unique_ptr<QTemporaryDir> dir_;
};

namespace {

std::string text(std::string_view view) {
    return std::string(view);
}

// Writes a new glym30.ini as the configurator does when none exists.
void writeDefaultFile(IniFile& ini) {
    for (const DefaultSetting& setting : kDefaultServerSettings) {
        switch (setting.kind) {
        case DefaultSetting::Kind::Check:
            ini.writeBool(text(setting.section), text(setting.key), setting.number != 0);
            break;
        case DefaultSetting::Kind::Integer:
            ini.writeInteger(text(setting.section), text(setting.key), setting.number);
            break;
        case DefaultSetting::Kind::Text:
            ini.writeString(text(setting.section), text(setting.key), text(setting.text));
            break;
        }
    }
}

// The value a control shows for a setting after loading, as the text the save writes back.
std::string loadedValue(const IniFile& ini, const ServerSetting& setting) {
    const std::string section = text(setting.section), key = text(setting.key);
    switch (setting.kind) {
    case SettingKind::Text:
        return ini.readString(section, key, text(setting.loadDefault));
    case SettingKind::Check:
        return ini.readBool(section, key, setting.loadDefault == "1") ? "1" : "0";
    case SettingKind::CacheType:
        return ini.readInteger(section, key, 1) == 1 ? "1" : "2";
    case SettingKind::Master: {
        const std::string value = ini.readString(section, key, "");
        const ParentProxy parent = SplitMaster(value);
        return parent.address.empty() || parent.port.empty() ? std::string()
                                                             : text(parent.address) + ":" + text(parent.port);
    }
    }
    return {};
}

} // namespace

void TestServerSettings::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

void TestServerSettings::defaultFileIsWrittenInItsOrder() {
    IniFile ini(iniPath().toStdString());
    writeDefaultFile(ini);
    QCOMPARE(readBytes(iniPath()), readBytes(golden("default_glym30.ini")));
}

// Saving with the values a default file loads as: every key keeps its place, the missing ones join the end of
// their sections, and the two missing sections the end of the file.
void TestServerSettings::firstSaveAddsTheMissingKeys() {
    QVERIFY(QFile::copy(golden("default_glym30.ini"), iniPath()));
    QVERIFY(QFile::setPermissions(iniPath(), QFile::ReadOwner | QFile::WriteOwner));
    IniFile ini(iniPath().toStdString());
    std::vector<std::string> values;
    for (const ServerSetting& setting : kServerSettings)
        values.push_back(loadedValue(ini, setting));
    for (std::size_t i = 0; i < kServerSettings.size(); ++i)
        ini.writeString(text(kServerSettings[i].section), text(kServerSettings[i].key), values[i]);
    QCOMPARE(readBytes(iniPath()), readBytes(golden("default_glym30_saved.ini")));
}

void TestServerSettings::defaultFileReadsLikeNoFile() {
    IniFile none(dir_->filePath("missing.ini").toStdString());
    IniFile defaults(golden("default_glym30.ini").toStdString());
    for (const ServerSetting& setting : kServerSettings)
        QVERIFY2(loadedValue(defaults, setting) == loadedValue(none, setting),
                 qPrintable(QString::fromStdString(text(setting.section) + "/" + text(setting.key))));
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

void TestServerSettings::splitMaster_data() {
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

void TestServerSettings::splitMaster() {
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, address);
    QFETCH(QByteArray, port);
    const std::string stored = stdbytes(value);
    const ParentProxy parent = SplitMaster(stored);
    QCOMPARE(qbytes(text(parent.address)), address);
    QCOMPARE(qbytes(text(parent.port)), port);
}

void TestServerSettings::preferencesFilePath_data() {
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

void TestServerSettings::preferencesFilePath() {
    QFETCH(QByteArray, executable);
    QFETCH(QByteArray, preferences);
    QCOMPARE(qbytes(PreferencesFilePath(stdbytes(executable))), preferences);
}

QTEST_APPLESS_MAIN(TestServerSettings)
#include "test_serversettings.moc"
