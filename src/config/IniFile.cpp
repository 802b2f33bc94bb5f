#include "config/IniFile.h"

#include "common/Cp1251.h"
#include "common/Error.h"
#include "common/FileIo.h"
#include "common/Numbers.h"

#include <fcntl.h>
#include <optional>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

// Blanks as the profile functions see them: white space and the old end-of-file mark Ctrl+Z.
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == '\n' || c == 0x1A;
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// One line of the file: where its bytes are, and what it is.
struct IniLine {
    enum class Kind { Blank, Section, Key } kind = Kind::Blank;
    std::size_t begin = 0;                 // first byte
    std::size_t contentEnd = 0;            // first byte of the line end (or of the next line when there is none)
    std::size_t end = 0;                   // first byte of the next line
    std::string_view name;                 // section or key name, trimmed
    std::optional<std::string_view> value; // key lines with "=": the value, trimmed
};

// The lines of a file's content, split at CR, LF or CR LF.
class IniDocument {
public:
    explicit IniDocument(std::string_view content) : content_(content) {
        std::size_t start = 0;
        while (start < content.size()) {
            std::size_t stop = start;
            while (stop < content.size() && content[stop] != '\r' && content[stop] != '\n')
                ++stop;
            std::size_t next = stop;
            if (next < content.size() && content[next] == '\r')
                ++next;
            if (next < content.size() && content[next] == '\n')
                ++next;
            lines_.push_back(classify(start, stop, next));
            start = next;
        }
    }

    // Index of the first line of the section, or nothing.
    std::optional<std::size_t> findSection(std::string_view section) const {
        for (std::size_t i = 0; i < lines_.size(); ++i)
            if (lines_[i].kind == IniLine::Kind::Section && cp1251::equalsIgnoreCase(lines_[i].name, section))
                return i;
        return std::nullopt;
    }

    // Index one past the section's last line (its header given).
    std::size_t sectionEnd(std::size_t header) const {
        std::size_t i = header + 1;
        while (i < lines_.size() && lines_[i].kind != IniLine::Kind::Section)
            ++i;
        return i;
    }

    std::optional<std::size_t> findKey(std::size_t header, std::string_view key) const {
        const std::size_t end = sectionEnd(header);
        for (std::size_t i = header + 1; i < end; ++i)
            if (lines_[i].kind == IniLine::Kind::Key && cp1251::equalsIgnoreCase(lines_[i].name, key))
                return i;
        return std::nullopt;
    }

    const IniLine& line(std::size_t index) const { return lines_[index]; }

    // Index of the section's last line that is not blank (the header when there is none).
    std::size_t lastFilledLine(std::size_t header) const {
        std::size_t last = header;
        const std::size_t end = sectionEnd(header);
        for (std::size_t i = header + 1; i < end; ++i)
            if (lines_[i].kind != IniLine::Kind::Blank)
                last = i;
        return last;
    }

private:
    IniLine classify(std::size_t begin, std::size_t contentEnd, std::size_t end) const {
        IniLine line{IniLine::Kind::Blank, begin, contentEnd, end, {}, std::nullopt};
        const std::string_view text = trimBlanks(content_.substr(begin, contentEnd - begin));
        if (text.empty())
            return line;
        if (text.front() == '[') {
            const auto close = text.rfind(']');
            if (close != std::string_view::npos && close > 0) {
                line.kind = IniLine::Kind::Section;
                line.name = trimBlanks(text.substr(1, close - 1));
                return line;
            }
        }
        line.kind = IniLine::Kind::Key;
        const auto equals = text.find('=');
        if (equals == std::string_view::npos) {
            line.name = text; // a key without a value: reads give the default
        } else {
            line.name = trimBlanks(text.substr(0, equals));
            line.value = trimBlanks(text.substr(equals + 1));
        }
        return line;
    }

    std::string_view content_;
    std::vector<IniLine> lines_;
};

std::string readContent(const std::string& path) {
    return fileExists(path) ? readWholeFile(path) : std::string();
}

