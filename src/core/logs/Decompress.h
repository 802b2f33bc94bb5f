#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// Compressed logs, read as a stream: what a rotation compressed with gzip (zlib) or zstd (libzstd) holds comes out
// in pieces, never as a whole file in memory or on disk.
namespace logfiles {

enum class Compression { None, Gzip, Zstd };

// The first bytes of a file say how it is compressed. Other compressed forms (bzip2, xz, lzma, lz4, zip, 7z,
// compress) are refused: GlymError "<path> is compressed with <form>, which the statistics cannot read; ...".
Compression compressionOf(std::string_view firstBytes, const std::string& path);

// Bytes read from a descriptor and decompressed.
class Decompressor {
public:
    static std::unique_ptr<Decompressor> open(Compression compression, int fd, std::string path);
    virtual ~Decompressor() = default;

    // Up to size decompressed bytes into to; 0 at the end of the data. GlymError for data that is damaged or cut
    // short, naming the file.
    virtual std::size_t read(char* to, std::size_t size) = 0;
    // Compressed bytes read from the file so far.
    std::uint64_t consumed() const { return consumed_; }

protected:
    Decompressor(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    // Refills the input buffer; false at the end of the file.
    bool fill();
    [[noreturn]] void fail(const std::string& reason) const;

    static constexpr std::size_t kInput = std::size_t{256} << 10;
    int fd_;
    std::string path_;
    std::unique_ptr<char[]> input_ = std::make_unique<char[]>(kInput);
    std::size_t inputSize_ = 0; // bytes in input_, from the start
    std::uint64_t consumed_ = 0;
};

} // namespace logfiles
