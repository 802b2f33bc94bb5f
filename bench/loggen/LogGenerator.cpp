#include "LogGenerator.h"

#include <cstdio>
#include <memory>

namespace {

// Case variants of a name in Windows-1251: Latin letters and the Cyrillic block 0xC0..0xFF.
char upperByte(char c) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 'a' && b <= 'z')
        return static_cast<char>(b - 32);
    if (b >= 0xE0)
        return static_cast<char>(b - 32);
    return c;
}

char lowerByte(char c) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 'A' && b <= 'Z')
        return static_cast<char>(b + 32);
    if (b >= 0xC0 && b <= 0xDF)
        return static_cast<char>(b + 32);
    return c;
}

void appendDigits(std::string& out, std::uint64_t value, int width) {
    char digits[24];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (int i = n; i < width; ++i)
        out += '0';
    while (n > 0)
        out += digits[--n];
}

// "dd.mm.yyyy" and "hh:mm:ss" of a time in seconds since 1970-01-01.
void appendDate(std::string& out, std::int64_t time) {
    std::int64_t z = time / 86400 + 719468; // days since 0000-03-01
    const std::int64_t era = z / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    appendDigits(out, static_cast<std::uint64_t>(day), 2);
    out += '.';
    appendDigits(out, static_cast<std::uint64_t>(month), 2);
    out += '.';
    appendDigits(out, static_cast<std::uint64_t>(year), 4);
}

void appendTime(std::string& out, std::int64_t time) {
    const std::int64_t seconds = time % 86400;
    appendDigits(out, static_cast<std::uint64_t>(seconds / 3600), 2);
    out += ':';
    appendDigits(out, static_cast<std::uint64_t>(seconds / 60 % 60), 2);
    out += ':';
    appendDigits(out, static_cast<std::uint64_t>(seconds % 60), 2);
}

constexpr char kHex[] = "0123456789ABCDEF";

} // namespace

LogGenerator::LogGenerator(const LogGeneratorOptions& options)
    : options_(options), state_(options.seed * 0x9E3779B97F4A7C15 + 0x632BE59BD9B4E019),
      clock_(1705276800) { // 15.01.2024 00:00:00
    if (options_.clients == 0)
        options_.clients = 1;
}

std::uint64_t LogGenerator::next() { // splitmix64
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EB;
    return z ^ (z >> 31);
}

std::string LogGenerator::clientAddress(std::uint32_t client) const {
    std::string out;
    if (client % 8 == 3) {
        out = "\xCF\xCA-\xC1\xF3\xF5-"; // "ПК-Бух-" in Windows-1251
        appendDigits(out, client, 4);
    } else if (client % 4 == 1) {
        out = "PC-Acct-";
        appendDigits(out, client, 4);
        out += ".office.lan";
    } else {
        out = "10.";
        appendDigits(out, client >> 16 & 0xFF, 1);
        out += '.';
        appendDigits(out, client >> 8 & 0xFF, 1);
        out += '.';
        appendDigits(out, client & 0xFF, 1);
    }
    return out;
}

void LogGenerator::appendAddress(std::string& out, std::uint32_t client) {
    const std::string address = clientAddress(client);
    const std::uint64_t variant = below(20);
    if (variant < 14) {
        out += address;
    } else {
        for (char c : address)
            out += variant < 17 ? lowerByte(c) : upperByte(c);
    }
}

void LogGenerator::appendGoodLine(std::string& out) {
    // A few busy clients and a long tail.
    const std::uint32_t busy = options_.clients / 10 + 1;
    const auto client = static_cast<std::uint32_t>(below(2) == 0 ? below(busy) : below(options_.clients));
    const std::int64_t start = clock_;
    clock_ += static_cast<std::int64_t>(below(3));
    const std::int64_t end = start + static_cast<std::int64_t>(below(3600));

    // The entry's own time stamp (with milliseconds) and the proxy thread that wrote it.
    appendDate(out, start);
    out += '/';
    appendTime(out, start);
    out += '.';
    appendDigits(out, below(1000), 3);
    out += " Thr-";
    const std::uint64_t thread = below(0x100000);
    for (int shift = 28; shift >= 0; shift -= 4)
        out += kHex[thread >> shift & 0xF];
    out += ' ';
    appendAddress(out, client);
    out += ' ';
    appendDate(out, start);
    out += ' ';
    appendTime(out, start);
    out += ' ';
    appendDate(out, end);
    out += ' ';
    appendTime(out, end);
    out += ' ';
    appendDigits(out, 1 + below(300), 1);
    out += ' ';
    appendDigits(out, options_.bigNumbers ? 100000000 + below(1900000000) : below(5000), 1);
}

