#include "logs/LogReading.h"

#include "common/Error.h"
#include "common/FileIo.h"
#include "logs/Decompress.h"
#include "logs/LogCounter.h"
#include "logs/LogParts.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <utility>

namespace {

using logstats::ClientTable;
using logstats::LineNotes;
using logstats::LogCounter;

// The rotation number of "<log>.<N>", "<log>.<N>.gz" or "<log>.<N>.zst"; -1 for any other name.
long rotationNumber(std::string_view path) {
    for (const std::string_view extension : {".gz", ".zst"})
        if (path.size() > extension.size() && path.substr(path.size() - extension.size()) == extension)
            path.remove_suffix(extension.size());
    const auto dot = path.find_last_of("./");
    if (dot == std::string_view::npos || path[dot] != '.' || dot + 1 == path.size() || path.size() - dot > 9)
        return -1;
    long number = 0;
    for (const char c : path.substr(dot + 1)) {
        if (c < '0' || c > '9')
            return -1;
        number = number * 10 + (c - '0');
    }
    return number;
}

std::int64_t modificationTime(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0
               ? static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec
               : 0;
}

// Where the last complete line of the first size bytes ends: after its LF, or after a CR that a byte other than
// LF follows. A CR at the very end waits, as its LF may be still to come.
std::uint64_t completeLinesEnd(const logstats::LogFile& log) {
    constexpr std::size_t kChunk = 64 << 10;
    std::vector<char> chunk(kChunk + 1);
    for (std::uint64_t end = log.size; end > 0;) {
        const std::uint64_t begin = end > kChunk ? end - kChunk : 0;
        // One byte more after the chunk, to see what follows a CR at its end.
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(end - begin + 1, log.size - begin));
        const std::size_t got = logstats::readAt(log, chunk.data(), want, begin);
        for (std::size_t i = std::min<std::size_t>(got, static_cast<std::size_t>(end - begin)); i-- > 0;) {
            if (chunk[i] == '\n')
                return begin + i + 1;
            if (chunk[i] == '\r' && i + 1 < got)
                return begin + i + 1;
        }
        end = begin;
    }
    return 0;
}

} // namespace

struct LogReading::Impl {
    std::vector<std::string> files;
    LogReadingOptions options;
    ClientTable table;       // the rows so far, while no file is followed
    std::uint64_t lines = 0; // of the files read to their end
    LineNotes notes;         // of those files
    std::size_t errorFile = 0;
    std::uint64_t errorLinesBefore = 0; // lines of the files before the one with the line that stopped the reading
    bool cancelled = false;

    // The followed file.
    FileDescriptor tailFd{-1};
    dev_t tailDevice = 0;
    ino_t tailInode = 0;
    std::uint64_t tailOffset = 0;
    std::unique_ptr<LogCounter> tail; // holds the rows while it lives

    const logtime::Period* period() const { return options.period ? &*options.period : nullptr; }
    const ClientTable& rows() const { return tail ? tail->table() : table; }

    // Takes in what a file gave; false when the reading ends there.
    bool takeFile(logstats::PartsCount&& count, std::size_t file) {
        table = std::move(count.table);
        notes.append(std::move(count.notes), 0, file);
        if (table.stopped()) {
            errorFile = file;
            errorLinesBefore = lines;
        }
        lines += count.lines;
        cancelled = count.cancelled;
        return !cancelled && !table.stopped();
    }

    logstats::PartsCount readCompressed(logfiles::Compression compression, int fd, const std::string& path,
                                        const ConnectionStatsOptions& reading) {
        auto source = logfiles::Decompressor::open(compression, fd, path);
        LogCounter counter(std::move(table), 0, period());
        const std::size_t block = std::clamp<std::size_t>(reading.blockSize, 1, std::size_t{1} << 30);
        logstats::PartsCount count;
        for (;;) {
            if (reading.cancel != nullptr && reading.cancel->load(std::memory_order_relaxed)) {
                count.cancelled = true;
                break;
            }
            const std::span<char> room = counter.prepare(block);
            const std::size_t got = source->read(room.data(), room.size());
            if (got == 0)
                break;
            counter.commit(got);
            if (reading.progress)
                reading.progress(source->consumed(), 0);
            if (counter.stopped())
                break;
        }
        if (!count.cancelled)
            counter.finish();
        count.table = std::move(counter.table());
        count.lines = counter.lines();
        count.notes = std::move(counter.notes());
        return count;
    }

    // Reads file `index`; with `followIt`, a plain file is read up to its last complete line and then followed.
    bool readFile(std::size_t index, bool followIt, std::uint64_t before, std::uint64_t total) {
        const std::string& path = files[index];
        logstats::OpenLog log = logstats::openLog(path);
        char first[8] = {};
        const std::size_t got = logstats::readAt({log.fd.get(), path, log.size}, first, sizeof first, 0);
        const auto compression = logfiles::compressionOf({first, got}, path);

        ConnectionStatsOptions reading = options.reading;
        if (options.reading.progress)
            reading.progress = [&](std::uint64_t done, std::uint64_t) {
                options.reading.progress(before + done, std::max(total, before + done));
            };
        if (compression != logfiles::Compression::None)
            return takeFile(readCompressed(compression, log.fd.get(), path, reading), index);

        logstats::LogFile file{log.fd.get(), path, log.size};
        if (followIt) {
            file.size = completeLinesEnd(file);
            file.toEnd = false;
        }
        logstats::PartsCount count =
            logstats::countInParts(file, reading, logstats::partsFor(reading), std::move(table), period());
        if (!followIt || count.cancelled || count.table.stopped())
            return takeFile(std::move(count), index);
        startTail(std::move(log.fd), file.size, std::move(count));
        return true;
    }

