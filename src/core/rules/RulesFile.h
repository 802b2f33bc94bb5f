#pragma once

#include "common/Findings.h"
#include "rules/Proxyusers.h"
#include "rules/RuleLines.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The three rule files. Their names come from the server settings and may coincide; then the rules share one
// file. Reading accepts CR, LF and CR LF line ends; writing ends every line in CR LF.

// The standard port-mapping services: slot 0 the "CS" (SMTP) line, 1 "CP" (POP3), 2 "CN" (NNTP); "" when unset.
using StandardServices = std::array<std::string, 3>;

struct RuleFileNames {
    std::string accessRules; // the access rules file
    std::string cacheSkip;   // the cache-skip rules file
    std::string portMapping; // the port-mapping rules file
};

// The other files a rule file must not be, as the settings name them (relative names count from the current
// directory); an empty name is not there.
struct OtherFiles {
    std::string settings;      // glym30.ini
    std::string preferences;   // the configurator's own preferences
    std::string connectionLog; // the proxy writes it
};

// Why saving the rule files under these names would destroy another file: a rule file that is glym30.ini, the
// preferences, the connection log or the backup of glym30.ini or of another rule file, or whose own backup would
// take the place of one of them. A sentence for each clash, naming both; none when the names are safe.
struct RuleFileClash {
    std::size_t file; // 0 the access rules, 1 the cache-skip rules, 2 the port-mapping rules
    std::string message;
};
std::vector<RuleFileClash> ruleFileClashes(const RuleFileNames& names, const OtherFiles& others);

// Reads the access rules file into the group records, in two passes: every group named by a "GN", "GD" or "CD"
// line comes into being first (and group 0 as "GN:0:AllUsers:" when none names it), then every line, trimmed
// field by field, goes to its group's record. Lines of other tags, of groups that do not exist, or whose group
// field is not a whole number from 0 to 64 are left out, and so is a single-line rule ("GN", "TL", "RL", "IA",
// "OA") that a later one of its group replaces; each is reported to findings, when given. A missing file (or no
// name) leaves the table as it is; a file that exists but cannot be read (a named pipe, a directory) is an error.
void LoadAccessRules(const std::string& path, GroupTable& groups, LoadFindings* findings = nullptr);

// One rule file as a save would write it: its name as the settings give it, and its whole content.
struct RuleFileContent {
    std::string name;
    std::string bytes;

    friend bool operator==(const RuleFileContent&, const RuleFileContent&) = default;
};

// What a save writes into the rule files: the access rules file (every group in number order), then the cache-skip
// rules and the port-mapping rules, each into its own file or appended to the earlier file of the same name. Names
// are compared by the file they lead to (see sameFile), relative names counting from the current directory: two
// spellings of one file are written as two equal names are. An empty name has no file.
std::vector<RuleFileContent> ruleFileContents(const RuleFileNames& names, const GroupTable& groups,
                                              const std::vector<std::string>& cacheSkipLines,
                                              const StandardServices& standardServices,
                                              const RuleLines& manualServices);

// A rule file in brief: its name, and the size and a hash of its content. A save leaves a file alone whose stamp is
// still the one of the last load or save.
struct RuleFileStamp {
    std::string name;
    std::uint64_t size = 0;
    std::uint64_t hash = 0;

    friend bool operator==(const RuleFileStamp&, const RuleFileStamp&) = default;
};
RuleFileStamp stampOf(const RuleFileContent& file);
// The stamps of the files ruleFileContents gives, in its order, without building their contents.
std::vector<RuleFileStamp> ruleFileStamps(const RuleFileNames& names, const GroupTable& groups,
                                          const std::vector<std::string>& cacheSkipLines,
                                          const StandardServices& standardServices, const RuleLines& manualServices);

// Writes the files in order, each keeping its previous content as name + ".bak". Stops at the first file that
// fails (GlymError). Returns what the writes had to do differently (see writeFileAtomically), a sentence a file.
// A rule file that does not exist yet takes the mode and group of the settings file (glym30.ini, when named): the
// proxy reads both, and the access rules may hold passwords.
std::vector<std::string> writeRuleFiles(const std::vector<RuleFileContent>& files,
                                        const std::string& settingsFile = std::string());

// Writes every rule file (ruleFileContents, then writeRuleFiles).
std::vector<std::string> SaveRuleFiles(const RuleFileNames& names, const GroupTable& groups,
                                       const std::vector<std::string>& cacheSkipLines,
                                       const StandardServices& standardServices, const RuleLines& manualServices);

// Writes one rule file: the lines ended in CR LF, the old file kept as name + ".bak". An empty name does nothing.
// Returns what the write had to do differently (see writeFileAtomically).
std::string writeRuleFile(const std::string& name, const std::vector<std::string>& lines);

// The lines of a rule file, or none when there is no such file. Anything else that is not a readable regular
// file is an error (GlymError). A UTF-8 signature at the start of the file (see hasUtf8Signature) is skipped: it
// is not part of the first line.
std::vector<std::string> readRuleFileLines(const std::string& path);
// As readRuleFileLines, but nothing when there is no such file (or no name), so that an empty file is told apart.
std::optional<std::vector<std::string>> readRuleFileIfPresent(const std::string& path);

// Whether the bytes start with the UTF-8 signature EF BB BF that some editors put before the first line. Every
// reader of a rule file skips it; a save writes the file without it, as the proxy reads its files as Windows-1251
// text, where the signature would be three letters in front of the first line's tag.
bool hasUtf8Signature(std::string_view bytes);
