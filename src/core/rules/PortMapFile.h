#pragma once

#include "common/Findings.h"
#include "rules/RuleLines.h"
#include "rules/RulesFile.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The port-mapping rules: the three standard services ("CS" SMTP on port 25, "CP" POP3 on 110, "CN" NNTP on 119,
// each given by its server) and the manual services ("CR": local port, remote port, server, service, tuning
// values, comment).

// A port as the proxy reads it: the number its text holds (blanks around it do not count, "025" and "+25" are 25),
// or nothing when it holds none.
std::optional<std::int32_t> portNumber(std::string_view port);

// Whether two ports are one: equal numbers, or, where either holds no number, equal texts (letters compared
// without regard to case, blanks around them not counted).
bool samePort(std::string_view a, std::string_view b);

// The standard slot (0, 1, 2) of a local port that is 25, 110 or 119 as a number.
std::optional<int> standardSlotOfPort(std::string_view port);

// The port of a standard slot: 25, 110, 119.
int standardPort(int slot);

// The ports a manual service may not listen on, checked in this order when one is added: a standard port while
// its standard service is set, the proxy's own listening port, and a port another manual service already listens
// on (every line). Ports are compared as numbers (samePort): "025" is port 25. Returns the message that refuses
// the port, or nothing when it is free.
std::optional<std::string> refusedLocalPort(std::string_view port, const StandardServices& standard,
                                            std::string_view proxyPort, const RuleLines& manual);

// Whether a manual service listens on the port (the local port of its line the same port, samePort).
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