void LogGenerator::appendLine(std::string& out) {
    if (done())
        return;
    ++produced_;
    line_.clear();
    appendGoodLine(line_);

    if (options_.badNumberPerMillion != 0 && below(1000000) < options_.badNumberPerMillion) {
        static constexpr const char* kBad[] = {"abc", "12k", "-", "1.5", "", "4294967296x"};
        const std::size_t lastBlank = line_.rfind(' ');
        if (below(2) == 0) {
            line_.replace(lastBlank + 1, std::string::npos, kBad[below(6)]);
        } else {
            const std::size_t blank = line_.rfind(' ', lastBlank - 1);
            line_.replace(blank + 1, lastBlank - blank - 1, kBad[below(6)]);
        }
    }
    if (options_.noisePerMille != 0 && below(1000) < options_.noisePerMille) {
        // Control bytes next to a blank, or a number spelt another way; the line still counts.
        static constexpr char kControl[] = {'\t', '\0', '\x01', '\x0B', '\x0C', '\x1F'};
        const std::uint64_t kind = below(4);
        if (kind == 3) {
            static constexpr const char* kSpelling[] = {"+7", "$1F", "0x10", "007", "-3"};
            const std::size_t lastBlank = line_.rfind(' ');
            line_.replace(lastBlank + 1, std::string::npos, kSpelling[below(5)]);
        } else {
            std::size_t blanks[8];
            std::size_t n = 0;
            for (std::size_t i = 0; i < line_.size(); ++i)
                if (line_[i] == ' ')
                    blanks[n++] = i;
            const std::size_t at = blanks[below(8)];
            const std::size_t count = 1 + below(2);
            line_.insert(kind == 0 ? at : at + 1, count, kControl[below(6)]);
            if (kind == 2)
                line_.insert(line_.size(), 1, kControl[below(6)]);
        }
    }
    if (options_.malformedPerMille != 0 && below(1000) < options_.malformedPerMille) {
        switch (below(6)) {
        case 0: // empty line
            line_.clear();
            break;
        case 1: // 8 fields
            line_.erase(line_.rfind(' '));
            break;
        case 2: // 10 fields
            line_ += " -";
            break;
        case 3: { // a double blank
            std::size_t at = line_.find(' ');
            for (std::uint64_t skip = below(8); skip > 0; --skip)
                at = line_.find(' ', at + 1);
            line_.insert(at, 1, ' ');
            break;
        }
        case 4:
            line_.insert(0, 1, ' ');
            break;
        default:
            line_ += ' ';
            break;
        }
    }
    out += line_;
    if (!done() || options_.finalLineEnd)
        out += options_.crlf ? "\r\n" : "\n";
}

std::string generateLog(const LogGeneratorOptions& options) {
    LogGenerator generator(options);
    std::string out;
    while (!generator.done())
        generator.appendLine(out);
    return out;
}

bool writeLog(const std::string& path, const LogGeneratorOptions& options) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!file)
        return false;
    LogGenerator generator(options);
    std::string chunk;
    chunk.reserve((1 << 20) + 4096);
    while (!generator.done()) {
        generator.appendLine(chunk);
        if (chunk.size() >= (1 << 20) || generator.done()) {
            if (std::fwrite(chunk.data(), 1, chunk.size(), file.get()) != chunk.size())
                return false;
            chunk.clear();
        }
    }
    return std::fclose(file.release()) == 0;
}
