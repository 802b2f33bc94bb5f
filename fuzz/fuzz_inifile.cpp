// The INI layer through its interface: one key written into a file of any content. The write is either refused
// with GlymError, leaving the file as it was, or the key reads back and every other line is kept byte for byte
// and in order (a last line without line end may gain one). Where a new key goes is not checked: only that the
// lines written form one run in the file. Writing the same key again changes nothing.

#include "FuzzSupport.h"
#include "common/Error.h"
#include "config/IniFile.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace {

using fuzzsupport::broken;

struct Line {
    std::string text;
    std::string end; // "\r\n", "\r", "\n", or "" for a last line without one
};

std::vector<Line> splitLines(std::string_view bytes) {
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t stop = bytes.find_first_of("\r\n", start);
        if (stop == std::string_view::npos) {
            lines.push_back({std::string(bytes.substr(start)), ""});
            break;
        }
        std::size_t next = stop + 1;
        if (bytes[stop] == '\r' && next < bytes.size() && bytes[next] == '\n')
            ++next;
        lines.push_back({std::string(bytes.substr(start, stop - start)), std::string(bytes.substr(stop, next - stop))});
        start = next;
    }
    return lines;
}

std::string shown(std::string_view bytes) {
    std::string text;
    for (unsigned char c : bytes) {
        if (c >= 32 && c < 127 && c != '\\') {
            text += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            text += escaped;
        }
    }
    return text;
}

// The lines of after are those of before with one run of 1 or 2 lines put in, or one line replaced by one. A UTF-8
// signature at the start is no part of the first line: it is kept in front of whatever comes first.
void checkOtherLinesKept(std::string_view before, std::string_view after) {
    if (before == after)
        return; // the key stood there with this value already
    constexpr std::string_view signature = "\xEF\xBB\xBF";
    if (before.starts_with(signature)) {
        FUZZ_CHECK(after.starts_with(signature), "before: " + shown(before));
        before.remove_prefix(signature.size());
        after.remove_prefix(signature.size());
    }
    const std::vector<Line> old = splitLines(before), now = splitLines(after);
    const std::size_t most = std::min(old.size(), now.size());
    std::size_t prefix = 0;
    while (prefix < most && old[prefix].text == now[prefix].text &&
           (old[prefix].end == now[prefix].end || (old[prefix].end.empty() && prefix + 1 == old.size())))
        ++prefix;
    std::size_t suffix = 0;
    while (prefix + suffix < most && old[old.size() - 1 - suffix].text == now[now.size() - 1 - suffix].text &&
           old[old.size() - 1 - suffix].end == now[now.size() - 1 - suffix].end)
        ++suffix;
    const std::size_t removed = old.size() - prefix - suffix;
    const std::size_t added = now.size() - prefix - suffix;
    const bool oneRun = (removed == 0 && (added == 1 || added == 2)) || (removed == 1 && added == 1);
    if (!oneRun)
        broken("the other lines are kept in order", "removed " + std::to_string(removed) + ", added " +
                                                        std::to_string(added) + "\nbefore: " + shown(before) +
                                                        "\nafter:  " + shown(after));
}

// A value that reads back exactly as written: no blank or control byte at either end, no enclosing quotes, not
// longer than a read returns.
bool readsBackAsWritten(const std::string& value) {
    if (value.empty() || value.size() > IniFile::kMaxValueLength)
        return false;
    auto blank = [](char c) {
        return static_cast<unsigned char>(c) <= 32;
    };
    if (blank(value.front()) || blank(value.back()))
        return false;
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string section = input.ConsumeRandomLengthString(48);
    const std::string key = input.ConsumeRandomLengthString(48);
    const std::string value = input.ConsumeRandomLengthString(2100);
    const bool missingFile = input.ConsumeBool();
    const std::string before = missingFile ? std::string() : input.ConsumeRemainingBytesAsString();

    const fuzzsupport::ScratchDirectory scratch;
    const std::string path = scratch.file("glym30.ini");
    if (!missingFile)
        fuzzsupport::writeFile(path, before);
    const std::string where = "section \"" + shown(section) + "\", key \"" + shown(key) + "\", value \"" +
                              shown(value) + "\"\nfile: " + (missingFile ? "missing" : "\"" + shown(before) + "\"");

    IniFile ini(path);
    try {
        ini.writeString(section, key, value);
    } catch (const GlymError&) {
        FUZZ_CHECK(std::filesystem::exists(path) == !missingFile, where);
        FUZZ_CHECK(missingFile || fuzzsupport::readFile(path) == before, where);
        FUZZ_CHECK(scratch.entryCount() == (missingFile ? 0u : 1u), where); // no temporary file left
        return 0;
    }
    const std::string after = fuzzsupport::readFile(path);
    checkOtherLinesKept(before, after);
    FUZZ_CHECK(scratch.entryCount() == 1, where);

    // Two different defaults give the same text only when the key was found.
    const std::string read = ini.readString(section, key, "\x01one default");
    FUZZ_CHECK(read == ini.readString(section, key, "\x02another default"), where);
    if (readsBackAsWritten(value))
        FUZZ_CHECK(read == value, where + "\nread: \"" + shown(read) + "\"");

    ini.writeString(section, key, value);
    FUZZ_CHECK(fuzzsupport::readFile(path) == after, where);
    return 0;
}
