#include "stats/ConnectionStats.h"

#include "common/Error.h"
#include "common/FileIo.h"
#include "stats/BlockScanner.h"
#include "stats/ClientTable.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t kFeedChunk = std::size_t{1} << 20;

} // namespace

// The bytes come into one buffer: the unfinished line the last block left, then the new data, then padding for
// the scanner's whole-word loads.
struct ConnectionStatsCounter::Impl {
    std::vector<char> buffer;
    std::size_t used = 0; // bytes in buffer: the unfinished line carried over, then new data
    logstats::BlockScanner scanner;
    logstats::ClientTable table;

    std::span<char> prepare(std::size_t size) {
        const std::size_t needed = used + size + logstats::kReadPadding;
        if (buffer.size() < needed)
            buffer.resize(std::max(needed, buffer.size() + buffer.size() / 2));
        return {buffer.data() + used, size};
    }

    void commit(std::size_t count) {
        if (table.stopped() || count == 0)
            return;
        const std::size_t carried = used;
        used += count;
        const std::size_t consumed = scanner.scan(buffer.data(), carried, used, table);
        if (table.stopped()) {
            used = 0;
            return;
        }
        used -= consumed;
        if (consumed != 0 && used != 0)
            std::memmove(buffer.data(), buffer.data() + consumed, used);
    }

    void finish() {
        scanner.finish(buffer.data(), used, table);
        used = 0;
    }

    ConnectionStats result() const {
        ConnectionStats stats;
        stats.rows = table.rows();
        stats.error = table.error();
        stats.errorLine = table.errorLine();
        stats.linesRead = table.stopped() ? table.errorLine() : scanner.lines();
        return stats;
    }
};

ConnectionStatsCounter::ConnectionStatsCounter() : impl_(std::make_unique<Impl>()) {}
ConnectionStatsCounter::~ConnectionStatsCounter() = default;

std::span<char> ConnectionStatsCounter::prepare(std::size_t size) {
    return impl_->prepare(size);
}
void ConnectionStatsCounter::commit(std::size_t count) {
    impl_->commit(count);
}

void ConnectionStatsCounter::feed(std::string_view bytes) {
    while (!bytes.empty() && !stopped()) {
        const std::size_t chunk = std::min(bytes.size(), kFeedChunk);
        std::memcpy(prepare(chunk).data(), bytes.data(), chunk);
        commit(chunk);
        bytes.remove_prefix(chunk);
    }
}

void ConnectionStatsCounter::finish() {
    impl_->finish();
}
bool ConnectionStatsCounter::stopped() const {
    return impl_->table.stopped();
}
ConnectionStats ConnectionStatsCounter::result() const {
    return impl_->result();
}

ConnectionStats readConnectionStats(const std::string& path, const ConnectionStatsOptions& options) {
    // Read-only and without a lock: the proxy keeps appending while we read, and must never wait for us. O_NONBLOCK
    // only keeps a named pipe in the log's place from holding up the open; such a file is then refused.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0)
        throw GlymError("Cannot open file \"" + path + "\". " + std::strerror(errno));
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        throw GlymError("Cannot read file \"" + path + "\". " + std::strerror(errno));
    if (!S_ISREG(info.st_mode))
        throw GlymError("Cannot read file \"" + path + "\". " +
                        (S_ISDIR(info.st_mode) ? std::strerror(EISDIR) : "Not a regular file"));
    const std::uint64_t total = static_cast<std::uint64_t>(std::max<off_t>(info.st_size, 0));
#ifdef POSIX_FADV_SEQUENTIAL
    ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
#endif

    const std::size_t blockSize = std::clamp<std::size_t>(options.blockSize, 1, std::size_t{1} << 30);
    ConnectionStatsCounter counter;
    bool cancelled = false;
    std::uint64_t done = 0;
    for (;;) {
        if (options.cancel != nullptr && options.cancel->load(std::memory_order_relaxed)) {
            cancelled = true;
            break;
        }
        const std::span<char> room = counter.prepare(blockSize);
        const ssize_t got = ::read(fd.get(), room.data(), room.size());
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw GlymError("Cannot read file \"" + path + "\". " + std::strerror(errno));
        }
        if (got == 0)
            break;
        counter.commit(static_cast<std::size_t>(got));
        done += static_cast<std::uint64_t>(got);
        if (options.progress)
            options.progress(done, std::max(total, done));
        if (counter.stopped())
            break;
    }
    if (!cancelled)
        counter.finish();
    ConnectionStats stats = counter.result();
    stats.cancelled = cancelled;
    return stats;
}
