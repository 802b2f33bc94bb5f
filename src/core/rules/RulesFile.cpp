#include "rules/RulesFile.h"

#include "common/FileIo.h"
#include "rules/RuleTags.h"
#include "rules/Strings.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>

namespace {

// Calls line(text) for every line of the port-mapping rules: the three standard slots (an unset one as an empty
// line), then the manual services.
template <class Line> void portMappingLines(const StandardServices& standard, const RuleLines& manual, Line line) {
    for (const std::string& slot : standard)
        line(slot);
    for (const auto& entry : manual)
        line(entry.text);
}

// The lines each(line) gives, each ended by CR LF, built in place: their size is counted first.
template <class Each> std::string crLfLines(Each each) {
    std::size_t size = 0;
    each([&size](std::string_view line) { size += line.size() + 2; });
    std::string bytes;
    bytes.reserve(size);
    each([&bytes](std::string_view line) {
        bytes.append(line);
        bytes.append("\r\n");
    });
    return bytes;
}

// The lines of a file's bytes (ended by CR, LF or CR LF), as parts of them.
std::vector<std::string_view> lineViews(std::string_view bytes) {
    std::vector<std::string_view> lines;
    lines.reserve(bytes.size() / 32);
    const char* const data = bytes.data();
    std::size_t start = 0;
    while (start < bytes.size()) {
        const void* lf = std::memchr(data + start, '\n', bytes.size() - start);
        const std::size_t end = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - data) : bytes.size();
        std::size_t next = end + 1;
        std::size_t stop = end;
        if (const void* cr = std::memchr(data + start, '\r', end - start)) {
            stop = static_cast<std::size_t>(static_cast<const char*>(cr) - data);
            next = stop + 1 < bytes.size() && data[stop + 1] == '\n' ? stop + 2 : stop + 1;
        }
        lines.push_back(bytes.substr(start, stop - start));
        start = next;
    }
    return lines;
}

// The members of a group record that hold rule lines, in the order the record writes them, and the tags of each.
enum Member : std::uint8_t {
    kGroupLine,
    kNetworks,
    kHosts,
    kUrls,
    kWords,
    kTimes,
    kPortAccess,
    kPortBlocks,
    kLimit,
    kSpeed,
    kInputAuth,
    kOutputAuth,
    kMemberCount
};

std::optional<Member> memberOfTag(std::string_view tag) {
    static constexpr std::pair<std::string_view, Member> kTags[] = {
        {"GN", kGroupLine}, {"GD", kNetworks},  {"CD", kHosts},      {"PA", kUrls},       {"PD", kUrls},
        {"BW", kWords},     {"WT", kTimes},     {"RP", kPortAccess}, {"BP", kPortBlocks}, {"TL", kLimit},
        {"RL", kSpeed},     {"IA", kInputAuth}, {"OA", kOutputAuth},
    };
    for (const auto& [known, member] : kTags)
        if (known == tag)
            return member;
    return std::nullopt;
}

RuleLines* listOf(TProxyUsers& group, Member member) {
    switch (member) {
    case kNetworks:
        return &group.NetworkRules;
    case kHosts:
        return &group.HostRules;
    case kUrls:
        return &group.UrlRules;
    case kWords:
        return &group.WordRules;
    case kTimes:
        return &group.TimeRules;
    case kPortAccess:
        return &group.PortAccessRules;
    case kPortBlocks:
        return &group.PortBlockRules;
    default:
        return nullptr;
    }
}

std::string* singleOf(TProxyUsers& group, Member member) {
    switch (member) {
    case kGroupLine:
        return &group.GroupLine;
    case kLimit:
        return &group.LimitRule;
    case kSpeed:
        return &group.SpeedRule;
    case kInputAuth:
        return &group.InputAuthRule;
    case kOutputAuth:
        return &group.OutputAuthRule;
    default:
        return nullptr;
    }
}

// Whether the line is as NormalizeRuleLine makes it: no field starts or ends with a blank or a control character.
bool isNormalized(std::string_view line) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t stop = line.find(':', start);
        const std::size_t end = stop == std::string_view::npos ? line.size() : stop;
        if (end > start &&
            (static_cast<unsigned char>(line[start]) <= 32 || static_cast<unsigned char>(line[end - 1]) <= 32))
            return false;
        if (stop == std::string_view::npos)
            return true;
        start = stop + 1;
    }
}

bool namesGroup(std::string_view tag) {
    return tag == "GN" || tag == "GD" || tag == "CD";
}

