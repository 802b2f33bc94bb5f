// glym_genlog <out> <lines> <clients> [--crlf] [--seed N] [--no-final-eol] [--malformed PER_MILLE]
//             [--noise PER_MILLE] [--bad-numbers PER_MILLION] [--big]
// Writes a deterministic connection log for the statistics benchmark.

#include "LogGenerator.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

int usage() {
    std::fprintf(stderr, "usage: glym_genlog <out> <lines> <clients> [--crlf] [--seed N] [--no-final-eol]\n"
                         "                   [--malformed PER_MILLE] [--noise PER_MILLE]\n"
                         "                   [--bad-numbers PER_MILLION] [--big]\n");
    return 2;
}

template <typename T> bool number(const char* text, T& value) {
    const std::string_view view(text);
    const auto [end, error] = std::from_chars(view.data(), view.data() + view.size(), value);
    return error == std::errc() && end == view.data() + view.size();
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4)
        return usage();
    LogGeneratorOptions options;
    if (!number(argv[2], options.lines) || !number(argv[3], options.clients) || options.clients == 0)
        return usage();
    for (int i = 4; i < argc; ++i) {
        const std::string_view arg(argv[i]);
        const bool hasValue = i + 1 < argc;
        if (arg == "--crlf") {
            options.crlf = true;
        } else if (arg == "--no-final-eol") {
            options.finalLineEnd = false;
        } else if (arg == "--big") {
            options.bigNumbers = true;
        } else if (arg == "--seed" && hasValue && number(argv[i + 1], options.seed)) {
            ++i;
        } else if (arg == "--malformed" && hasValue && number(argv[i + 1], options.malformedPerMille)) {
            ++i;
        } else if (arg == "--noise" && hasValue && number(argv[i + 1], options.noisePerMille)) {
            ++i;
        } else if (arg == "--bad-numbers" && hasValue && number(argv[i + 1], options.badNumberPerMillion)) {
            ++i;
        } else {
            return usage();
        }
    }
    if (!writeLog(argv[1], options)) {
        std::fprintf(stderr, "glym_genlog: cannot write %s: %s\n", argv[1], std::strerror(errno));
        return 1;
    }
    return 0;
}
