// The rule-line tokenizers on any line and delimiter set: a line with k delimiters has k+1 fields, each field is
// the text between its delimiters trimmed of bytes 0..32, fields out of range are empty, and normalizing a rule
// line keeps its fields (trimmed), is stable, and joins back from them.

#include "FuzzSupport.h"
#include "rules/Strings.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <string_view>

namespace {

bool isTrimmed(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

void checkTokenizer(std::string_view line, const std::string& delimiters, int probe) {
    TStructString tokenizer(line, delimiters);
    std::size_t expectedCount = 1;
    for (char c : line)
        expectedCount += delimiters.find(c) != std::string::npos ? 1 : 0;
    FUZZ_CHECK(tokenizer.Count() == static_cast<int>(expectedCount));
    FUZZ_CHECK(tokenizer.Parse(line) == tokenizer.Count());

    // Walk the fields as the text between delimiters.
    std::size_t start = 0;
    for (int i = 0; i < tokenizer.Count(); ++i) {
        std::size_t stop = start;
        while (stop < line.size() && delimiters.find(line[stop]) == std::string::npos)
            ++stop;
        const std::string field = tokenizer.Field(i);
        FUZZ_CHECK(field.empty() || (!isTrimmed(field.front()) && !isTrimmed(field.back())));
        FUZZ_CHECK(line.substr(start, stop - start).find(field) != std::string_view::npos);
        FUZZ_CHECK(field == TrimField(line.substr(start, stop - start)));
        start = stop + 1;
    }
    FUZZ_CHECK(tokenizer.Field(-1).empty() && tokenizer.Field(tokenizer.Count()).empty());
    FUZZ_CHECK((probe >= 0 && probe < tokenizer.Count()) || tokenizer.Field(probe).empty());
}

void checkNormalized(std::string_view line) {
    const std::string normalized = NormalizeRuleLine(line);
    FUZZ_CHECK(NormalizeRuleLine(normalized) == normalized);
    const TStructString original(line, ":");
    const TStructString fields(normalized, ":");
    FUZZ_CHECK(fields.Count() == original.Count());
    TUnStructString builder(":");
    for (int i = 0; i < original.Count(); ++i) {
        FUZZ_CHECK(fields.Field(i) == original.Field(i));
        builder.Add(original.Field(i));
    }
    FUZZ_CHECK(builder.Join() == normalized);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string delimiters = input.ConsumeRandomLengthString(4);
    const int probe = input.ConsumeIntegral<int>();
    const std::string line = input.ConsumeRemainingBytesAsString();
    checkTokenizer(line, delimiters, probe);
    checkTokenizer(line, " ", probe);
    checkNormalized(line);
    return 0;
}
