#include "check/ConfigCheck.h"

#include "common/Cp1251.h"
#include "common/Error.h"
#include "common/FileIo.h"
#include "common/Leftovers.h"
#include "common/Numbers.h"
#include "config/IniFile.h"
#include "config/ServerSettings.h"
#include "document/Configuration.h"
#include "rules/CacheSkipFile.h"
#include "rules/Ipv4.h"
#include "rules/PortMapFile.h"
#include "rules/RuleTags.h"
#include "rules/RulesFile.h"
#include "rules/Strings.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <functional>
#include <ostream>
#include <set>
#include <unordered_map>
#include <utility>

namespace {

constexpr std::string_view kSettingsFile = "glym30.ini";
constexpr std::string_view kUtf8Signature = "\xEF\xBB\xBF";

// The number of continuation bytes after a UTF-8 lead byte, and the range the first of them must lie in (which
// rules out overlong forms and surrogates); nothing for a byte that cannot start a sequence.
struct Utf8Lead {
    int continuations;
    unsigned char low;
    unsigned char high;
};
std::optional<Utf8Lead> utf8Lead(unsigned char byte) {
    if (byte >= 0xC2 && byte <= 0xDF)
        return Utf8Lead{1, 0x80, 0xBF};
    if (byte == 0xE0)
        return Utf8Lead{2, 0xA0, 0xBF};
    if (byte == 0xED)
        return Utf8Lead{2, 0x80, 0x9F};
    if (byte >= 0xE1 && byte <= 0xEF)
        return Utf8Lead{2, 0x80, 0xBF};
    if (byte == 0xF0)
        return Utf8Lead{3, 0x90, 0xBF};
    if (byte == 0xF4)
        return Utf8Lead{3, 0x80, 0x8F};
    if (byte >= 0xF1 && byte <= 0xF3)
        return Utf8Lead{3, 0x80, 0xBF};
    return std::nullopt;
}

// True for a line with bytes above 127 that all form UTF-8 sequences. Windows-1251 letters almost never do (a
// capital, 0xC0 to 0xDF, is followed by another letter, not by a byte from 0x80 to 0xBF), so such a line was
// written by a UTF-8 editor.
bool holdsUtf8Text(std::string_view line) {
    bool multiByte = false;
    for (std::size_t i = 0; i < line.size();) {
        const auto byte = static_cast<unsigned char>(line[i]);
        if (byte < 0x80) {
            ++i;
            continue;
        }
        const auto lead = utf8Lead(byte);
        if (!lead || i + static_cast<std::size_t>(lead->continuations) >= line.size())
            return false;
        for (int k = 1; k <= lead->continuations; ++k) {
            const auto next = static_cast<unsigned char>(line[i + static_cast<std::size_t>(k)]);
            const bool inRange = k == 1 ? next >= lead->low && next <= lead->high : next >= 0x80 && next <= 0xBF;
            if (!inRange)
                return false;
        }
        i += static_cast<std::size_t>(lead->continuations) + 1;
        multiByte = true;
    }
    return multiByte;
}

std::string str(std::string_view text) {
    return std::string(text);
}

std::string settingName(const ServerSetting& setting) {
    return "[" + str(setting.section) + "] " + str(setting.key);
}

// The three settings that name rule files, in the order the start-up reads the files.
struct RuleFileSetting {
    std::string_view section;
    std::string_view what; // as a message names the file
};
constexpr std::array<RuleFileSetting, 3> kRuleFileSettings = {{
    {"Cache Skip", "cache-skip file"},
    {"Router", "port-mapping file"},
    {"Check", "access rules file"},
}};
// The controls showing them, as the configuration names its settings.
constexpr std::array<std::string_view, 3> kRuleFileControls = {"CacheSkipFile", "RouterFile", "CheckFile"};
constexpr std::size_t kCacheSkip = 0;
constexpr std::size_t kPortMapping = 1;
constexpr std::size_t kAccessRules = 2;

class ConfigChecker {
public:
    explicit ConfigChecker(std::string directory) : directory_(std::move(directory)) {}

    CheckReport run();

private:
    std::string inDirectory(std::string_view name) const { return pathInDirectory(directory_, name); }
    void add(const std::string& file, std::size_t line, std::string message) {
        report_.findings.push_back({file, line, {}, std::move(message)});
    }

