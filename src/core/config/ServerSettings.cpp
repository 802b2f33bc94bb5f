#include "config/ServerSettings.h"

#include "common/Numbers.h"
#include "config/IniFile.h"

namespace {
using K = SettingKind;
} // namespace

// clang-format off
const std::array<ServerSetting, kServerSettingCount> kServerSettings = {{
    {"Server", "Port", K::Text, "3128", "EditProxyPort", {}, kPortNumber},
    {"Server", "Master", K::Master, "", "EditParentIP", "EditParentPort", kPortNumber},
    {"Server", "Threads", K::Text, "32", "EditTreadsCount", {}, kWholeNumber},
    {"Server", "Idle Thread Time", K::Text, "100", "EditTreadsTime", {}, kWholeNumber},
    {"Server", "Cache Type", K::CacheType, "1", "MemoryCache", "FileCache"},

    {"Users", "Enable", K::Check, "0", "UsersEnabled"},
    {"Users", "Count", K::Text, "64", "EditUsersCount", {}, kWholeNumber},
    {"Users", "Idle Thread Time", K::Text, "60000", "EditUsersIdle", {}, kWholeNumber},
    {"Users", "Time To Live", K::Text, "600000", "EditUsersLive", {}, kWholeNumber},

    {"Memory Pool", "Page Count", K::Text, "4096", "EditMemoryPageCount", {}, kWholeNumber},
    {"Memory Pool", "Page Size", K::Text, "1024", "EditMemoryPageSize", {}, kWholeNumber},

    {"Wait Socket", "Write Remote", K::Text, "15", "EditSocketWriteRemote", {}, kWholeNumber},
    {"Wait Socket", "Read Remote", K::Text, "15", "EditSocketReadRemote", {}, kWholeNumber},
    {"Wait Socket", "Write Local", K::Text, "5", "EditSocketWriteLocal", {}, kWholeNumber},
    {"Wait Socket", "Read Local", K::Text, "5", "EditSocketReadLocal", {}, kWholeNumber},

    {"Memory Cache", "Enable", K::Check, "1", "MCacheEnabled"},
    {"Memory Cache", "Limit", K::Text, "2097152", "MCacheSizeLimit", {}, kWholeNumber},
    {"Memory Cache", "Count", K::Text, "1024", "MCacheCountObject", {}, kWholeNumber},
    {"Memory Cache", "Time To Live", K::Text, "3600000", "MCacheLive", {}, kWholeNumber},
    {"Memory Cache", "Idle Thread Time", K::Text, "60000", "MCacheIdle", {}, kWholeNumber},
    {"Memory Cache", "Min", K::Text, "16", "MCacheSizeMin", {}, kWholeNumber},
    {"Memory Cache", "Max", K::Text, "2097152", "MCacheSizeMax", {}, kWholeNumber},

    {"File Cache", "Enable", K::Check, "1", "FCacheEnabled"},
    {"File Cache", "Directory", K::Text, "", "FCachePath"},
    {"File Cache", "Limit", K::Text, "2097152", "FCacheSize", {}, kWholeNumber},
    {"File Cache", "Count", K::Text, "1024", "FCacheCount", {}, kWholeNumber},
    {"File Cache", "Time To Live", K::Text, "3600000", "FCacheLive", {}, kWholeNumber},
    {"File Cache", "Idle Thread Time", K::Text, "60000", "FCacheIdle", {}, kWholeNumber},
    {"File Cache", "Min", K::Text, "16", "FCacheSizeMin", {}, kWholeNumber},
    {"File Cache", "Max", K::Text, "2097152", "FCacheSizeMax", {}, kWholeNumber},
    {"File Cache", "Save Time", K::Text, "600000", "FCacheSaveTime", {}, kWholeNumber},

    {"Cache Skip", "Enable", K::Check, "0", "CacheSkipEnabled"},
    {"Cache Skip", "File Name", K::Text, "", "CacheSkipFile"},

    {"Cache Refresh", "Enable", K::Check, "0", "RefreshEnable"},
    {"Cache Refresh", "Forced", K::Check, "0", "RefreshForced"},
    {"Cache Refresh", "Min", K::Text, "3600", "RefreshMin", {}, kWholeNumber},
    {"Cache Refresh", "Max", K::Text, "864000", "RefreshMax", {}, kWholeNumber},
    {"Cache Refresh", "Default", K::Text, "86400", "RefreshDefault", {}, kWholeNumber},
    {"Cache Refresh", "Step", K::Text, "4", "RefreshStep", {}, kWholeNumber},
    {"Cache Refresh", "From", K::Text, "0", "RefreshFrom", {}, kWholeNumber},
    {"Cache Refresh", "To", K::Text, "24", "RefreshTo", {}, kWholeNumber},

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
    {"DNS Cache", "Idle Thread Time", K::Text, "60000", "DNSIdleTime", {}, kWholeNumber},
    {"DNS Cache", "Time To Live", K::Text, "7200000", "DNSLive", {}, kWholeNumber},
    {"DNS Cache", "Count", K::Text, "2048", "DNSCount", {}, kWholeNumber},
    {"DNS Cache", "File Name", K::Text, "", "DNSFile"},
    {"DNS Cache", "Save Time", K::Text, "600000", "DNSSaveTime", {}, kWholeNumber},
    {"DNS Cache", "Update Enable", K::Check, "0", "DNSUpdate"},
    {"DNS Cache", "Update Time", K::Text, "600000", "DNSUpdateTime", {}, kWholeNumber},
    {"DNS Cache", "Update From", K::Text, "0", "DNSUpdateFrom", {}, kWholeNumber},
    {"DNS Cache", "Update To", K::Text, "0", "DNSUpdateTo", {}, kWholeNumber},

    {"Check", "Enable", K::Check, "0", "CheckEnable"},
    {"Check", "File Name", K::Text, "", "CheckFile"},
    {"Check", "Default", K::Check, "0", "CheckAccess"},
    {"Check", "Idle Thread Time", K::Text, "600000", "CheckUpdate", {}, kWholeNumber},

    {"Rate Limit", "Enable", K::Check, "0", "BalancerEnable"},
    {"Rate Limit", "Include Cache", K::Check, "0", "BalancerCache"},
    {"Rate Limit", "Parts", K::Text, "2", "BalancerInterval", {}, kWholeNumber},
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

// The bytes the file stores for a value of the controls.
std::string storedForm(const ServerSetting& s, const SettingValue& value) {
    switch (s.kind) {
    case SettingKind::Text:
        return value.text;
    case SettingKind::Check:
        return value.on ? "1" : "0";
    case SettingKind::CacheType:
        return value.on ? "1" : "2";
    case SettingKind::Master: // both parts or nothing: a lone address or port is not stored
        return value.text.empty() || value.port.empty() ? std::string() : value.text + ":" + value.port;
    }
    return {};
}

void writeSetting(IniSession& ini, const ServerSetting& s, const SettingValue& value) {
    ini.writeString(str(s.section), str(s.key), storedForm(s, value));
}

// What a save is to do with one setting, given the file as it is now.
enum class Merge { Leave, Write, Conflict };

Merge mergeOf(const IniSession& now, const SettingsAsRead& asRead, std::size_t index, const SettingValue& value) {
    const ServerSetting& setting = kServerSettings[index];
    if (index >= asRead.size())
        return Merge::Write; // nothing is known of what the window read: its controls are all there is
    const std::optional<std::string> stored = now.storedValue(str(setting.section), str(setting.key));
    if (!settingChanged(asRead, index, value))
        return stored || asRead[index].stored || asRead[index].leftOut ? Merge::Leave : Merge::Write;
    if (stored == asRead[index].stored || readSetting(now, setting) == asRead[index].inFile)
        return Merge::Write;
    // Changed on both sides; no question when the file already holds what the controls show.
    return stored && readSetting(now, setting) == value ? Merge::Write : Merge::Conflict;
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

SettingsAsRead loadServerSettings(const std::string& path, const ShowSetting& show,
                                  const std::function<void(LoadPoint)>& reached) {
    const IniSession ini(path);
    SettingsAsRead asRead;
    asRead.reserve(kServerSettings.size());
    for (std::size_t i = 0; i < kServerSettings.size(); ++i) {
        const ServerSetting& setting = kServerSettings[i];
        const SettingValue value = readSetting(ini, setting);
        show(setting, value);
        asRead.push_back({value, ini.storedValue(str(setting.section), str(setting.key)), value});
        const bool lastOfSection = i + 1 == kServerSettings.size() || kServerSettings[i + 1].section != setting.section;
        if (const LoadPoint* point = lastOfSection ? pointAfter(setting.section) : nullptr)
            reached(*point);
    }
    return asRead;
}

bool settingChanged(const SettingsAsRead& asRead, std::size_t index, const SettingValue& value) {
    return index >= asRead.size() || asRead[index].shown != value;
}

std::vector<SettingConflict> settingConflicts(const std::string& path, const SettingValueOf& valueOf,
                                              const SettingsAsRead& asRead) {
    const IniSession now(path);
    std::vector<SettingConflict> conflicts;
    for (std::size_t i = 0; i < kServerSettings.size(); ++i) {
        const ServerSetting& setting = kServerSettings[i];
        const SettingValue value = valueOf(setting);
        if (mergeOf(now, asRead, i, value) == Merge::Conflict)
            conflicts.push_back(
                {i, storedForm(setting, value), now.storedValue(str(setting.section), str(setting.key))});
    }
    return conflicts;
}

SavedSettings saveServerSettings(const std::string& path, const SettingValueOf& valueOf, const SettingsAsRead& asRead,
                                 bool afresh, ConflictChoice onConflict) {
    SavedSettings saved = prepareServerSettings(path, valueOf, asRead, afresh, onConflict);
    if (saved.write)
        saved.note = writeProfileFile(*saved.write);
    saved.write.reset();
    return saved;
}

namespace {

SavedSettings mergedSettings(IniSession& ini, const SettingValueOf& valueOf, const SettingsAsRead& asRead, bool afresh,
                             ConflictChoice onConflict) {
    SettingsAsRead saved;
    saved.reserve(kServerSettings.size());
    for (std::size_t i = 0; i < kServerSettings.size(); ++i) {
        const ServerSetting& setting = kServerSettings[i];
        const SettingValue value = valueOf(setting);
        const Merge merge = afresh ? Merge::Write : mergeOf(ini, asRead, i, value); // afresh: nothing to merge into
        const bool write = merge == Merge::Write || (merge == Merge::Conflict && onConflict == ConflictChoice::Mine);
        if (write)
            writeSetting(ini, setting, value);
        std::optional<std::string> stored = ini.storedValue(str(setting.section), str(setting.key));
        const bool leftOut = !write && !stored;
        saved.push_back({value, std::move(stored), readSetting(ini, setting), leftOut});
    }
    return {std::move(saved), {}, ini.pendingWrite()};
}

} // namespace

SavedSettings prepareServerSettings(const std::string& path, const SettingValueOf& valueOf,
                                    const SettingsAsRead& asRead, bool afresh, ConflictChoice onConflict) {
    IniSession ini(path);
    if (afresh)
        ini.startAfresh();
    return mergedSettings(ini, valueOf, asRead, afresh, onConflict);
}

SavedSettings prepareServerSettingsFrom(const std::string& path, std::string content, const SettingValueOf& valueOf,
                                        const SettingsAsRead& asRead) {
    IniSession ini(path, std::move(content));
    return mergedSettings(ini, valueOf, asRead, false, ConflictChoice::Mine);
}

namespace {

// Decimal digits with a sign perhaps, as the proxy reads a whole number, but too many for 64 bits: -1 below the
// range, 1 above it, 0 for any other text.
int outOfRange(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    const bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '-' || text.front() == '+'))
        text.remove_prefix(1);
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos)
        return 0;
    return negative ? -1 : 1;
}

} // namespace

std::string numberProblem(const NumberRule& rule, std::string_view text) {
    if (!rule.whole)
        return {};
    const std::optional<std::int64_t> number = parseInt64(text);
    const int side = number ? (*number < rule.min ? -1 : *number > rule.max ? 1 : 0) : outOfRange(text);
    if (side < 0)
        return "is too small: at least " + std::to_string(rule.min);
    if (side > 0)
        return "is too large: at most " + std::to_string(rule.max);
    return number ? std::string() : "is not a whole number";
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
