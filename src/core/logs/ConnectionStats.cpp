#include "logs/ConnectionStats.h"

#include "common/Error.h"
#include "common/FileIo.h"
#include "logs/LogCounter.h"
#include "logs/LogParts.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>

namespace {

constexpr std::size_t kFeedChunk = std::size_t{1} << 20;

// One part per core, up to a point: every part's table holds most of the clients, and a few cores already read
// as fast as memory delivers.
constexpr unsigned kMaxAutomaticParts = 8;

std::size_t partsFor(const ConnectionStatsOptions& options) {
    if (options.threads != 0)
        return options.threads;
    return std::clamp(std::thread::hardware_concurrency(), 1u, kMaxAutomaticParts);
}

} // namespace

struct ConnectionStatsCounter::Impl {
    logstats::LogCounter counter;
};

ConnectionStatsCounter::ConnectionStatsCounter() : impl_(std::make_unique<Impl>()) {}
ConnectionStatsCounter::~ConnectionStatsCounter() = default;

std::span<char> ConnectionStatsCounter::prepare(std::size_t size) {
    return impl_->counter.prepare(size);
}
void ConnectionStatsCounter::commit(std::size_t count) {
    impl_->counter.commit(count);
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
    impl_->counter.finish();
}
bool ConnectionStatsCounter::stopped() const {
    return impl_->counter.stopped();
}
ConnectionStats ConnectionStatsCounter::result() const {
    return logstats::statsOf(impl_->counter.table(), impl_->counter.lines());
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
    const std::uint64_t size = static_cast<std::uint64_t>(std::max<off_t>(info.st_size, 0));
#ifdef POSIX_FADV_SEQUENTIAL
    ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
    return logstats::readInParts({fd.get(), path, size}, options, partsFor(options));
}
