#pragma once

#include <optional>
#include <string>
#include <string_view>

// The record tags of the three rule files, and what a loader says about a line it does not keep.

enum class RuleFileKind { AccessRules, CacheSkip, PortMapping };

// The kind of file whose loader keeps lines of this tag (compared exactly), or nothing for a tag no loader knows.
std::optional<RuleFileKind> ruleFileKindOfTag(std::string_view tag);

// Why a loader of the reader's kind leaves out a line whose tag (field 0, trimmed) is not one of its own:
// "unknown tag "XX"", "lower-case tag "sa"", "not a rule line", or, for the tag of another file's rules,
// "cache-skip rule, but this is not the cache-skip file". Empty for a tag of the reader's own kind.
std::string otherTagMessage(std::string_view tag, RuleFileKind reader);

// A line of nothing but blanks and control characters: every loader skips it, and it is not worth a word.
bool isBlankRuleLine(std::string_view line);

// A field for a message: quoted, and cut short when it is long.
std::string quotedField(std::string_view field);