// What a read sees: a file that cannot be read reads like a missing one, as with the profile functions.
std::string readContentForRead(const std::string& path) {
    try {
        return readContent(path);
    } catch (const GlymError&) {
        return std::string();
    }
}

// A value as the caller gets it: up to a NUL byte, without one pair of enclosing quotes, at most 2047 bytes.
std::string valueAsRead(std::string_view stored) {
    if (const auto nul = stored.find('\0'); nul != std::string_view::npos)
        stored = trimBlanks(stored.substr(0, nul));
    if (stored.size() >= 2 && (stored.front() == '"' || stored.front() == '\'') && stored.back() == stored.front())
        stored = stored.substr(1, stored.size() - 2);
    return std::string(stored.substr(0, IniFile::kMaxValueLength));
}

std::string defaultAsRead(const std::string& defaultValue) {
    std::string_view text = defaultValue;
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return std::string(text.substr(0, IniFile::kMaxValueLength));
}

bool holdsLineBreakOrNul(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool endsWithLineEnd(std::string_view content) {
    return content.empty() || content.back() == '\n' || content.back() == '\r';
}

} // namespace

IniFile::IniFile(std::string path) : path_(std::move(path)) {}

std::string IniFile::readString(const std::string& section, const std::string& key,
                                const std::string& defaultValue) const {
    const std::string content = readContentForRead(path_);
    const IniDocument document(content);
    if (const auto header = document.findSection(section))
        if (const auto index = document.findKey(*header, key))
            if (const auto& value = document.line(*index).value)
                return valueAsRead(*value);
    return defaultAsRead(defaultValue);
}

void IniFile::writeString(const std::string& section, const std::string& key, const std::string& value) {
    // A line break inside a name or value would turn into lines of its own: refuse it rather than corrupt the file.
    if (holdsLineBreakOrNul(section) || holdsLineBreakOrNul(key) || holdsLineBreakOrNul(value))
        throw GlymError("Unable to write to " + path_ + ": a line break cannot be stored in [" + section + "] " + key);

    std::string content;
    try {
        content = readContent(path_);
    } catch (const GlymError&) {
        throw GlymError("Unable to write to " + path_); // the file's other lines cannot be kept
    }
    const IniDocument document(content);
    std::string updated;
    updated.reserve(content.size() + section.size() + key.size() + value.size() + 8);

    if (const auto header = document.findSection(section)) {
        if (const auto index = document.findKey(*header, key)) {
            const IniLine& line = document.line(*index);
            updated.append(content, 0, line.begin);
            updated.append(line.name).append("=").append(value).append("\r\n");
            updated.append(content, line.end);
        } else {
            const IniLine& last = document.line(document.lastFilledLine(*header));
            updated.append(content, 0, last.end);
            if (last.end == last.contentEnd)
                updated.append("\r\n"); // the last line of the file had no line end
            updated.append(key).append("=").append(value).append("\r\n");
            updated.append(content, last.end);
        }
    } else {
        updated = content;
        if (!endsWithLineEnd(updated))
            updated.append("\r\n");
        updated.append("[").append(section).append("]\r\n");
        updated.append(key).append("=").append(value).append("\r\n");
    }

    try {
        writeFileAtomically(path_, updated, {.keepBackup = false, .refuseWriteProtected = true});
    } catch (const GlymError&) {
        throw GlymError("Unable to write to " + path_);
    }
}

int IniFile::readInteger(const std::string& section, const std::string& key, int defaultValue) const {
    return parseInt32(readString(section, key, std::string())).value_or(defaultValue);
}

void IniFile::writeInteger(const std::string& section, const std::string& key, int value) {
    writeString(section, key, std::to_string(value));
}

bool IniFile::readBool(const std::string& section, const std::string& key, bool defaultValue) const {
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void IniFile::writeBool(const std::string& section, const std::string& key, bool value) {
    writeString(section, key, value ? "1" : "0");
}

void IniFile::flush() {
    // Every write has already been synced before it replaced the file; this syncs once more for callers that
    // wrote through other means, and never fails the caller.
    const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}
