#include "config/ServerSettings.h"

#include "config/IniFile.h"

namespace {
using K = SettingKind;
} // namespace

// clang-format off
const std::array<ServerSetting, kServerSettingCount> kServerSettings = {{
    {"Server", "Port", K::Text, "3128", "EditProxyPort"},
    {"Server", "Master", K::Master, "", "EditParentIP", "EditParentPort"},
    {"Server", "Threads", K::Text, "32", "EditTreadsCount"},
    {"Server", "Idle Thread Time", K::Text, "100", "EditTreadsTime"},
    {"Server", "Cache Type", K::CacheType, "1", "MemoryCache", "FileCache"},

    {"Users", "Enable", K::Check, "0", "UsersEnabled"},
    {"Users", "Count", K::Text, "64", "EditUsersCount"},
    {"Users", "Idle Thread Time", K::Text, "60000", "EditUsersIdle"},
    {"Users", "Time To Live", K::Text, "600000", "EditUsersLive"},

    {"Memory Pool", "Page Count", K::Text, "4096", "EditMemoryPageCount"},
    {"Memory Pool", "Page Size", K::Text, "1024", "EditMemoryPageSize"},

    {"Wait Socket", "Write Remote", K::Text, "15", "EditSocketWriteRemote"},
    {"Wait Socket", "Read Remote", K::Text, "15", "EditSocketReadRemote"},
    {"Wait Socket", "Write Local", K::Text, "5", "EditSocketWriteLocal"},
    {"Wait Socket", "Read Local", K::Text, "5", "EditSocketReadLocal"},

    {"Memory Cache", "Enable", K::Check, "1", "MCacheEnabled"},
    {"Memory Cache", "Limit", K::Text, "2097152", "MCacheSizeLimit"},
    {"Memory Cache", "Count", K::Text, "1024", "MCacheCountObject"},
    {"Memory Cache", "Time To Live", K::Text, "3600000", "MCacheLive"},
    {"Memory Cache", "Idle Thread Time", K::Text, "60000", "MCacheIdle"},
    {"Memory Cache", "Min", K::Text, "16", "MCacheSizeMin"},
    {"Memory Cache", "Max", K::Text, "2097152", "MCacheSizeMax"},

    {"File Cache", "Enable", K::Check, "1", "FCacheEnabled"},
    {"File Cache", "Directory", K::Text, "", "FCachePath"},
    {"File Cache", "Limit", K::Text, "2097152", "FCacheSize"},
    {"File Cache", "Count", K::Text, "1024", "FCacheCount"},
    {"File Cache", "Time To Live", K::Text, "3600000", "FCacheLive"},
    {"File Cache", "Idle Thread Time", K::Text, "60000", "FCacheIdle"},
    {"File Cache", "Min", K::Text, "16", "FCacheSizeMin"},
    {"File Cache", "Max", K::Text, "2097152", "FCacheSizeMax"},
    {"File Cache", "Save Time", K::Text, "600000", "FCacheSaveTime"},

    {"Cache Skip", "Enable", K::Check, "0", "CacheSkipEnabled"},
    {"Cache Skip", "File Name", K::Text, "", "CacheSkipFile"},

    {"Cache Refresh", "Enable", K::Check, "0", "RefreshEnable"},
    {"Cache Refresh", "Forced", K::Check, "0", "RefreshForced"},
    {"Cache Refresh", "Min", K::Text, "3600", "RefreshMin"},
    {"Cache Refresh", "Max", K::Text, "864000", "RefreshMax"},
    {"Cache Refresh", "Default", K::Text, "86400", "RefreshDefault"},
    {"Cache Refresh", "Step", K::Text, "4", "RefreshStep"},
    {"Cache Refresh", "From", K::Text, "0", "RefreshFrom"},
    {"Cache Refresh", "To", K::Text, "24", "RefreshTo"},

    {"Main Log", "Enable", K::Check, "0", "MainLogEnable"},
    {"Main Log", "File Name", K::Text, "", "MainLogFile"},
    {"Status Log", "Enable", K::Check, "0", "StatusLogEnable"},
    {"Status Log", "File Name", K::Text, "", "StatusLogFile"},
    {"Connect Log", "Enable", K::Check, "0", "ConnectLogEnable"},
    {"Connect Log", "File Name", K::Text, "", "ConnectLogFile"},

    {"Router", "Enable", K::Check, "0", "RouterEnable"},
    {"Router", "Log File", K::Text, "", "RouterLogFile"},
    {"Router", "File Name", K::Text, "", "RouterFile"},

    {"DNS Cache", "Enable", K::Check, "1", "DNSEnable"},
    {"DNS Cache", "Idle Thread Time", K::Text, "60000", "DNSIdleTime"},
    {"DNS Cache", "Time To Live", K::Text, "7200000", "DNSLive"},
    {"DNS Cache", "Count", K::Text, "2048", "DNSCount"},
    {"DNS Cache", "File Name", K::Text, "", "DNSFile"},
    {"DNS Cache", "Save Time", K::Text, "600000", "DNSSaveTime"},
    {"DNS Cache", "Update Enable", K::Check, "0", "DNSUpdate"},
    {"DNS Cache", "Update Time", K::Text, "600000", "DNSUpdateTime"},
    {"DNS Cache", "Update From", K::Text, "0", "DNSUpdateFrom"},
    {"DNS Cache", "Update To", K::Text, "0", "DNSUpdateTo"},

    {"Check", "Enable", K::Check, "0", "CheckEnable"},
    {"Check", "File Name", K::Text, "", "CheckFile"},
    {"Check", "Default", K::Check, "0", "CheckAccess"},
    {"Check", "Idle Thread Time", K::Text, "600000", "CheckUpdate"},

    {"Rate Limit", "Enable", K::Check, "0", "BalancerEnable"},
    {"Rate Limit", "Include Cache", K::Check, "0", "BalancerCache"},
    {"Rate Limit", "Parts", K::Text, "2", "BalancerInterval"},
}};

