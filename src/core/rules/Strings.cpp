#include "rules/Strings.h"

namespace {
bool isTrimmed(char c) {
    return static_cast<unsigned char>(c) <= 32;
}
} // namespace

std::string_view TrimField(std::string_view field) {
    while (!field.empty() && isTrimmed(field.front()))
        field.remove_prefix(1);
    while (!field.empty() && isTrimmed(field.back()))
        field.remove_suffix(1);
    return field;
}

TStructString::TStructString(std::string_view line, std::string delimiters) : delimiters_(std::move(delimiters)) {
    Parse(line);
}

int TStructString::Parse(std::string_view line) {
    fields_.clear();
    std::size_t start = 0;
    // One delimiter, as nearly always: a search for one character instead of a look at every character for each.
    const bool one = delimiters_.size() == 1;
    for (;;) {
        const std::size_t stop = one ? line.find(delimiters_.front(), start) : line.find_first_of(delimiters_, start);
        if (stop == std::string_view::npos) {
            fields_.emplace_back(line.substr(start));
            break;
        }
        fields_.emplace_back(line.substr(start, stop - start));
        start = stop + 1;
    }
    return Count();
}

std::string TStructString::Field(int index) const {
    if (index < 0 || index >= Count())
        return std::string();
    return std::string(TrimField(fields_[static_cast<std::size_t>(index)]));
}

TUnStructString::TUnStructString(std::string separator) : separator_(std::move(separator)) {}

std::string TUnStructString::Join() const {
    std::string line;
    for (std::size_t i = 0; i < parts_.size(); ++i) {
        if (i > 0)
            line += separator_;
        line += parts_[i];
    }
    return line;
}

std::string_view ruleField(std::string_view line, int index) {
    if (index < 0)
        return {};
    for (; index > 0; --index) {
        const std::size_t stop = line.find(':');
        if (stop == std::string_view::npos)
            return {};
        line.remove_prefix(stop + 1);
    }
    return line.substr(0, line.find(':'));
}

std::string NormalizeRuleLine(std::string_view line) {
    std::string normalized;
    normalized.reserve(line.size());
    std::size_t start = 0;
    for (;;) {
        const std::size_t stop = line.find(':', start);
        normalized +=
            TrimField(line.substr(start, stop == std::string_view::npos ? std::string_view::npos : stop - start));
        if (stop == std::string_view::npos)
            break;
        normalized += ':';
        start = stop + 1;
    }
    return normalized;
}

std::string joinRuleLine(std::initializer_list<std::string_view> fields) {
    TUnStructString builder(":");
    for (std::string_view field : fields)
        builder.Add(field);
    return builder.Join();
}
