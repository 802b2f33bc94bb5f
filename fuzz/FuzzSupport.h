#pragma once

// What the fuzz targets share: a scratch directory for the files they write (on a RAM disk where there is one, as
// the code under test syncs every file it writes), and a check that stops the run with the input saved.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace fuzzsupport {

// A directory of its own for the files of one input, removed with everything in it when the input is done
// (libFuzzer ends a run without the process's exit handlers, so nothing may be left for them to clean up).
class ScratchDirectory {
public:
    ScratchDirectory() {
        const std::string base =
            ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : std::filesystem::temp_directory_path().string();
        std::string pattern = base + "/glym-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        path_ = pattern;
    }
    ~ScratchDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

    std::size_t entryCount() const {
        const auto entries = std::filesystem::directory_iterator(path_);
        return static_cast<std::size_t>(std::distance(begin(entries), end(entries)));
    }

private:
    std::filesystem::path path_;
};

inline void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), std::streamsize(bytes.size()));
}

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Ends the run as a crash, so that libFuzzer keeps the input that broke the promise.
[[noreturn]] inline void broken(const char* promise, const std::string& detail = {}) {
    std::fprintf(stderr, "\nbroken: %s\n%s\n", promise, detail.c_str());
    std::abort();
}

} // namespace fuzzsupport

#define FUZZ_CHECK(condition, ...)                                                                                     \
    do {                                                                                                               \
        if (!(condition))                                                                                              \
            ::fuzzsupport::broken(#condition __VA_OPT__(, ) __VA_ARGS__);                                              \
    } while (false)