namespace {
using D = DefaultSetting::Kind;
} // namespace

const std::array<DefaultSetting, kDefaultSettingCount> kDefaultServerSettings = {{
    {D::Check, "Main Log", "Enable", 0, ""},
    {D::Check, "Status Log", "Enable", 0, ""},
    {D::Check, "Users", "Enable", 0, ""},
    {D::Integer, "Users", "Count", 64, ""},
    {D::Integer, "Users", "Idle Thread Time", 60000, ""},
    {D::Integer, "Users", "Time To Live", 600000, ""},
    {D::Check, "Connect Log", "Enable", 0, ""},
    {D::Check, "Check", "Enable", 0, ""},
    {D::Text, "Server", "Master", 0, ""},
    {D::Integer, "Server", "Idle Thread Time", 100, ""},
    {D::Integer, "Server", "Port", 3128, ""},
    {D::Integer, "Server", "Threads", 32, ""},
    {D::Integer, "Server", "Cache Type", 1, ""},
    {D::Integer, "Memory Pool", "Page Count", 4096, ""},
    {D::Integer, "Memory Pool", "Page Size", 1024, ""},
    {D::Check, "DNS Cache", "Enable", 1, ""},
    {D::Integer, "DNS Cache", "Idle Thread Time", 60000, ""},
    {D::Integer, "DNS Cache", "Time To Live", 7200000, ""},
    {D::Integer, "DNS Cache", "Count", 2048, ""},
    {D::Text, "DNS Cache", "File Name", 0, ""},
    {D::Check, "DNS Cache", "Update Enable", 0, ""},
    {D::Check, "Memory Cache", "Enable", 1, ""},
    {D::Integer, "Memory Cache", "Count", 1024, ""},
    {D::Integer, "Memory Cache", "Idle Thread Time", 60000, ""},
    {D::Integer, "Memory Cache", "Time To Live", 3600000, ""},
    {D::Integer, "Memory Cache", "Limit", 2097152, ""},
    {D::Integer, "Memory Cache", "Min", 16, ""},
    {D::Integer, "Memory Cache", "Max", 2097152, ""},
    {D::Check, "Cache Refresh", "Enable", 0, ""},
    {D::Integer, "Cache Refresh", "Min", 3600, ""},
    {D::Integer, "Cache Refresh", "Max", 864000, ""},
    {D::Integer, "Cache Refresh", "Default", 86400, ""},
    {D::Integer, "Cache Refresh", "Step", 4, ""},
    {D::Integer, "Cache Refresh", "From", 0, ""},
    {D::Integer, "Cache Refresh", "To", 24, ""},
    {D::Integer, "Wait Socket", "Write Remote", 15, ""},
    {D::Integer, "Wait Socket", "Read Remote", 15, ""},
    {D::Integer, "Wait Socket", "Write Local", 5, ""},
    {D::Integer, "Wait Socket", "Read Local", 5, ""},
    {D::Check, "Cache Skip", "Enable", 0, ""},
    {D::Check, "Router", "Enable", 0, ""},
}};
// clang-format on

