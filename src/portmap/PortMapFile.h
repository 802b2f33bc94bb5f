#pragma once

#include "common/Findings.h"
#include "rules/RuleLines.h"
#include "rules/RulesFile.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

// The port-mapping rules: the three standard services ("CS" SMTP on port 25, "CP" POP3 on 110, "CN" NNTP on 119,
// each given by its server) and the manual services ("CR": local port, remote port, server, service, tuning
// values, comment).

// The standard slot (0, 1, 2) of a local port written exactly "25", "110" or "119".
std::optional<int> standardSlotOfPort(std::string_view port);

// Which standard services a manual service on the same port has taken over.
using TakenStandardSlots = std::array<bool, 3>;

// Reads the file's lines, trimmed field by field: the last "CS", "CP" and "CN" line each fill their slot, the
// "CR" lines are appended to manual; other lines are left out. A manual service on a standard port wins: that
// standard slot is emptied (it is not written again) and reported as taken. Every line left out (an earlier
// standard line, one a manual service takes over, one of another tag) is reported to findings, when given.
// A missing file changes nothing; a file that exists but cannot be read (a named pipe, a directory) is an error.
TakenStandardSlots loadPortMapping(const std::string& path, StandardServices& standard, RuleLines& manual,
                                   LoadFindings* findings = nullptr);
