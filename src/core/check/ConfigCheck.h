#pragma once

#include "common/Findings.h"

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

// The configuration check: reads glym30.ini and the three rule files it names the way the configurator's start-up
// does, and lists what an administrator should know before the proxy or the configurator reads them again.

// A file that exists but cannot be read (a directory, a named pipe, no permission).
struct UnreadableFile {
    std::string file;
    std::string message;
};

struct CheckReport {
    // glym30.ini first, then the rule files in the order the start-up reads them (cache-skip, port-mapping,
    // access rules; one file named twice counts once), each file's findings by line number.
    std::vector<Finding> findings;
    std::vector<UnreadableFile> unreadable;
};

// Checks the configuration in directory: glym30.ini there, and the rule files it names, relative names counting
// from directory (as the configurator counts them from its working directory). Every file name in the report is
// joined to directory the same way, as given ("." gives "./glym30.ini").
//
// Findings in glym30.ini: a UTF-8 byte-order mark and lines of UTF-8 text (the file is Windows-1251 text), values
// that are not whole numbers where the proxy expects one (or ports outside 1..65535: ServerSetting::number), a
// parent proxy without an address or a port, UTF-16 text, rule files named but missing, two keys naming one rule
// file in different spellings, and a rule file that is another file of the configuration or a backup a save makes.
// In the rule files: a UTF-8 byte-order mark, every line the load leaves out (see LoadFindings), a time rule's day
// outside 0..7, a manual service line of other than 11 fields, a manual service on a local port that an earlier one
// or the proxy itself ([Server] Port) listens on (ports compared as numbers), and a network rule whose address or
// mask is not in IPv4 dotted form. A missing glym30.ini cannot be read. glym30.ini and every rule file named: a
// symbolic link, on the way to the file or the file itself, that a save refuses to follow (see untrustedLink).
CheckReport checkConfiguration(const std::string& directory);

// Prints one line per finding to out, "file:line: message" (formatFinding: a name that holds a line break or a quote
// is quoted), and the message of each unreadable file (which names it) to errors, its control characters escaped;
// messages are turned from Windows-1251 into UTF-8. Returns the exit status: 0 clean, 1 with findings, 2
// when a file cannot be read.
int printCheckReport(const CheckReport& report, std::ostream& out, std::ostream& errors);