// The first two fields of a rule line, the tag and the group, trimmed (empty when the line has no such field).
struct LeadingFields {
    std::string_view tag;
    std::string_view group;
};

LeadingFields leadingFields(std::string_view line) {
    const std::size_t first = line.find(':');
    if (first == std::string_view::npos)
        return {TrimField(line), {}};
    const std::string_view rest = line.substr(first + 1);
    return {TrimField(line.substr(0, first)), TrimField(rest.substr(0, rest.find(':')))};
}

// The tags of which a group keeps one line: a later line replaces the earlier one.
constexpr std::array<std::string_view, 5> kSingleLineTags = {"GN", "TL", "RL", "IA", "OA"};

// Which line of the file each group's single-line rules came from, to name the ones a later line replaces.
class ReplacedLines {
public:
    explicit ReplacedLines(DropReport& report) : report_(report) {}

    void store(int group, std::string_view tag, std::size_t index, const std::vector<std::string_view>& lines) {
        const auto kind = std::find(kSingleLineTags.begin(), kSingleLineTags.end(), tag);
        if (!report_.active() || kind == kSingleLineTags.end())
            return;
        std::size_t& earlier =
            from_[static_cast<std::size_t>(group)][static_cast<std::size_t>(kind - kSingleLineTags.begin())];
        if (earlier != 0)
            report_.drop(earlier, lines[earlier - 1],
                         "replaced by line " + std::to_string(index + 1) + " (one \"" + std::string(tag) +
                             "\" line per group)");
        earlier = index + 1;
    }

private:
    DropReport& report_;
    std::array<std::array<std::size_t, kSingleLineTags.size()>, GroupTable::kSlotCount> from_{}; // line numbers
};

} // namespace

std::vector<RuleFileClash> ruleFileClashes(const RuleFileNames& names, const OtherFiles& others) {
    struct Named {
        std::string name;
        std::string what;
    };
    const std::array<Named, 3> rules = {{
        {names.accessRules, "access rules file"},
        {names.cacheSkip, "cache-skip rules file"},
        {names.portMapping, "port-mapping rules file"},
    }};
    const std::vector<Named> files = {
        {others.settings, "the server settings file"},
        {others.preferences, "the configurator's preferences file"},
        {others.connectionLog, "the proxy's connection log"},
    };
    std::vector<Named> backups = {{others.settings + ".bak", "the backup of the server settings file"}};
    for (const Named& rule : rules)
        backups.push_back({rule.name + ".bak", "the backup of the " + rule.what + " \"" + rule.name + "\""});

    std::vector<RuleFileClash> clashes;
    for (std::size_t which = 0; which < rules.size(); ++which) {
        const Named& rule = rules[which];
        if (rule.name.empty())
            continue;
        const std::string named = "The " + rule.what + " \"" + rule.name + "\"";
        for (const Named& file : files) {
            if (file.name.empty())
                continue;
            if (sameFile(rule.name, file.name))
                clashes.push_back({which, named + " is " + file.what + ": saving rules there would destroy it."});
            else if (sameFile(rule.name + ".bak", file.name))
                clashes.push_back({which, named + " keeps its backup in " + file.what + ": saving would destroy it."});
        }
        for (const Named& backup : backups)
            if (backup.name != ".bak" && backup.name != rule.name + ".bak" && sameFile(rule.name, backup.name))
                clashes.push_back({which, named + " is " + backup.what + ": the next save would replace it."});
    }
    return clashes;
}

bool hasUtf8Signature(std::string_view bytes) {
    return bytes.starts_with("\xEF\xBB\xBF");
}

std::optional<std::vector<std::string>> readRuleFileIfPresent(const std::string& path) {
    const std::optional<std::string> content = readWholeFileIfPresent(path);
    if (!content)
        return std::nullopt;
    std::string_view bytes = *content;
    if (hasUtf8Signature(bytes))
        bytes.remove_prefix(3);
    return splitTextLines(bytes);
}

std::vector<std::string> readRuleFileLines(const std::string& path) {
    return readRuleFileIfPresent(path).value_or(std::vector<std::string>());
}

