#include "history/Generation.h"

#include "common/Error.h"
#include "history/ContentId.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <ctime>
#include <iterator>
#include <utility>

namespace history {

namespace {

constexpr std::string_view kFormatLine = "glymconf generation 1";

struct RoleName {
    FileRole role;
    std::string_view token; // in the stored text
    std::string_view description;
};
constexpr std::array<RoleName, 4> kRoles{{
    {FileRole::Settings, "settings", "settings"},
    {FileRole::AccessRules, "access", "access rules"},
    {FileRole::CacheSkip, "cacheskip", "cache-skip rules"},
    {FileRole::PortMapping, "portmap", "port mapping"},
}};

const RoleName& roleName(FileRole role) {
    return kRoles[static_cast<std::size_t>(role)];
}

std::string escaped(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (const char c : value) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// The text of one manifest line, read field by field; a fault names the line.
class LineReader {
public:
    LineReader(std::string_view line, std::size_t number) : rest_(line), number_(number) {}

    [[noreturn]] void fail(const std::string& what) const {
        throw GlymError("line " + std::to_string(number_) + ": " + what);
    }

    bool atEnd() const { return !rest_; }

    std::string text() {
        if (!rest_)
            fail("a field is missing");
        const std::size_t tab = rest_->find('\t');
        const std::string_view field = rest_->substr(0, tab);
        rest_ = tab == std::string_view::npos ? std::nullopt : std::optional(rest_->substr(tab + 1));
        std::string value;
        for (std::size_t i = 0; i < field.size(); ++i) {
            if (field[i] != '\\') {
                value += field[i];
                continue;
            }
            const char next = i + 1 < field.size() ? field[++i] : '\0';
            switch (next) {
            case '\\':
                value += '\\';
                break;
            case 't':
                value += '\t';
                break;
            case 'n':
                value += '\n';
                break;
            case 'r':
                value += '\r';
                break;
            default:
                fail("an unknown escape \"\\" + std::string(1, next) + "\"");
            }
        }
        return value;
    }

    template <typename Number> Number number() {
        const std::string value = text();
        Number result{};
        const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), result);
        if (value.empty() || error != std::errc() || end != value.data() + value.size())
            fail("\"" + value + "\" is not a number");
        return result;
    }

    void end() const {
        if (rest_)
            fail("a field too many");
    }

private:
    std::optional<std::string_view> rest_;
    std::size_t number_;
};

GenerationFile readFile(LineReader& line) {
    GenerationFile file;
    const std::string role = line.text();
    const auto known =
        std::find_if(kRoles.begin(), kRoles.end(), [&role](const RoleName& r) { return r.token == role; });
    if (known == kRoles.end())
        line.fail("\"" + role + "\" is no file of the configuration");
    file.role = known->role;
    file.name = line.text();
    file.content = line.text();
    if (file.content == "-")
        file.content.clear();
    else if (!isContentId(file.content))
        line.fail("\"" + file.content + "\" is no content id");
    file.size = line.number<std::uint64_t>();
    file.change.added = line.number<std::size_t>();
    file.change.removed = line.number<std::size_t>();
    line.end();
    return file;
}

} // namespace

std::string_view describe(FileRole role) {
    return roleName(role).description;
}

std::size_t Generation::filesChanged() const {
    return static_cast<std::size_t>(
        std::count_if(files.begin(), files.end(), [](const GenerationFile& file) { return !file.change.same(); }));
}

textdiff::DiffCounts Generation::change() const {
    textdiff::DiffCounts total;
    for (const GenerationFile& file : files) {
        total.added += file.change.added;
        total.removed += file.change.removed;
    }
    return total;
}

bool holdsSameFiles(const Generation& generation, const Snapshot& files) {
    return generation.files.size() == files.size() &&
           std::all_of(files.begin(), files.end(), [&generation](const SnapshotFile& file) {
               return std::any_of(generation.files.begin(), generation.files.end(),
                                  [&file](const GenerationFile& recorded) {
                                      return recorded.role == file.role && recorded.name == file.name &&
                                             recorded.content == (file.bytes ? contentId(*file.bytes) : "");
                                  });
           });
}

std::string formatGeneration(const Generation& generation) {
    std::string text(kFormatLine);
    text += "\nnumber\t" + std::to_string(generation.number);
    text += "\ntime\t" + std::to_string(generation.time);
    text += "\nuser\t" + escaped(generation.user);
    text += "\nhost\t" + escaped(generation.host);
    text += "\ncomment\t" + escaped(generation.comment);
    for (const GenerationFile& file : generation.files) {
        text += "\nfile\t";
        text += roleName(file.role).token;
        text += "\t" + escaped(file.name) + "\t" + (file.content.empty() ? "-" : file.content);
        text += "\t" + std::to_string(file.size) + "\t" + std::to_string(file.change.added) + "\t" +
                std::to_string(file.change.removed);
    }
    return text + "\n";
}

Generation parseGeneration(std::string_view text) {
    if (!text.starts_with(kFormatLine) || text.substr(kFormatLine.size(), 1) != "\n")
        throw GlymError("line 1: not a generation of the configurator's history");
    if (!text.ends_with('\n'))
        throw GlymError("the text is cut short");
    Generation generation;
    bool seen[5] = {};
    static constexpr std::string_view kFields[5] = {"number", "time", "user", "host", "comment"};
    std::size_t number = 1;
    for (std::size_t start = kFormatLine.size() + 1; start < text.size();) {
        const std::size_t end = text.find('\n', start);
        LineReader line(text.substr(start, end - start), ++number);
        start = end + 1;
        const std::string field = line.text();
        if (field == "file") {
            generation.files.push_back(readFile(line));
            continue;
        }
        const auto known = std::find(std::begin(kFields), std::end(kFields), field);
        if (known == std::end(kFields))
            line.fail("an unknown field \"" + field + "\"");
        const auto index = static_cast<std::size_t>(known - std::begin(kFields));
        if (std::exchange(seen[index], true))
            line.fail("a second \"" + field + "\"");
        switch (index) {
        case 0:
            generation.number = line.number<unsigned>();
            break;
        case 1:
            generation.time = line.number<std::int64_t>();
            break;
        case 2:
            generation.user = line.text();
            break;
        case 3:
            generation.host = line.text();
            break;
        default:
            generation.comment = line.text();
            break;
        }
        line.end();
    }
    for (std::size_t i = 0; i < std::size(kFields); ++i)
        if (!seen[i])
            throw GlymError("the field \"" + std::string(kFields[i]) + "\" is missing");
    return generation;
}

std::string localTime(std::int64_t time) {
    const auto seconds = static_cast<std::time_t>(time);
    std::tm local{};
    char text[32] = {};
    if (!::localtime_r(&seconds, &local) || std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local) == 0)
        return std::to_string(time);
    return text;
}

std::string summaryLine(const Generation& generation) {
    const std::size_t files = generation.filesChanged();
    const textdiff::DiffCounts change = generation.change();
    std::string line = std::to_string(generation.number) + "  " + localTime(generation.time) + "  " + generation.user +
                       "@" + generation.host + "  " + std::to_string(files) + (files == 1 ? " file" : " files") +
                       "  +" + std::to_string(change.added) + " -" + std::to_string(change.removed);
    if (!generation.comment.empty())
        line += "  " + generation.comment;
    return line;
}

} // namespace history