ParentProxy splitMaster(std::string_view value) {
    const auto colon = value.rfind(':');
    if (colon == std::string_view::npos)
        return {value, {}};
    return {value.substr(0, colon), value.substr(colon + 1)};
}

namespace {

std::string str(std::string_view text) {
    return std::string(text);
}

SettingValue readSetting(const IniSession& ini, const ServerSetting& s) {
    const std::string section = str(s.section);
    const std::string key = str(s.key);
    switch (s.kind) {
    case SettingKind::Text:
        return {ini.readString(section, key, str(s.loadDefault)), {}, false};
    case SettingKind::Check:
        return {{}, {}, ini.readBool(section, key, s.loadDefault == "1")};
    case SettingKind::CacheType:
        return {{}, {}, ini.readInteger(section, key, 1) == 1};
    case SettingKind::Master: {
        const std::string value = ini.readString(section, key, str(s.loadDefault));
        const ParentProxy parent = splitMaster(value);
        return {str(parent.address), str(parent.port), false};
    }
    }
    return {};
}

void writeSetting(IniSession& ini, const ServerSetting& s, const SettingValue& value) {
    const std::string section = str(s.section);
    const std::string key = str(s.key);
    switch (s.kind) {
    case SettingKind::Text:
        ini.writeString(section, key, value.text);
        break;
    case SettingKind::Check:
        ini.writeBool(section, key, value.on);
        break;
    case SettingKind::CacheType:
        ini.writeInteger(section, key, value.on ? 1 : 2);
        break;
    case SettingKind::Master: // both parts or nothing: a lone address or port is not stored
        ini.writeString(section, key,
                        value.text.empty() || value.port.empty() ? std::string() : value.text + ":" + value.port);
        break;
    }
}

// The load point that the last setting of a section brings the load to, if any.
const LoadPoint* pointAfter(std::string_view section) {
    static constexpr std::pair<std::string_view, LoadPoint> kPoints[] = {
        {"Memory Pool", LoadPoint::MemoryPoolShown},
        {"Cache Skip", LoadPoint::CacheSkipFileKnown},
        {"Router", LoadPoint::RouterFileKnown},
    };
    for (const auto& [name, point] : kPoints)
        if (name == section)
            return &point;
    return nullptr;
}

} // namespace

void loadServerSettings(const std::string& path, const ShowSetting& show,
                        const std::function<void(LoadPoint)>& reached) {
    const IniSession ini(path);
    for (std::size_t i = 0; i < kServerSettings.size(); ++i) {
        const ServerSetting& setting = kServerSettings[i];
        show(setting, readSetting(ini, setting));
        const bool lastOfSection = i + 1 == kServerSettings.size() || kServerSettings[i + 1].section != setting.section;
        if (const LoadPoint* point = lastOfSection ? pointAfter(setting.section) : nullptr)
            reached(*point);
    }
}

std::string saveServerSettings(const std::string& path, const SettingValueOf& valueOf, bool afresh) {
    IniSession ini(path);
    if (afresh)
        ini.startAfresh();
    for (const ServerSetting& setting : kServerSettings)
        writeSetting(ini, setting, valueOf(setting));
    return ini.commit();
}

void createDefaultServerSettings(const std::string& path) {
    IniSession ini(path);
    for (const DefaultSetting& d : kDefaultServerSettings) {
        const std::string section = str(d.section);
        const std::string key = str(d.key);
        switch (d.kind) {
        case DefaultSetting::Kind::Check:
            ini.writeBool(section, key, d.number != 0);
            break;
        case DefaultSetting::Kind::Integer:
            ini.writeInteger(section, key, d.number);
            break;
        case DefaultSetting::Kind::Text:
            ini.writeString(section, key, str(d.text));
            break;
        }
    }
    ini.commit();
}