void LoadAccessRules(const std::string& path, GroupTable& groups, LoadFindings* findings) {
    const std::optional<std::string> content = readWholeFileIfPresent(path);
    if (!content)
        return;
    std::string_view bytes = *content;
    if (hasUtf8Signature(bytes))
        bytes.remove_prefix(3);
    const std::vector<std::string_view> lines = lineViews(bytes);
    DropReport report(findings, path);

    for (const std::string_view line : lines) {
        const LeadingFields fields = leadingFields(line);
        if (!namesGroup(fields.tag))
            continue;
        if (const auto group = GroupTable::groupNumber(fields.group))
            groups.create(*group);
    }
    if (!groups.exists(0))
        groups.create(0).SetGroupLine("GN:0:AllUsers:");

    // The lines kept, trimmed field by field (most are as read), with the member of the group that takes them.
    struct Kept {
        std::string_view text;
        std::uint16_t bucket; // group * kMemberCount + member
    };
    std::vector<Kept> kept;
    kept.reserve(lines.size());
    std::deque<std::string> normalizedLines; // the lines that trimming changed (a deque keeps them in place)
    ReplacedLines replaced(report);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        std::string_view normalized = line;
        if (!isNormalized(line))
            normalized = normalizedLines.emplace_back(NormalizeRuleLine(line));
        const auto [tag, groupField] = leadingFields(normalized);
        const std::optional<Member> member = memberOfTag(tag); // every tag of the access rules has one
        if (!member) {
            if (!isBlankRuleLine(line))
                report.drop(i + 1, line, otherTagMessage(tag, RuleFileKind::AccessRules), LoadFindings::Kind::Other);
            continue;
        }
        const auto group = GroupTable::groupNumber(groupField);
        if (!group) {
            report.drop(i + 1, line, "group " + quotedField(groupField) + " is not a number from 0 to 64");
            continue;
        }
        if (!groups.exists(*group)) {
            report.drop(i + 1, line,
                        "group " + std::to_string(*group) +
                            " does not exist (no \"GN\", \"GD\" or \"CD\" line names it)");
            continue;
        }
        replaced.store(*group, tag, i, lines);
        kept.push_back({normalized, static_cast<std::uint16_t>(*group * kMemberCount + *member)});
    }

    // Stored group by group and member by member, each member's lines in the order of the file: the lines of a
    // list then lie side by side in memory, in the order its rows show them (a later single line replaces an
    // earlier one, as it did in the file).
    constexpr std::size_t kBuckets = std::size_t(GroupTable::kSlotCount) * kMemberCount;
    std::vector<std::uint32_t> starts(kBuckets + 1, 0);
    for (const Kept& line : kept)
        ++starts[line.bucket + 1u];
    for (std::size_t bucket = 0; bucket < kBuckets; ++bucket)
        starts[bucket + 1] += starts[bucket];
    std::vector<std::string_view> ordered(kept.size());
    {
        std::vector<std::uint32_t> next(starts.begin(), starts.end() - 1);
        for (const Kept& line : kept)
            ordered[next[line.bucket]++] = line.text;
    }
    kept = std::vector<Kept>();
    for (std::size_t bucket = 0; bucket < kBuckets; ++bucket) {
        if (starts[bucket] == starts[bucket + 1])
            continue;
        TProxyUsers& record = *groups.find(static_cast<int>(bucket / kMemberCount));
        const auto member = static_cast<Member>(bucket % kMemberCount);
        if (RuleLines* list = listOf(record, member)) {
            list->reserve(list->size() + (starts[bucket + 1] - starts[bucket]));
            for (std::uint32_t at = starts[bucket]; at < starts[bucket + 1]; ++at)
                list->append(std::string(ordered[at]));
        } else {
            *singleOf(record, member) = std::string(ordered[starts[bucket + 1] - 1]);
        }
    }
}

std::string writeRuleFile(const std::string& name, const std::vector<std::string>& lines) {
    if (name.empty())
        return std::string();
    return writeFileAtomically(name, joinCrLfLines(lines), {.keepBackup = true, .refuseWriteProtected = false});
}

