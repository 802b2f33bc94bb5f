#include "logs/LogParts.h"

#include "common/Error.h"
#include "logs/LogCounter.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <future>
#include <limits>
#include <mutex>
#include <system_error>
#include <unistd.h>
#include <utility>
#include <vector>

// How the parts add up to one pass. Each part's table is counted on its own, as if the part were a log; then,
// in file order, the tables are taken into the first one (ClientTable::absorb), which is exact as long as no line
// of the part would stop the counting. Where one might (a conversion that fails, a sum out of range: rare in a
// real log), the part's own table cannot say at which line, nor what the rows were there, so its lines are
// counted once more on top of the merged table, exactly as one pass counts them. Nothing after a stopping line is
// taken in, and the parts still being read are told to end.

namespace logstats {

namespace {

constexpr std::uint64_t kToEnd = std::numeric_limits<std::uint64_t>::max();
constexpr std::size_t kMaxBlock = std::size_t{1} << 30;
constexpr std::size_t kLineEndSearch = std::size_t{64} << 10; // bytes read at a time looking for a part's start

struct Range {
    std::uint64_t begin;
    std::uint64_t end; // kToEnd: up to the end of the file, wherever it is by then
};

std::size_t readAt(const LogFile& log, char* to, std::size_t size, std::uint64_t offset) {
    for (;;) {
        const ssize_t got = ::pread(log.fd, to, size, static_cast<off_t>(offset));
        if (got >= 0)
            return static_cast<std::size_t>(got);
        if (errno != EINTR)
            throw GlymError("Cannot read file \"" + log.path + "\". " + std::strerror(errno));
    }
}

// The first line start at `from` or after it, or the log's size when no line starts there. A line starts after
// LF, after CR LF, and after a CR that no LF follows; so the search begins with the byte before `from`.
std::uint64_t lineStartFrom(const LogFile& log, std::uint64_t from) {
    std::vector<char> chunk(kLineEndSearch + 1); // one byte more: what follows a CR at the chunk's end
    for (std::uint64_t at = from - 1; at < log.size;) {
        const std::size_t got = readAt(
            log, chunk.data(), static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), log.size - at)), at);
        if (got == 0)
            break;
        const std::size_t searched = std::min(got, kLineEndSearch);
        for (std::size_t i = 0; i < searched; ++i) {
            if (chunk[i] == '\n')
                return at + i + 1;
            if (chunk[i] == '\r')
                return at + i + 1 + (i + 1 < got && chunk[i + 1] == '\n' ? 1 : 0);
        }
        at += searched;
    }
    return log.size;
}

// The log cut into up to `parts` ranges of about equal size, each starting at a line start.
std::vector<Range> splitAtLines(const LogFile& log, std::size_t parts) {
    std::vector<Range> ranges;
    std::uint64_t begin = 0;
    for (std::size_t k = 1; k < parts; ++k) {
        const std::uint64_t next = lineStartFrom(log, std::max(begin + 1, log.size / parts * k));
        if (next >= log.size)
            break; // the rest is one line
        ranges.push_back({begin, next});
        begin = next;
    }
    ranges.push_back({begin, kToEnd});
    return ranges;
}

// What the threads of one reading share: the file, the cancel flag, the progress and the order to end.
class Reading {
public:
    Reading(const LogFile& log, const ConnectionStatsOptions& options)
        : log_(log), options_(options), blockSize_(std::clamp<std::size_t>(options.blockSize, 1, kMaxBlock)) {}

    std::size_t blockSize() const { return blockSize_; }
    bool cancelled() const { return options_.cancel != nullptr && options_.cancel->load(std::memory_order_relaxed); }
    // The parts still being read end at their next block: their lines are not needed.
    void abandon() { abandoned_.store(true, std::memory_order_relaxed); }

    // Counts the range block by block; false when the cancel flag, or abandon(), cut it short.
    bool count(Range range, LogCounter& counter, bool reportProgress) {
        for (std::uint64_t at = range.begin;;) {
            if (cancelled() || abandoned_.load(std::memory_order_relaxed))
                return false;
            const std::size_t want =
                range.end == kToEnd ? blockSize_
                                    : static_cast<std::size_t>(std::min<std::uint64_t>(blockSize_, range.end - at));
            if (want == 0)
                break;
            const std::span<char> room = counter.prepare(want);
            const std::size_t got = readAt(log_, room.data(), room.size(), at);
            if (got == 0)
                break;
            counter.commit(got);
            at += got;
            if (reportProgress)
                progress(got);
            if (counter.stopped())
                break;
        }
        counter.finish();
        return true;
    }

private:
    // The bytes read by all parts together, one call at a time.
    void progress(std::size_t bytes) {
        if (!options_.progress)
            return;
        const std::lock_guard lock(progressMutex_);
        done_ += bytes;
        options_.progress(done_, std::max(log_.size, done_));
    }

    const LogFile& log_;
    const ConnectionStatsOptions& options_;
    const std::size_t blockSize_;
    std::atomic<bool> abandoned_{false};
    std::mutex progressMutex_;
    std::uint64_t done_ = 0;
};

struct PartCount {
    LogCounter counter;
    bool complete = false; // read to its end, or to the line that stopped it
};

// Counts a part in a thread of its own, or, when no thread can be had, when its result is asked for.
std::future<PartCount> startPart(Reading& reading, Range range) {
    auto task = [&reading, range] {
        PartCount part;
        part.complete = reading.count(range, part.counter, true);
        return part;
    };
    try {
        return std::async(std::launch::async, task);
    } catch (const std::system_error&) {
        return std::async(std::launch::deferred, task);
    }
}

} // namespace

ConnectionStats readInParts(const LogFile& log, const ConnectionStatsOptions& options, std::size_t parts) {
    Reading reading(log, options);
    // A part is worth a thread only when it is at least a block.
    parts = static_cast<std::size_t>(std::clamp<std::uint64_t>(log.size / reading.blockSize(), 1, parts));
    const std::vector<Range> ranges = splitAtLines(log, parts);

    std::vector<std::future<PartCount>> later;
    struct AbandonOnExit { // however this ends, the parts still running stop before their futures are waited for
        Reading& reading;
        ~AbandonOnExit() { reading.abandon(); }
    } const abandonOnExit{reading};
    for (std::size_t k = 1; k < ranges.size(); ++k)
        later.push_back(startPart(reading, ranges[k]));

    LogCounter first;
    bool cancelled = !reading.count(ranges[0], first, true);
    ClientTable table = std::move(first.table());
    std::uint64_t lines = first.lines();
    for (std::size_t k = 1; k < ranges.size() && !cancelled && !table.stopped(); ++k) {
        PartCount part = later[k - 1].get();
        if (table.absorb(part.counter.table())) {
            lines += part.counter.lines();
            cancelled = !part.complete;
            continue;
        }
        if (reading.cancelled()) {
            cancelled = true;
            break;
        }
        // The part holds a line that stops the counting, or may: its lines counted here tell which, and leave
        // the rows as they stand at that line.
        LogCounter again(std::move(table), lines);
        cancelled = !reading.count(ranges[k], again, false);
        table = std::move(again.table());
        lines = again.lines();
    }
    reading.abandon();

    ConnectionStats stats = statsOf(table, lines);
    stats.cancelled = cancelled;
    return stats;
}

} // namespace logstats