    // Follows the file from offset on, counting on from what its lines before gave.
    void startTail(FileDescriptor fd, std::uint64_t offset, logstats::PartsCount&& before) {
        struct stat info {};
        ::fstat(fd.get(), &info);
        tailDevice = info.st_dev;
        tailInode = info.st_ino;
        tailFd = std::move(fd);
        tailOffset = offset;
        tail = std::make_unique<LogCounter>(std::move(before.table), before.lines, period());
        tail->notes() = std::move(before.notes);
    }

    // Ends the followed file: its lines join those read to their end.
    void endTail() {
        notes.append(std::move(tail->notes()), 0, files.size() - 1);
        lines += tail->lines();
        table = std::move(tail->table());
        tail.reset();
        tailFd = FileDescriptor(-1);
    }

    // Reads the followed file from tailOffset to its end; returns the bytes read.
    std::uint64_t readTail() {
        const logstats::LogFile file{tailFd.get(), files.back(), 0};
        const std::size_t block = std::clamp<std::size_t>(options.reading.blockSize, 1, std::size_t{1} << 30);
        std::uint64_t read = 0;
        while (!tail->stopped()) {
            const std::span<char> room = tail->prepare(block);
            const std::size_t got = logstats::readAt(file, room.data(), room.size(), tailOffset);
            if (got == 0)
                break;
            tail->commit(got);
            tailOffset += got;
            read += got;
        }
        return read;
    }

    // The followed name leads to another file now, or its file is shorter than what was read of it: the lines
    // counted stay, and the file is read from its start.
    void restartTail(bool finishOld) {
        if (finishOld) {
            readTail();
            tail->finish(); // the old file's last line ends with the file
        }
        endTail();
        const std::string path = files.back();
        files.push_back(path);
        logstats::OpenLog log = logstats::openLog(path);
        startTail(std::move(log.fd), 0, {std::move(table), 0, {}, false});
        readTail();
    }
};

LogReading::LogReading(std::vector<std::string> paths, LogReadingOptions options) : impl_(std::make_unique<Impl>()) {
    impl_->files = std::move(paths);
    impl_->options = std::move(options);
}

LogReading::~LogReading() = default;

void LogReading::read() {
    Impl& d = *impl_;
    std::vector<std::uint64_t> sizes;
    std::uint64_t total = 0;
    for (const std::string& path : d.files) {
        struct stat info {};
        sizes.push_back(::stat(path.c_str(), &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0);
        total += sizes.back();
    }
    std::uint64_t before = 0;
    for (std::size_t i = 0; i < d.files.size(); ++i) {
        if (!d.readFile(i, d.options.follow && i + 1 == d.files.size(), before, total))
            break;
        before += sizes[i];
    }
}

LogReading::FollowStep LogReading::follow() {
    Impl& d = *impl_;
    if (!followable())
        return FollowStep::Unchanged;
    struct stat named {};
    if (::stat(d.files.back().c_str(), &named) != 0)
        return FollowStep::Unchanged; // between the rename of a rotation and the new file
    if (named.st_dev != d.tailDevice || named.st_ino != d.tailInode) {
        d.restartTail(true);
        return FollowStep::Replaced;
    }
    struct stat info {};
    if (::fstat(d.tailFd.get(), &info) == 0 && static_cast<std::uint64_t>(info.st_size) < d.tailOffset) {
        d.restartTail(false); // the unfinished line read before is gone with the bytes cut off
        return FollowStep::Truncated;
    }
    return d.readTail() != 0 ? FollowStep::Appended : FollowStep::Unchanged;
}

bool LogReading::followable() const {
    return impl_->tail != nullptr && !impl_->tail->stopped();
}

ConnectionStats LogReading::stats() const {
    const Impl& d = *impl_;
    const ClientTable& table = d.rows();
    ConnectionStats stats = logstats::statsOf(table, d.lines + (d.tail ? d.tail->lines() : 0));
    stats.notes = d.notes;
    if (d.tail) {
        LineNotes tailNotes = d.tail->notes();
        stats.notes.append(std::move(tailNotes), 0, d.files.size() - 1);
    }
    if (table.stopped()) {
        stats.errorFile = d.tail ? d.files.size() - 1 : d.errorFile;
        stats.linesRead = (d.tail ? d.lines : d.errorLinesBefore) + table.errorLine();
    }
    stats.cancelled = d.cancelled;
    return stats;
}

const std::vector<std::string>& LogReading::files() const {
    return impl_->files;
}

std::vector<std::string> inTimeOrder(std::vector<std::string> paths) {
    struct Keyed {
        long rotation;
        std::int64_t modified;
        std::string path;
    };
    std::vector<Keyed> keyed;
    for (std::string& path : paths)
        keyed.push_back({rotationNumber(path), modificationTime(path), std::move(path)});
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        if (a.rotation != b.rotation)
            return a.rotation > b.rotation; // -1, no rotation, last
        if (a.modified != b.modified)
            return a.modified < b.modified;
        return a.path < b.path;
    });
    std::vector<std::string> ordered;
    for (Keyed& file : keyed)
        ordered.push_back(std::move(file.path));
    return ordered;
}

ConnectionStats readLogs(const std::vector<std::string>& paths, const LogReadingOptions& options) {
    LogReading reading(paths, options);
    reading.read();
    return reading.stats();
}