namespace {

// Calls file(name, each) for every rule file a save writes, in order, each(line) calling line(text) for every line
// of that file.
template <class File>
void forEachRuleFile(const RuleFileNames& names, const GroupTable& groups,
                     const std::vector<std::string>& cacheSkipLines, const StandardServices& standardServices,
                     const RuleLines& manualServices, File file) {
    auto add = [&file](const std::string& name, const auto& each) {
        if (!name.empty())
            file(name, each);
    };
    const bool cacheSkipInAccess = sameFile(names.cacheSkip, names.accessRules);
    const bool portMappingInAccess = sameFile(names.portMapping, names.accessRules);
    const bool portMappingInCacheSkip = sameFile(names.portMapping, names.cacheSkip);
    auto cacheSkip = [&cacheSkipLines](const auto& line) {
        for (const std::string& text : cacheSkipLines)
            line(text);
    };
    auto portMapping = [&standardServices, &manualServices](const auto& line) {
        portMappingLines(standardServices, manualServices, line);
    };

    add(names.accessRules, [&](const auto& line) {
        for (int group = 0; group < GroupTable::kSlotCount; ++group)
            if (const TProxyUsers* record = groups.find(group))
                record->forEachLine(line);
        if (cacheSkipInAccess)
            cacheSkip(line);
        if (portMappingInAccess)
            portMapping(line);
    });
    bool portMappingWritten = portMappingInAccess;
    if (!cacheSkipInAccess) {
        add(names.cacheSkip, [&](const auto& line) {
            cacheSkip(line);
            if (portMappingInCacheSkip)
                portMapping(line);
        });
        portMappingWritten = portMappingWritten || portMappingInCacheSkip;
    }
    if (!portMappingWritten)
        add(names.portMapping, portMapping);
}

// The size and hash of bytes given in parts: the hash goes over pieces of a fixed size, so that it is the same
// however the bytes are cut into parts.
class ContentHash {
public:
    void add(std::string_view bytes) {
        size_ += bytes.size();
        while (!bytes.empty()) {
            if (used_ == 0 && bytes.size() >= kPiece) {
                mix(bytes.substr(0, kPiece));
                bytes.remove_prefix(kPiece);
                continue;
            }
            const std::size_t taken = std::min(bytes.size(), kPiece - used_);
            std::memcpy(piece_.data() + used_, bytes.data(), taken);
            used_ += taken;
            bytes.remove_prefix(taken);
            if (used_ == kPiece) {
                mix({piece_.data(), kPiece});
                used_ = 0;
            }
        }
    }
    RuleFileStamp stamp(const std::string& name) {
        if (used_ > 0)
            mix({piece_.data(), used_});
        used_ = 0;
        return {name, size_, hash_};
    }

private:
    static constexpr std::size_t kPiece = 16384;
    void mix(std::string_view piece) {
        hash_ = (std::rotl(hash_, 23) ^ std::hash<std::string_view>{}(piece)) * 0x9E3779B97F4A7C15u;
    }

    std::array<char, kPiece> piece_;
    std::size_t used_ = 0;
    std::uint64_t size_ = 0;
    std::uint64_t hash_ = 0;
};

} // namespace

std::vector<RuleFileContent> ruleFileContents(const RuleFileNames& names, const GroupTable& groups,
                                              const std::vector<std::string>& cacheSkipLines,
                                              const StandardServices& standardServices,
                                              const RuleLines& manualServices) {
    std::vector<RuleFileContent> files;
    forEachRuleFile(names, groups, cacheSkipLines, standardServices, manualServices,
                    [&files](const std::string& name, const auto& each) {
                        files.push_back({name, crLfLines(each)});
                    });
    return files;
}

RuleFileStamp stampOf(const RuleFileContent& file) {
    ContentHash hash;
    hash.add(file.bytes);
    return hash.stamp(file.name);
}

std::vector<RuleFileStamp> ruleFileStamps(const RuleFileNames& names, const GroupTable& groups,
                                          const std::vector<std::string>& cacheSkipLines,
                                          const StandardServices& standardServices, const RuleLines& manualServices) {
    std::vector<RuleFileStamp> stamps;
    const auto hash = std::make_unique<ContentHash>();
    forEachRuleFile(names, groups, cacheSkipLines, standardServices, manualServices,
                    [&stamps, &hash](const std::string& name, const auto& each) {
                        *hash = ContentHash();
                        each([&hash](std::string_view line) {
                            hash->add(line);
                            hash->add("\r\n");
                        });
                        stamps.push_back(hash->stamp(name));
                    });
    return stamps;
}

std::vector<std::string> writeRuleFiles(const std::vector<RuleFileContent>& files, const std::string& settingsFile) {
    std::vector<std::string> notes;
    for (const RuleFileContent& file : files)
        if (std::string note =
                writeFileAtomically(file.name, file.bytes,
                                    {.keepBackup = true, .refuseWriteProtected = false, .newFileLike = settingsFile});
            !note.empty())
            notes.push_back(std::move(note));
    return notes;
}

std::vector<std::string> SaveRuleFiles(const RuleFileNames& names, const GroupTable& groups,
                                       const std::vector<std::string>& cacheSkipLines,
                                       const StandardServices& standardServices, const RuleLines& manualServices) {
    // Decided before anything is written: a file the save creates must not change which names are one file.
    return writeRuleFiles(ruleFileContents(names, groups, cacheSkipLines, standardServices, manualServices));
}
