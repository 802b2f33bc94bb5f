#include "logs/Decompress.h"

#include "common/Error.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <zlib.h>
#include <zstd.h>

namespace logfiles {

namespace {

struct Signature {
    std::string_view bytes;
    const char* form;
};

// Forms a rotation may be compressed in that the statistics do not read.
constexpr Signature kRefused[] = {
    {"BZh", "bzip2"},
    {"\xFD"
     "7zXZ\x00",
     "xz"},
    {"\x5D\x00\x00", "lzma"},
    {"\x04\x22\x4D\x18", "lz4"},
    {"PK\x03\x04", "zip"},
    {"7z\xBC\xAF\x27\x1C", "7z"},
    {"\x1F\x9D", "compress (.Z)"},
    {"\x89LZO", "lzop"},
};

bool startsWith(std::string_view bytes, std::string_view prefix) {
    return bytes.substr(0, prefix.size()) == prefix;
}

class GzipReader final : public Decompressor {
public:
    GzipReader(int fd, std::string path) : Decompressor(fd, std::move(path)) {
        // 15 + 32: a window of 32 KiB and a gzip (or zlib) header recognised by its bytes.
        if (inflateInit2(&stream_, 15 + 32) != Z_OK)
            fail("zlib cannot start");
    }
    ~GzipReader() override { inflateEnd(&stream_); }

    std::size_t read(char* to, std::size_t size) override {
        stream_.next_out = reinterpret_cast<Bytef*>(to);
        stream_.avail_out = static_cast<uInt>(std::min<std::size_t>(size, 1u << 30));
        while (stream_.avail_out > 0 && !ended_) {
            if (stream_.avail_in == 0 && !refill())
                break;
            const int result = inflate(&stream_, Z_NO_FLUSH);
            if (result == Z_STREAM_END) {
                memberEnded();
            } else if (result != Z_OK && result != Z_BUF_ERROR) {
                fail(stream_.msg != nullptr ? stream_.msg : "the compressed data is damaged");
            }
        }
        return static_cast<std::size_t>(reinterpret_cast<char*>(stream_.next_out) - to);
    }

private:
    bool refill() {
        if (!fill()) {
            if (inMember_)
                fail("the compressed data ends too early");
            ended_ = true;
            return false;
        }
        stream_.next_in = reinterpret_cast<Bytef*>(input_.get());
        stream_.avail_in = static_cast<uInt>(inputSize_);
        inMember_ = true;
        return true;
    }

    // A gzip file may hold several members one after the other (as `cat a.gz b.gz` makes): the next one follows.
    // Anything else after a member (zeros a copy padded it with) ends the data, as gzip itself reads it.
    void memberEnded() {
        inMember_ = false;
        if (stream_.avail_in == 0 && !refillQuietly())
            return;
        if (stream_.avail_in < 2 || stream_.next_in[0] != 0x1F || stream_.next_in[1] != 0x8B) {
            ended_ = true;
            return;
        }
        inflateReset(&stream_);
        inMember_ = true;
    }

    bool refillQuietly() {
        if (!fill()) {
            ended_ = true;
            return false;
        }
        stream_.next_in = reinterpret_cast<Bytef*>(input_.get());
        stream_.avail_in = static_cast<uInt>(inputSize_);
        return true;
    }

    z_stream stream_{};
    bool inMember_ = true;
    bool ended_ = false;
};

class ZstdReader final : public Decompressor {
public:
    ZstdReader(int fd, std::string path) : Decompressor(fd, std::move(path)), context_(ZSTD_createDCtx()) {
        if (context_ == nullptr)
            fail("libzstd cannot start");
    }
    ~ZstdReader() override { ZSTD_freeDCtx(context_); }

    std::size_t read(char* to, std::size_t size) override {
        ZSTD_outBuffer out{to, size, 0};
        while (out.pos < out.size && !ended_) {
            if (in_.pos == in_.size) {
                if (!fill()) {
                    if (frameOpen_)
                        fail("the compressed data ends too early");
                    ended_ = true;
                    break;
                }
                in_ = {input_.get(), inputSize_, 0};
            }
            const std::size_t result = ZSTD_decompressStream(context_, &out, &in_);
            if (ZSTD_isError(result))
                fail(ZSTD_getErrorName(result));
            frameOpen_ = result != 0;
        }
        return out.pos;
    }

private:
    ZSTD_DCtx* context_;
    ZSTD_inBuffer in_{nullptr, 0, 0};
    bool frameOpen_ = false;
    bool ended_ = false;
};

} // namespace

Compression compressionOf(std::string_view firstBytes, const std::string& path) {
    if (startsWith(firstBytes, "\x1F\x8B"))
        return Compression::Gzip;
    if (startsWith(firstBytes, "\x28\xB5\x2F\xFD"))
        return Compression::Zstd;
    for (const Signature& refused : kRefused)
        if (startsWith(firstBytes, refused.bytes))
            throw GlymError("\"" + path + "\" is compressed with " + refused.form +
                            ", which the statistics cannot read. Only logs compressed with gzip (.gz) or zstd (.zst) "
                            "can be read; decompress it first.");
    return Compression::None;
}

std::unique_ptr<Decompressor> Decompressor::open(Compression compression, int fd, std::string path) {
    if (compression == Compression::Gzip)
        return std::make_unique<GzipReader>(fd, std::move(path));
    return std::make_unique<ZstdReader>(fd, std::move(path));
}

bool Decompressor::fill() {
    for (;;) {
        const ssize_t got = ::read(fd_, input_.get(), kInput);
        if (got > 0) {
            inputSize_ = static_cast<std::size_t>(got);
            consumed_ += inputSize_;
            return true;
        }
        if (got == 0)
            return false;
        if (errno != EINTR)
            throw GlymError("Cannot read file \"" + path_ + "\". " + std::strerror(errno));
    }
}

void Decompressor::fail(const std::string& reason) const {
    throw GlymError("Cannot read file \"" + path_ + "\": " + reason + ".");
}

} // namespace logfiles
