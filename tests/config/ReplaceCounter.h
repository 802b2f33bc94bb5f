#pragma once

// Counts how often a file is replaced by a rename into its name, as every atomic write ends: a save that writes
// a file once replaces it once.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <sys/inotify.h>
#include <unistd.h>

class ReplaceCounter {
public:
    ReplaceCounter(const QString& directory, QByteArray name) : name_(std::move(name)) {
        fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        // The kernel merges an event into an identical one still queued: the creation of each temporary file
        // between two renames keeps them apart.
        if (fd_ >= 0 && inotify_add_watch(fd_, QFile::encodeName(directory).constData(), IN_MOVED_TO | IN_CREATE) < 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~ReplaceCounter() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    ReplaceCounter(const ReplaceCounter&) = delete;
    ReplaceCounter& operator=(const ReplaceCounter&) = delete;

    bool valid() const { return fd_ >= 0; }

    // The replaces since the counter was made or last asked.
    int take() {
        int count = 0;
        alignas(inotify_event) char buffer[1 << 16];
        for (;;) {
            const ssize_t got = fd_ < 0 ? -1 : ::read(fd_, buffer, sizeof buffer);
            if (got <= 0)
                return count;
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if ((event->mask & IN_MOVED_TO) && event->len > 0 && name_ == event->name)
                    ++count;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    }

private:
    QByteArray name_;
    int fd_ = -1;
};
