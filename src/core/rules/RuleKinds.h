#pragma once

#include "rules/RuleTags.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// Every kind of rule line, by its tag: its file, the names of its fields, which of them hold numbers and within
// which bounds, and how many lines of it a group or a file holds. The editor dialogs take their bounds from here
// and the command line checks the lines it is given by the same rules, so the two can never disagree.

// A field of a rule line after the tag: its name (as the JSON export names it) and, for a number, its bounds.
struct RuleField {
    std::string_view name;
    bool number = false;
    std::int32_t min = 0;
    std::int32_t max = 0;
};

// How many lines of a kind there are: many a group (networks), one a group (the traffic limit: a new one replaces
// the group's line), or one a file (the standard port-mapping services, by their slot).
enum class RuleCount { ManyPerGroup, OnePerGroup, OnePerFile, ManyPerFile };

struct RuleKind {
    std::string_view tag;
    RuleFileKind file;
    RuleCount count;
    std::span<const RuleField> fields; // after the tag; the group number first for the access rules
    std::string_view noun;             // for messages: "URL rule"
    bool createsGroup = false;         // a line of this kind brings its group into being ("GN", "GD", "CD")
    // A number field that must exceed another: the last field's index (counted from 1) must be at least the first
    // field's plus distance (the end of a port range, the end of working hours); 0 when none.
    int orderedFirst = 0;
    int orderedLast = 0;
    int orderedDistance = 0;
};

// The kind of a tag (compared exactly), or nothing for a tag of no rule file.
const RuleKind* ruleKindOfTag(std::string_view tag);
// Every kind, in the order the files and the window list them.
std::span<const RuleKind> ruleKinds();

// The field of a kind that holds the group number (index 1), and the bounds of a group number.
inline constexpr RuleField kGroupField{"group", true, 0, 64};

// Why text cannot be a field of a rule line: a ":" (it separates the fields), a line break. The window says it in
// the user's language, the command line with fieldTextProblem (empty when the text can be a field).
enum class FieldText { Storable, HoldsSeparator, HoldsLineBreak };
FieldText fieldTextKind(std::string_view text);
std::string fieldTextProblem(std::string_view text);

// Why a number field's text is no value it takes, as the end of a sentence naming the field: "must hold a whole
// number.", "must be at least 1.", "must be at most 65535."; empty when it is one. Whole numbers are written in
// decimal, with no blanks around them, as the dialogs' number fields take them.
std::string numberFieldProblem(const RuleField& field, std::string_view text);

// Why a rule line cannot be stored as it is: an unknown tag, a field count other than its kind's (a ":" inside a
// field adds one), a line break, a number out of its bounds, two ordered numbers out of order. Each message names
// the field: "the field \"port\" must be at most 65535.". Empty when the line is a sound line of its kind.
std::string ruleLineProblem(std::string_view line);