    void checkEncoding(std::string_view bytes);
    void checkSettingValues(const IniSession& ini);
    void loadRuleFiles();
    void checkRuleFileNames(const IniSession& ini);
    void checkRuleFileClashes(const IniSession& ini);
    void checkLeftovers();
    void checkUntrustedLinks(const IniSession& ini);
    void checkKeptLines();
    void checkRuleFileSignatures();
    void checkManualServicePorts(const IniSession& ini);
    void checkNetworkAddresses();
    void sortFindings();

    std::string directory_;
    std::string settingsPath_;
    std::array<std::string, 3> ruleNames_; // by kRuleFileSettings, as glym30.ini names them; "" when not named
    std::array<std::string, 3> ruleFiles_; // the same, joined to the directory
    CheckReport report_;
};

CheckReport ConfigChecker::run() {
    settingsPath_ = inDirectory(kSettingsFile);
    std::string bytes;
    try {
        bytes = readWholeFile(settingsPath_);
    } catch (const GlymError& error) {
        report_.unreadable.push_back({settingsPath_, error.what()});
        return std::move(report_);
    }
    if (cp1251::looksLikeUtf16(bytes)) {
        // Nothing of it reads as settings: the proxy and the configurator would both see an empty file.
        add(settingsPath_, 1, "UTF-16 text: the file should be Windows-1251 text (it reads as no settings at all)");
        return std::move(report_);
    }
    checkEncoding(bytes);
    const IniSession ini(settingsPath_);
    checkSettingValues(ini);
    loadRuleFiles();
    checkRuleFileNames(ini);
    checkRuleFileClashes(ini);
    checkLeftovers();
    checkUntrustedLinks(ini);
    checkKeptLines();
    checkRuleFileSignatures();
    checkManualServicePorts(ini);
    checkNetworkAddresses();
    sortFindings();
    return std::move(report_);
}

void ConfigChecker::checkEncoding(std::string_view bytes) {
    if (bytes.starts_with(kUtf8Signature)) {
        add(settingsPath_, 1, "UTF-8 byte-order mark: the file should be Windows-1251 text");
        bytes.remove_prefix(kUtf8Signature.size());
    }
    const std::vector<std::string> lines = splitTextLines(bytes);
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (holdsUtf8Text(lines[i]))
            add(settingsPath_, i + 1, "UTF-8 text: the file should be Windows-1251 text");
}

// Values the proxy cannot read as the numbers it expects (the settings table's rules), and a parent proxy
// without an address or a port.
void ConfigChecker::checkSettingValues(const IniSession& ini) {
    for (const ServerSetting& setting : kServerSettings) {
        const std::string section = str(setting.section);
        const std::string key = str(setting.key);
        const auto line = ini.lineOf(section, key);
        if (!line)
            continue;
        const std::string value = ini.readString(section, key, str(setting.loadDefault));
        switch (setting.kind) {
        case SettingKind::Text:
            if (const std::string problem = numberProblem(setting.number, value); !problem.empty())
                add(settingsPath_, *line, settingName(setting) + ": " + quotedField(value) + " " + problem);
            break;
        case SettingKind::Check:
        case SettingKind::CacheType:
            if (!parseInt32(value))
                add(settingsPath_, *line,
                    settingName(setting) + ": " + quotedField(value) + " is not a whole number (read as " +
                        str(setting.loadDefault) + ")");
            break;
        case SettingKind::Master: {
            if (value.empty())
                break;
            const ParentProxy parent = splitMaster(value);
            if (parent.address.empty() || parent.port.empty())
                add(settingsPath_, *line,
                    settingName(setting) + ": " + quotedField(value) +
                        " needs both an address and a port after \":\" (a save stores it empty)");
            else if (const std::string problem = numberProblem(setting.number, parent.port); !problem.empty())
                add(settingsPath_, *line, settingName(setting) + ": port " + quotedField(parent.port) + " " + problem);
            break;
        }
        }
    }
}

// The rule files of a name in the order of kRuleFileSettings.
std::array<std::string, 3> byCheckOrder(const RuleFileNames& names) {
    return {names.cacheSkip, names.portMapping, names.accessRules};
}

// glym30.ini and the rule files, read by the load the configurator starts with: each rule file as soon as the
// setting naming it is known, and every line its loader leaves out a finding.
void ConfigChecker::loadRuleFiles() {
    Configuration configuration(settingsPath_, directory_);
    std::size_t reading = 0; // the rule file being read: 0 the access rules, 1 cache-skip, 2 port-mapping
    Configuration::LoadObserver observer;
    observer.replacingRules = [&reading](std::size_t file, const std::function<void()>& change) {
        reading = file;
        change();
    };
    observer.failed = [&](const std::string& message) {
        const RuleFileNames names = configuration.ruleFileNames();
        const std::array<const std::string*, 3> byLoad = {&names.accessRules, &names.cacheSkip, &names.portMapping};
        report_.unreadable.push_back({*byLoad.at(reading), message});
    };
    configuration.load(observer);
    ruleFiles_ = byCheckOrder(configuration.ruleFileNames());
    for (std::size_t which = 0; which < kRuleFileSettings.size(); ++which)
        ruleNames_[which] = configuration.setting(Configuration::settingOfControl(kRuleFileControls[which])).text;
    const std::vector<Finding>& dropped = configuration.findings();
    report_.findings.insert(report_.findings.end(), dropped.begin(), dropped.end());
}

// Rule files named but missing, and one file named by two settings in different spellings.
void ConfigChecker::checkRuleFileNames(const IniSession& ini) {
    for (std::size_t which = 0; which < kRuleFileSettings.size(); ++which) {
        const std::string& file = ruleFiles_[which];
        if (file.empty())
            continue;
        const std::string section = str(kRuleFileSettings[which].section);
        const std::size_t line = ini.lineOf(section, "File Name").value_or(0);
        const std::string setting = "[" + section + "] File Name";
        std::error_code error;
        if (!std::filesystem::exists(file, error) && !error) {
            add(settingsPath_, line,
                setting + ": the " + str(kRuleFileSettings[which].what) + " " + quotedField(ruleNames_[which]) +
                    " does not exist");
            continue;
        }
        for (std::size_t earlier = 0; earlier < which; ++earlier) {
            const std::string& other = ruleFiles_[earlier];
            if (!other.empty() && other != file && sameFile(other, file)) {
                add(settingsPath_, line,
                    setting + ": " + quotedField(ruleNames_[which]) + " names the same file as [" +
                        str(kRuleFileSettings[earlier].section) + "] File Name " + quotedField(ruleNames_[earlier]));
                break;
            }
        }
    }
}

// Files a save cut short left beside glym30.ini and the rule files (the window tidies them at its next start).
void ConfigChecker::checkLeftovers() {
    for (const Leftover& leftover : findLeftovers({settingsPath_, ruleFiles_[0], ruleFiles_[1], ruleFiles_[2]}))
        add(leftover.path, 0, whatItIs(leftover));
}

// A rule file that is another file of the proxy's, or its backup: the next save would write rules over it.
void ConfigChecker::checkRuleFileClashes(const IniSession& ini) {
    const std::string log = ini.readString("Connect Log", "File Name", "");
    const RuleFileNames names{ruleFiles_[kAccessRules], ruleFiles_[kCacheSkip], ruleFiles_[kPortMapping]};
    const std::array<std::size_t, 3> settingOf = {kAccessRules, kCacheSkip, kPortMapping};
    for (const RuleFileClash& clash :
         ruleFileClashes(names, {settingsPath_, {}, log.empty() ? std::string() : inDirectory(log)})) {
        const std::string section = str(kRuleFileSettings[settingOf[clash.file]].section);
        add(settingsPath_, ini.lineOf(section, "File Name").value_or(0),
            "[" + section + "] File Name: " + clash.message);
    }
}

// glym30.ini and rule files that are, or lie behind, a symbolic link a save refuses to follow (one of neither the
// user running the check nor the owner of its directory): anyone may have planted it, and it may lead anywhere.
void ConfigChecker::checkUntrustedLinks(const IniSession& ini) {
    if (const std::optional<UntrustedLink> link = untrustedLink(settingsPath_))
        add(settingsPath_, 1, untrustedLinkReason(*link));
    for (std::size_t which = 0; which < kRuleFileSettings.size(); ++which) {
        if (ruleFiles_[which].empty())
            continue;
        const std::optional<UntrustedLink> link = untrustedLink(ruleFiles_[which]);
        if (!link)
            continue;
        const std::string section = str(kRuleFileSettings[which].section);
        add(settingsPath_, ini.lineOf(section, "File Name").value_or(0),
            "[" + section + "] File Name: the " + str(kRuleFileSettings[which].what) + " " +
                quotedField(ruleNames_[which]) + ": " + untrustedLinkReason(*link));
    }
}

// Lines the load keeps but that are not what their kind holds: a time rule's day outside 0..7 (there are eight day
// names) and a manual service of other than 11 fields (the window shows and rebuilds every one with 11).
void ConfigChecker::checkKeptLines() {
    std::unordered_map<std::string, std::string> identities; // by name: a file is looked up once
    auto identityOf = [&identities](const std::string& name) -> const std::string& {
        auto found = identities.find(name);
        if (found == identities.end())
            found = identities.emplace(name, fileIdentity(name)).first;
        return found->second;
    };
    std::set<std::pair<std::string, std::size_t>> reported;
    for (const Finding& finding : report_.findings)
        reported.emplace(identityOf(finding.file), finding.line);

    auto scan = [&](const std::string& file, const std::function<std::string(const TStructString&)>& problem) {
        if (file.empty())
            return;
        std::vector<std::string> lines;
        try {
            lines = readRuleFileLines(file);
        } catch (const GlymError&) {
            return; // reported by its loader
        }
        const std::string identity = identityOf(file);
        TStructString tokenizer("", ":");
        for (std::size_t i = 0; i < lines.size(); ++i) {
            tokenizer.Parse(lines[i]);
            std::string message = problem(tokenizer);
            if (!message.empty() && !reported.contains({identity, i + 1}))
                add(file, i + 1, std::move(message));
        }
    };
    scan(ruleFiles_[kAccessRules], [](const TStructString& line) {
        if (line.Field(0) != "WT")
            return std::string();
        const auto day = parseInt32(line.Field(2));
        return day && *day >= 0 && *day <= 7 ? std::string()
                                             : "day " + quotedField(line.Field(2)) + " is not a number from 0 to 7";
    });
    scan(ruleFiles_[kPortMapping], [](const TStructString& line) {
        if (line.Field(0) != "CR" || line.Count() == 11)
            return std::string();
        return "manual service of " + std::to_string(line.Count()) + " fields, not 11";
    });
}

// Rule files that start with a UTF-8 signature: the load skips it, and a save writes the file without it. Each file
// is reported once, however many settings name it, and first among the findings of its line 1.
void ConfigChecker::checkRuleFileSignatures() {
    std::vector<Finding> found;
    std::set<std::string> checked; // by identity
    for (const std::string& file : ruleFiles_) {
        if (file.empty() || !fileExists(file) || !checked.insert(fileIdentity(file)).second)
            continue;
        std::ifstream stream(file, std::ios::binary);
        std::string start(3, '\0');
        stream.read(start.data(), static_cast<std::streamsize>(start.size()));
        if (stream && hasUtf8Signature(start))
            found.push_back({file, 1, {}, "UTF-8 byte-order mark: the file should be Windows-1251 text"});
    }
    report_.findings.insert(report_.findings.begin(), found.begin(), found.end());
}

// The lines of a rule file that can be read; none when it cannot (its loader has reported that).
std::vector<std::string> linesOfRuleFile(const std::string& file) {
    if (file.empty())
        return {};
    try {
        return readRuleFileLines(file);
    } catch (const GlymError&) {
        return {};
    }
}

// Manual services the proxy cannot start: one on a local port an earlier manual service listens on, and one on the
// proxy's own port ([Server] Port). Ports are compared as numbers, "025" is port 25.
void ConfigChecker::checkManualServicePorts(const IniSession& ini) {
    const std::string& file = ruleFiles_[kPortMapping];
    const auto setting = std::find_if(kServerSettings.begin(), kServerSettings.end(), [](const ServerSetting& each) {
        return each.section == "Server" && each.key == "Port";
    });
    const std::string proxyPort = ini.readString("Server", "Port", str(setting->loadDefault));
    const std::vector<std::string> lines = linesOfRuleFile(file);
    std::vector<std::pair<std::string, std::size_t>> listening; // local port, line number
    TStructString tokenizer("", ":");
    for (std::size_t i = 0; i < lines.size(); ++i) {
        tokenizer.Parse(lines[i]);
        if (tokenizer.Field(0) != "CR")
            continue;
        const std::string port = tokenizer.Field(1);
        if (samePort(port, proxyPort))
            add(file, i + 1,
                "manual service on local port " + quotedField(port) +
                    ", the proxy's own port ([Server] Port=" + proxyPort + ")");
        for (const auto& [earlier, line] : listening)
            if (samePort(port, earlier)) {
                add(file, i + 1,
                    "manual service on local port " + quotedField(port) + ", where the manual service of line " +
                        std::to_string(line) + " listens");
                break;
            }
        listening.emplace_back(port, i + 1);
    }
}

// Network rules whose address or mask is not in IPv4 dotted form: the network dialog takes no other.
void ConfigChecker::checkNetworkAddresses() {
    const std::string& file = ruleFiles_[kAccessRules];
    const std::vector<std::string> lines = linesOfRuleFile(file);
    TStructString tokenizer("", ":");
    for (std::size_t i = 0; i < lines.size(); ++i) {
        tokenizer.Parse(lines[i]);
        if (tokenizer.Field(0) != "GD")
            continue;
        if (!parseIpv4(tokenizer.Field(2)))
            add(file, i + 1,
                "network address " + quotedField(tokenizer.Field(2)) + " is not an IPv4 address in dotted form");
        if (!parseIpv4(tokenizer.Field(3)))
            add(file, i + 1, "network mask " + quotedField(tokenizer.Field(3)) + " is not an IPv4 mask in dotted form");
    }
}

// glym30.ini first, then the rule files in the order they were read, each by line. A file named in two spellings
// is reported under the name it was first read by.
void ConfigChecker::sortFindings() {
    std::vector<std::string> firstNames;                 // by rank
    std::unordered_map<std::string, std::size_t> rankOf; // by every name a file was read by
    std::unordered_map<std::string, std::size_t> rankOfIdentity;
    for (const std::string* name : {&settingsPath_, &ruleFiles_[0], &ruleFiles_[1], &ruleFiles_[2]}) {
        if (name->empty())
            continue;
        const auto [entry, added] = rankOfIdentity.try_emplace(fileIdentity(*name), firstNames.size());
        if (added)
            firstNames.push_back(*name);
        rankOf.emplace(*name, entry->second);
    }
    std::vector<std::pair<std::size_t, Finding*>> ranked;
    for (Finding& finding : report_.findings) {
        const auto rank = rankOf.find(finding.file);
        ranked.emplace_back(rank == rankOf.end() ? firstNames.size() : rank->second, &finding);
        if (rank != rankOf.end())
            finding.file = firstNames[rank->second];
    }
    std::stable_sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) {
        return std::pair(a.first, a.second->line) < std::pair(b.first, b.second->line);
    });
    std::vector<Finding> sorted;
    sorted.reserve(ranked.size());
    for (const auto& [rank, finding] : ranked)
        sorted.push_back(std::move(*finding));
    report_.findings = std::move(sorted);
}

// Windows-1251 bytes as UTF-8, for a terminal.
std::string toUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const char16_t code = cp1251::toUnicode(static_cast<unsigned char>(c));
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}

} // namespace

CheckReport checkConfiguration(const std::string& directory) {
    return ConfigChecker(directory).run();
}

int printCheckReport(const CheckReport& report, std::ostream& out, std::ostream& errors) {
    for (const Finding& finding : report.findings)
        out << formatFinding({finding.file, finding.line, {}, toUtf8(finding.message)}) << '\n';
    for (const UnreadableFile& file : report.unreadable)
        errors << escapedControls(toUtf8(file.message)) << '\n'; // the message names the file
    out.flush();
    if (!report.unreadable.empty())
        return 2;
    return report.findings.empty() ? 0 : 1;
}
