#include "config/IniDocument.h"

#include "common/Cp1251.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::string_view kUtf8Signature = "\xEF\xBB\xBF";

// Blanks as the profile functions see them in a file: white space and the old end-of-file mark Ctrl+Z.
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == '\n' || c == 0x1A;
}

bool endsWithLineEnd(std::string_view text) {
    return !text.empty() && (text.back() == '\n' || text.back() == '\r');
}

// Position of the next byte c at or after from, or the size of the text.
std::size_t next(std::string_view text, char c, std::size_t from) {
    const void* found = from < text.size() ? std::memchr(text.data() + from, c, text.size() - from) : nullptr;
    return found ? static_cast<std::size_t>(static_cast<const char*>(found) - text.data()) : text.size();
}

} // namespace

// Names are short, but a hand-edited file may hold a name of any length: the hash looks at the length and at most
// 32 bytes from each end, so that hashing stays cheap; equal hashes are settled by the full comparison.
std::size_t IniDocument::FoldedHash::operator()(std::string_view name) const {
    std::size_t hash = 14695981039346656037ull ^ name.size();
    auto mix = [&hash](std::string_view part) {
        for (const char c : part)
            hash = (hash ^ cp1251::foldCase(static_cast<unsigned char>(c))) * 1099511628211ull;
    };
    constexpr std::size_t kEnd = 32;
    if (name.size() <= 2 * kEnd) {
        mix(name);
    } else {
        mix(name.substr(0, kEnd));
        mix(name.substr(name.size() - kEnd));
    }
    return hash;
}

bool IniDocument::FoldedEqual::operator()(std::string_view a, std::string_view b) const {
    return cp1251::equalsIgnoreCase(a, b);
}

std::string_view IniDocument::trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

IniDocument::IniDocument(std::string content) : content_(std::move(content)) {
    parse();
}

void IniDocument::parse() {
    const std::string_view content = content_;
    std::size_t cr = next(content, '\r', 0);
    std::size_t lf = next(content, '\n', 0);
    for (std::size_t start = 0; start < content.size();) {
        if (cr < start)
            cr = next(content, '\r', start);
        if (lf < start)
            lf = next(content, '\n', start);
        const std::size_t stop = std::min(cr, lf);
        std::size_t end = stop;
        if (end < content.size() && content[end] == '\r')
            ++end;
        if (end < content.size() && content[end] == '\n')
            ++end;
        lines_.push_back(classify(start, stop, end));
        start = end;
    }

    // The sections and their keys, once every line has its place.
    Section* current = nullptr; // the section the lines belong to, when it is the first of its name
    for (Line& line : lines_) {
        const std::size_t index = static_cast<std::size_t>(&line - lines_.data());
        if (line.kind == Kind::Section) {
            current = nullptr;
            if (sectionIndex_.try_emplace(line.name, sections_.size()).second) {
                sections_.push_back(Section{line.name, index, index, {}, {}});
                current = &sections_.back();
            }
        } else if (line.kind == Kind::Key && current) {
            current->keys.try_emplace(line.name, &line);
            current->anchor = index;
        }
    }
}

IniDocument::Line IniDocument::classify(std::size_t begin, std::size_t contentEnd, std::size_t end) const {
    Line line{Kind::Blank, begin, end, {}, std::nullopt, false};
    std::string_view text = std::string_view(content_).substr(begin, contentEnd - begin);
    if (begin == 0 && text.starts_with(kUtf8Signature))
        text.remove_prefix(kUtf8Signature.size());
    text = trimBlanks(text);
    if (text.empty())
        return line;
    if (text.front() == ';') {
        line.kind = Kind::Comment;
    } else if (text.front() == '[') {
        line.kind = Kind::Section;
        line.name = trimBlanks(text.substr(1, text.find(']', 1) - 1));
    } else {
        line.kind = Kind::Key;
        const auto equals = text.find('=');
        line.name = trimBlanks(text.substr(0, equals));
        if (equals != std::string_view::npos)
            line.value = trimBlanks(text.substr(equals + 1));
    }
    return line;
}

const IniDocument::Section* IniDocument::findSection(std::string_view name) const {
    const auto found = sectionIndex_.find(name);
    return found == sectionIndex_.end() ? nullptr : &sections_[found->second];
}

std::optional<std::string_view> IniDocument::value(std::string_view section, std::string_view key) const {
    if (const Section* found = findSection(section))
        if (const auto line = found->keys.find(key); line != found->keys.end())
            return line->second->value;
    return std::nullopt;
}

std::optional<std::size_t> IniDocument::lineNumber(std::string_view section, std::string_view key) const {
    const Section* found = findSection(section);
    if (!found)
        return std::nullopt;
    const auto line = found->keys.find(key);
    if (line == found->keys.end())
        return std::nullopt;
    // Keys added by writes are not lines of the file.
    const Line* first = lines_.data();
    if (line->second < first || line->second >= first + lines_.size())
        return std::nullopt;
    return static_cast<std::size_t>(line->second - first) + 1;
}

std::string_view IniDocument::keep(std::string_view text) {
    return texts_.emplace_back(text);
}

void IniDocument::set(std::string_view section, std::string_view key, std::string_view value) {
    auto position = sectionIndex_.find(section);
    if (position == sectionIndex_.end()) {
        const std::string_view name = keep(section);
        position = sectionIndex_.emplace(name, sections_.size()).first;
        sections_.push_back(Section{name, std::nullopt, 0, {}, {}});
    }
    Section& target = sections_[position->second];
    if (const auto found = target.keys.find(key); found != target.keys.end()) {
        Line& line = *found->second;
        line.value = keep(value);
        line.rewritten = true;
        return;
    }
    Line& line = addedLines_.emplace_back(Line{Kind::Key, 0, 0, keep(key), keep(value), true});
    target.keys.emplace(line.name, &line);
    target.added.push_back(&line);
}

void IniDocument::appendKey(std::string& out, const Line& line) {
    out.append(line.name).append("=").append(*line.value).append("\r\n");
}

std::string IniDocument::bytes() const {
    std::size_t addedBytes = 0;
    for (const std::string& text : texts_)
        addedBytes += text.size() + 4;
    std::string out;
    out.reserve(content_.size() + addedBytes + 4 * addedLines_.size());

    // The sections of the file that gain keys, by the line the keys follow.
    std::vector<const Section*> growing;
    for (const Section& section : sections_)
        if (section.header && !section.added.empty())
            growing.push_back(&section);
    std::sort(growing.begin(), growing.end(), [](const Section* a, const Section* b) { return a->anchor < b->anchor; });

    auto addKeys = [&out](const Section& section) {
        for (const Line* key : section.added)
            appendKey(out, *key);
    };
    auto grower = growing.begin();
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Line& line = lines_[i];
        if (line.rewritten)
            appendKey(out, line);
        else
            out.append(content_, line.begin, line.end - line.begin);
        if (grower != growing.end() && (*grower)->anchor == i) {
            if (!endsWithLineEnd(out))
                out.append("\r\n"); // the last line of the file had no line end
            addKeys(**grower++);
        }
    }

    for (const Section& section : sections_) {
        if (section.header)
            continue;
        if (!out.empty() && !endsWithLineEnd(out) && out != kUtf8Signature)
            out.append("\r\n");
        out.append("[").append(section.name).append("]\r\n");
        addKeys(section);
    }
    return out;
}
