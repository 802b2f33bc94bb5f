#include "logs/ConnectionStats.h"

#include "logs/LogCounter.h"
#include "logs/LogParts.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kFeedChunk = std::size_t{1} << 20;

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
    ConnectionStats stats = logstats::statsOf(impl_->counter.table(), impl_->counter.lines());
    stats.notes = impl_->counter.notes();
    return stats;
}

ConnectionStats readConnectionStats(const std::string& path, const ConnectionStatsOptions& options) {
    const logstats::OpenLog log = logstats::openLog(path);
    return logstats::readInParts({log.fd.get(), path, log.size}, options, logstats::partsFor(options));
}
