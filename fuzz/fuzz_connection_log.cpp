// The connection-log reader on a log of any content: read from the file in blocks of a few bytes, in one pass and
// in 2 to 5 parts side by side, and in one block, and fed to the stream counter in pieces of random sizes, it gives
// what a plain reckoning of the whole log gives.

#include "FuzzSupport.h"
#include "logs/ConnectionStats.h"
#include "stats/PlainReckoning.h"

#include <string>
#include <string_view>

namespace {

std::string describe(const ConnectionStats& stats) {
    std::string text = "lines " + std::to_string(stats.linesRead) + ", error line " + std::to_string(stats.errorLine) +
                       ", error " + (stats.error ? *stats.error : std::string("none")) + "\n";
    for (const ConnectionStatsRow& row : stats.rows)
        text += "[" + row.address + " | " + row.sent + " | " + row.firstAccess + " | " + row.lastDisconnect + " | " +
                row.countAccess + " | " + row.countQuery + "]\n";
    return text;
}

void checkSame(const ConnectionStats& actual, const ConnectionStats& expected, const char* how) {
    const bool same = actual.rows == expected.rows && actual.error == expected.error &&
                      actual.errorLine == expected.errorLine && actual.linesRead == expected.linesRead &&
                      !actual.cancelled;
    if (!same)
        fuzzsupport::broken(how, "got:\n" + describe(actual) + "expected:\n" + describe(expected));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::size_t smallBlock = 1 + data[0] % 64;
    const unsigned parts = 2 + data[0] / 64;
    std::uint32_t seed = data[1];
    const std::string_view log(reinterpret_cast<const char*>(data) + 2, size - 2);
    const ConnectionStats expected = plainreckoning::reckon(log);

    const fuzzsupport::ScratchDirectory scratch;
    const std::string path = scratch.file("connect.log");
    fuzzsupport::writeFile(path, std::string(log));
    ConnectionStatsOptions options;
    options.blockSize = smallBlock;
    options.threads = 1;
    checkSame(readConnectionStats(path, options), expected, "read in small blocks");
    options.threads = parts;
    checkSame(readConnectionStats(path, options), expected, "read in small blocks, in parts");
    options.blockSize = std::size_t{1} << 16; // more than a fuzz input holds: one part
    checkSame(readConnectionStats(path, options), expected, "read in one block");

    ConnectionStatsCounter counter;
    for (std::size_t done = 0; done < log.size();) {
        seed = seed * 1664525 + 1013904223;
        const std::size_t piece = std::min<std::size_t>(1 + (seed >> 8) % 300, log.size() - done);
        counter.feed(log.substr(done, piece));
        done += piece;
    }
    counter.finish();
    checkSame(counter.result(), expected, "fed in random pieces");
    return 0;
}
