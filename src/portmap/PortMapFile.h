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

// The ports a manual service may not listen on, checked in this order when one is added: a standard port while
// its standard service is set, the proxy's own listening port, and a port another manual service already listens
// on (every line, letters compared without regard to case). Returns the message that refuses the port, or
// nothing when it is free. The ports are compared as written: "025" is not "25".
std::optional<std::string> refusedLocalPort(std::string_view port, const StandardServices& standard,
                                            std::string_view proxyPort, const RuleLines& manual);

// Whether a manual service listens on the port (the local port of its line, trimmed, equal to port).
bool listensOn(const RuleLines& manual, std::string_view port);

// Which standard services a manual service on the same port has taken over.
using TakenStandardSlots = std::array<bool, 3>;

// Reads the file's lines, trimmed field by field: the last "CS", "CP" and "CN" line each fill their slot, the
// "CR" lines are appended to manual; other lines are left out. A manual service on a standard port wins: that
// standard slot is emptied (it is not written again) and reported as taken. Every line left out (an earlier
// standard line, one a manual service takes over, one of another tag) is reported to findings, when given.
// A missing file changes nothing; a file that exists but cannot be read (a named pipe, a directory) is an error.
TakenStandardSlots loadPortMapping(const std::string& path, StandardServices& standard, RuleLines& manual,
                                   LoadFindings* findings = nullptr);
