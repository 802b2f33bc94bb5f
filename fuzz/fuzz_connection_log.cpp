// The connection-log reader on a log of any content: read from the file in blocks of a few bytes, in one pass and
// in 2 to 5 parts side by side, and in one block, fed to the stream counter in pieces of random sizes, compressed
// with gzip and with zstd, cut into two files at a line start, and with a period, it gives what a plain reckoning
// of the whole log gives, the lines it leaves out included.

#include "FuzzSupport.h"
#include "common/Error.h"
#include "logs/ConnectionStats.h"
#include "logs/Decompress.h"
#include "logs/LogReading.h"
#include "stats/PlainReckoning.h"

#include <zlib.h>
#include <zstd.h>

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

bool sameNotes(const logstats::LineNotes& a, const logstats::LineNotes& b, bool placesToo) {
    if (a.malformed != b.malformed || a.noTime != b.noTime || a.outside != b.outside ||
        a.listed.size() != b.listed.size())
        return false;
    for (std::size_t i = 0; i < a.listed.size() && placesToo; ++i)
        if (a.listed[i].line != b.listed[i].line || a.listed[i].fault != b.listed[i].fault ||
            a.listed[i].text != b.listed[i].text)
            return false;
    return true;
}

// placesToo: the lines are numbered as in the one log (false for a log cut into files, numbered file by file).
void checkSame(const ConnectionStats& actual, const ConnectionStats& expected, const char* how, bool placesToo = true) {
    const bool same = actual.rows == expected.rows && actual.error == expected.error &&
                      (actual.errorLine == expected.errorLine || !placesToo) &&
                      actual.linesRead == expected.linesRead && !actual.cancelled &&
                      sameNotes(actual.notes, expected.notes, placesToo);
    if (!same)
        fuzzsupport::broken(how, "got:\n" + describe(actual) + "expected:\n" + describe(expected));
}

std::string gzipped(std::string_view bytes) {
    z_stream stream{};
    deflateInit2(&stream, 1, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, static_cast<uLong>(bytes.size())) + 32, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

std::string zstdCompressed(std::string_view bytes) {
    std::string out(ZSTD_compressBound(bytes.size()), '\0');
    out.resize(ZSTD_compress(out.data(), out.size(), bytes.data(), bytes.size(), 1));
    return out;
}

// The start of the first line after the middle of the log, or nothing when no line ends after it.
std::size_t lineStartAfterMiddle(std::string_view log) {
    for (std::size_t i = log.size() / 2; i < log.size(); ++i) {
        if (log[i] == '\n')
            return i + 1;
        if (log[i] == '\r')
            return i + 1 < log.size() && log[i + 1] == '\n' ? i + 2 : i + 1;
    }
    return log.size();
}

// Whether a log file of these bytes is read as plain text: one starting as a compressed file does is taken for one.
bool readAsPlain(std::string_view bytes) {
    try {
        return logfiles::compressionOf(bytes.substr(0, 8), "log") == logfiles::Compression::None;
    } catch (const GlymError&) {
        return false;
    }
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

    LogReadingOptions reading;
    reading.reading.blockSize = smallBlock;
    const std::string gz = scratch.file("connect.log.1.gz");
    fuzzsupport::writeFile(gz, gzipped(log));
    checkSame(readLogs({gz}, reading), expected, "gzip");
    const std::string zst = scratch.file("connect.log.2.zst");
    fuzzsupport::writeFile(zst, zstdCompressed(log));
    checkSame(readLogs({zst}, reading), expected, "zstd");

    // Two files: a CR at the end of the first would take an LF starting the second for its own.
    const std::size_t cut = lineStartAfterMiddle(log);
    if (cut > 0 && log[cut - 1] != '\r' && readAsPlain(log.substr(cut))) {
        fuzzsupport::writeFile(gz, gzipped(log.substr(0, cut)));
        fuzzsupport::writeFile(path, std::string(log.substr(cut)));
        reading.reading.threads = parts;
        checkSame(readLogs({gz, path}, reading), expected, "two files", false);
    }

    // A period of a few days around 15.01.2024, from the input's first byte.
    const logtime::Period period{logtime::civilSeconds(2024, 1, 14 + data[0] % 3),
                                 logtime::civilSeconds(2024, 1, 15, data[1] % 24, 59, 59)};
    reading.period = period;
    reading.reading.threads = parts;
    checkSame(readLogs({zst}, reading), plainreckoning::reckon(log, &period), "zstd, with a period");
    if (readAsPlain(log)) {
        fuzzsupport::writeFile(path, std::string(log));
        checkSame(readLogs({path}, reading), plainreckoning::reckon(log, &period), "with a period");
    }
    return 0;
}
