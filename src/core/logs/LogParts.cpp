#include "logs/LogParts.h"

#include "common/Error.h"
#include "logs/LogCounter.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <limits>
#include <mutex>
#include <sys/stat.h>
#include <system_error>
#include <thread>
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
    ranges.push_back({begin, log.toEnd ? kToEnd : log.size});
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
std::future<PartCount> startPart(Reading& reading, Range range, const logtime::Period* period) {
    auto task = [&reading, range, period] {
        PartCount part{LogCounter(ClientTable(), 0, period)};
        part.complete = reading.count(range, part.counter, true);
        return part;
    };
    try {
        return std::async(std::launch::async, task);
    } catch (const std::system_error&) {
        return std::async(std::launch::deferred, task);
    }
}

// One part per core, up to a point: every part's table holds most of the clients, and a few cores already read
// as fast as memory delivers.
constexpr unsigned kMaxAutomaticParts = 8;

} // namespace

std::size_t readAt(const LogFile& log, char* to, std::size_t size, std::uint64_t offset) {
    for (;;) {
        const ssize_t got = ::pread(log.fd, to, size, static_cast<off_t>(offset));
        if (got >= 0)
            return static_cast<std::size_t>(got);
        if (errno != EINTR)
            throw GlymError("Cannot read file \"" + log.path + "\". " + std::strerror(errno));
    }
}

OpenLog openLog(const std::string& path) {
    // O_NONBLOCK only keeps a named pipe in the log's place from holding up the open; such a file is then refused.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0)
        throw GlymError("Cannot open file \"" + path + "\". " + std::strerror(errno));
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        throw GlymError("Cannot read file \"" + path + "\". " + std::strerror(errno));
    if (!S_ISREG(info.st_mode))
        throw GlymError("Cannot read file \"" + path + "\". " +
                        (S_ISDIR(info.st_mode) ? std::strerror(EISDIR) : "Not a regular file"));
#ifdef POSIX_FADV_SEQUENTIAL
    ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
    return {std::move(fd), static_cast<std::uint64_t>(std::max<off_t>(info.st_size, 0))};
}

std::size_t partsFor(const ConnectionStatsOptions& options) {
    if (options.threads != 0)
        return options.threads;
    return std::clamp(std::thread::hardware_concurrency(), 1u, kMaxAutomaticParts);
}

PartsCount countInParts(const LogFile& log, const ConnectionStatsOptions& options, std::size_t parts, ClientTable start,
                        const logtime::Period* period) {
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
        later.push_back(startPart(reading, ranges[k], period));

    LogCounter first(std::move(start), 0, period);
    PartsCount count;
    count.cancelled = !reading.count(ranges[0], first, true);
    count.table = std::move(first.table());
    count.lines = first.lines();
    count.notes = std::move(first.notes());
    for (std::size_t k = 1; k < ranges.size() && !count.cancelled && !count.table.stopped(); ++k) {
        PartCount part = later[k - 1].get();
        if (count.table.absorb(part.counter.table())) {
            count.notes.append(std::move(part.counter.notes()), count.lines, 0);
            count.lines += part.counter.lines();
            count.cancelled = !part.complete;
            continue;
        }
        if (reading.cancelled()) {
            count.cancelled = true;
            break;
        }
        // The part holds a line that stops the counting, or may: its lines counted here tell which, and leave
        // the rows as they stand at that line.
        LogCounter again(std::move(count.table), count.lines, period);
        count.cancelled = !reading.count(ranges[k], again, false);
        count.table = std::move(again.table());
        count.lines = again.lines();
        count.notes.append(std::move(again.notes()), 0, 0);
    }
    reading.abandon();
    return count;
}

ConnectionStats readInParts(const LogFile& log, const ConnectionStatsOptions& options, std::size_t parts) {
    PartsCount count = countInParts(log, options, parts);
    ConnectionStats stats = statsOf(count.table, count.lines);
    stats.notes = std::move(count.notes);
    stats.cancelled = count.cancelled;
    return stats;
}

} // namespace logstats
