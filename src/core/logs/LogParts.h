#pragma once

#include "logs/ConnectionStats.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace logstats {

// An open connection log, read by offsets so that its parts can be read side by side from one descriptor.
struct LogFile {
    int fd;
    std::string path;   // for messages
    std::uint64_t size; // when the reading starts; the last part reads on to the end, as the proxy may be appending
};

// Reads the log in up to `parts` parts at line starts, each in a thread of its own but the first, which the
// calling thread reads, and merges their tables into exactly what one pass over the log gives; one part is that
// one pass. Throws GlymError when the file cannot be read.
ConnectionStats readInParts(const LogFile& log, const ConnectionStatsOptions& options, std::size_t parts);

} // namespace logstats
