#include "common/Findings.h"

#include "common/FileIo.h"

#include <algorithm>
#include <utility>

namespace {

bool isControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

void appendEscaped(std::string& out, char c) {
    static constexpr std::pair<char, char> kNamed[] = {{'\a', 'a'}, {'\b', 'b'}, {'\t', 't'}, {'\n', 'n'},
                                                       {'\v', 'v'}, {'\f', 'f'}, {'\r', 'r'}};
    for (const auto& [character, letter] : kNamed)
        if (c == character) {
            out += '\\';
            out += letter;
            return;
        }
    const auto byte = static_cast<unsigned char>(c);
    out += '\\';
    out += static_cast<char>('0' + (byte >> 6));
    out += static_cast<char>('0' + ((byte >> 3) & 7));
    out += static_cast<char>('0' + (byte & 7));
}

} // namespace

std::string escapedControls(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (isControl(c))
            appendEscaped(out, c);
        else
            out += c;
    }
    return out;
}

std::string printableName(std::string_view name) {
    if (std::none_of(name.begin(), name.end(), [](char c) { return isControl(c) || c == '"'; }))
        return std::string(name);
    std::string out = "\"";
    for (const char c : name) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (isControl(c)) {
            appendEscaped(out, c);
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string formatFinding(const Finding& finding) {
    return printableName(finding.file) + ":" + std::to_string(finding.line) + ": " + escapedControls(finding.message);
}

LoadFindings::ReadingId LoadFindings::startReading(const std::string& name) {
    const std::string identity = fileIdentity(name);
    auto file = std::find_if(files_.begin(), files_.end(), [&](const File& f) { return f.identity == identity; });
    if (file == files_.end())
        file = files_.insert(files_.end(), File{identity, name, {}});
    const ReadingId reading = drops_.size();
    file->readings.push_back(reading);
    fileOfReading_.push_back(static_cast<std::size_t>(file - files_.begin()));
    drops_.emplace_back();
    return reading;
}

void LoadFindings::drop(ReadingId reading, std::size_t line, std::string_view text, std::string message, Kind kind) {
    drops_.at(reading).push_back({line, std::string(text), std::move(message), kind, reading});
}

std::vector<Finding> LoadFindings::findings() const {
    std::vector<Finding> result;
    for (const File& file : files_) {
        std::vector<const Drop*> drops;
        for (const ReadingId reading : file.readings)
            for (const Drop& drop : drops_[reading])
                drops.push_back(&drop);
        std::stable_sort(drops.begin(), drops.end(), [](const Drop* a, const Drop* b) { return a->line < b->line; });
        // Each run of one line: kept by some loader unless every reading of the file left it out.
        for (auto first = drops.begin(); first != drops.end();) {
            const auto last =
                std::find_if(first, drops.end(), [&](const Drop* d) { return d->line != (*first)->line; });
            std::vector<ReadingId> readings;
            const Drop* reason = *first;
            for (auto drop = first; drop != last; ++drop) {
                if (std::find(readings.begin(), readings.end(), (*drop)->reading) == readings.end())
                    readings.push_back((*drop)->reading);
                if (reason->kind == Kind::Other && (*drop)->kind == Kind::Own)
                    reason = *drop;
            }
            if (readings.size() == file.readings.size())
                result.push_back({file.name, reason->line, reason->text, reason->message});
            first = last;
        }
    }
    return result;
}

DropReport::DropReport(LoadFindings* findings, const std::string& name) : findings_(findings) {
    if (findings_)
        reading_ = findings_->startReading(name);
}

void DropReport::drop(std::size_t line, std::string_view text, std::string message, LoadFindings::Kind kind) {
    if (findings_)
        findings_->drop(reading_, line, text, std::move(message), kind);
}
