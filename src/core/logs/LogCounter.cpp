#include "logs/LogCounter.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace logstats {

LogCounter::LogCounter(ClientTable table, std::uint64_t linesBefore, const logtime::Period* period)
    : scanner_(linesBefore, period), table_(std::move(table)) {}

std::span<char> LogCounter::prepare(std::size_t size) {
    const std::size_t needed = used_ + size + kReadPadding;
    if (buffer_.size() < needed)
        buffer_.resize(std::max(needed, buffer_.size() + buffer_.size() / 2));
    return {buffer_.data() + used_, size};
}

void LogCounter::commit(std::size_t count) {
    if (table_.stopped() || count == 0)
        return;
    const std::size_t carried = used_;
    used_ += count;
    const std::size_t consumed = scanner_.scan(buffer_.data(), carried, used_, table_);
    if (table_.stopped()) {
        used_ = 0;
        return;
    }
    used_ -= consumed;
    if (consumed != 0 && used_ != 0)
        std::memmove(buffer_.data(), buffer_.data() + consumed, used_);
}

void LogCounter::finish() {
    scanner_.finish(buffer_.data(), used_, table_);
    used_ = 0;
}

ConnectionStats statsOf(const ClientTable& table, std::uint64_t lines) {
    ConnectionStats stats;
    stats.rows = table.rows();
    stats.error = table.error();
    stats.errorLine = table.errorLine();
    stats.linesRead = table.stopped() ? table.errorLine() : lines;
    return stats;
}

} // namespace logstats
