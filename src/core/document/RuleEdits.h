#pragma once

#include "rules/RuleKinds.h"

#include <cstddef>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

class Configuration;

// The rule lines of a configuration as lines, for the command line: listed where the files hold them, added and
// deleted with the checks the editor dialogs make (the bounds of their number fields, no ":" inside a field, a
// group that must exist, the ports of the port mapping), so that a line the window would refuse is refused here too.

// A rule line the configuration holds, and where its file holds it.
struct ListedRule {
    std::string text;     // the line as held (what a save writes)
    const RuleKind* kind; // never null
    std::string file;     // the rule file's name as the settings give it
    std::size_t line = 0; // in that file, from 1; 0 when the file holds it nowhere yet
};

// Every rule line held, file by file (the access rules, the cache-skip rules, the port-mapping rules; a file two
// settings name once), each file's lines in the order the file holds them. Lines the file does not hold yet follow
// those of their file.
std::vector<ListedRule> listRules(const Configuration& configuration);

// Why a line was refused: the message, with the place of the line it is about when there is one.
struct RuleRefusal {
    std::string message;
    std::string file;
    std::size_t line = 0;
};

// Changes the rules of a configuration line by line; nothing is saved. Each call checks its line against the
// configuration as the calls before it left it.
class RuleEdits {
public:
    explicit RuleEdits(Configuration& configuration);

    // A line as the files write it (its fields are trimmed as a load trims them; cache-skip lines are kept as
    // given). Kinds of many lines append it, unless the same line is held already (nothing to do); kinds of one
    // line per group (or per file) replace that line. Refused: a line ruleLineProblem refuses, a group that does
    // not exist for a kind that does not bring it into being, a manual service on a port that is taken, a standard
    // service whose port a manual service has taken, a rule of a file no setting names.
    std::optional<RuleRefusal> add(std::string_view line);
    // Deletes the first line equal to this one (fields compared trimmed, letters exactly). Refused: no such line.
    std::optional<RuleRefusal> remove(std::string_view line);
    // The checks only the whole can tell, once every line is added and deleted: a group left with rules but no
    // line that brings it into being (the next load would drop them).
    std::vector<RuleRefusal> finish() const;

    // The lines as the configuration would hold them: trimmed field by field, except the cache-skip lines.
    static std::string heldForm(std::string_view line);

private:
    Configuration& configuration_;
    std::set<int> groupsLosingNames_;
};

// Replaces every rule of the configuration by these lines, in their order, as a load would read them: a group comes
// into being with its "GN", "GD" or "CD" line, wherever it stands. Lines the configuration held before are taken as
// they are; new ones are checked as RuleEdits::add checks them, and a second line of a kind that has one per group
// (or per file) is refused. Returns the refusals by the index of the line; nothing is changed when there is one.
std::vector<std::pair<std::size_t, RuleRefusal>> replaceRules(Configuration& configuration,
                                                              const std::vector<std::string>& lines);
