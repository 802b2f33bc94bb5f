#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The content of a profile (INI) file, parsed once, with writes applied in memory and the bytes to store built in
// one pass. Every operation is linear in the size of what it touches: a very long line elsewhere in the file costs
// one scan when the file is parsed and one copy when it is written back.
//
// The rules are those of the Windows profile functions on hand-edited files:
// - a line whose first non-blank character is "[" starts a section; its name ends at the first "]" (or at the end
//   of the line when there is none), blanks around it trimmed;
// - a line whose first non-blank character is ";" is a comment; any other non-blank line is a key, "name=value"
//   (or a name alone, which has no value), blanks around the name and the value trimmed;
// - names match without regard to letter case; the first section of a name and the first key of a name in it count;
//   lines before the first section belong to no section;
// - a UTF-8 signature at the very start of the file is not part of the first line's text, and is kept.
// Writing replaces the key's line with "name=value" CR LF (the name as the file spells it), or adds the key after
// the last key of its section (before trailing comments and blank lines), or appends the section at the end of the
// file. Every other byte is kept.
class IniDocument {
public:
    explicit IniDocument(std::string content);
    IniDocument(const IniDocument&) = delete;
    IniDocument& operator=(const IniDocument&) = delete;

    // The value of the key as it stands (blanks around it trimmed), or nothing when the section or the key is
    // missing or the key's line has no "=". The names are used as given.
    std::optional<std::string_view> value(std::string_view section, std::string_view key) const;

    // The number (counted from 1) of the file's line that holds the key, or nothing when the file has no such key.
    // Line ends are CR, LF or CR LF, as for every text file the proxy reads.
    std::optional<std::size_t> lineNumber(std::string_view section, std::string_view key) const;

    // Stores the value. The names and the value must be storable (no line breaks; see IniSession).
    void set(std::string_view section, std::string_view key, std::string_view value);

    // The whole content with every write applied.
    std::string bytes() const;

    // The text without the blanks a file may hold around names and values (white space and Ctrl+Z).
    static std::string_view trimBlanks(std::string_view text);

private:
    enum class Kind { Blank, Comment, Section, Key };

    struct Line {
        Kind kind = Kind::Blank;
        std::size_t begin = 0; // the line's bytes in the content, its line end included
        std::size_t end = 0;
        std::string_view name;
        std::optional<std::string_view> value;
        bool rewritten = false; // written back as name=value CR LF
    };

    // Hashing and comparing names without regard to letter case.
    struct FoldedHash {
        std::size_t operator()(std::string_view name) const;
    };
    struct FoldedEqual {
        bool operator()(std::string_view a, std::string_view b) const;
    };
    template <typename T> using NameMap = std::unordered_map<std::string_view, T, FoldedHash, FoldedEqual>;

    struct Section {
        std::string_view name;
        std::optional<std::size_t> header; // none for a section this document appends
        std::size_t anchor = 0;            // new keys follow this line: the section's last key, or its header
        NameMap<Line*> keys;               // the first key of each name
        std::vector<Line*> added;          // keys added after the anchor (or after the header appended), in order
    };

    void parse();
    Line classify(std::size_t begin, std::size_t contentEnd, std::size_t end) const;
    const Section* findSection(std::string_view name) const;
    std::string_view keep(std::string_view text);
    static void appendKey(std::string& out, const Line& line);

    std::string content_;
    std::vector<Line> lines_;
    std::deque<Line> addedLines_;   // keys added by writes (a deque keeps them in place)
    std::deque<std::string> texts_; // names and values written
    std::vector<Section> sections_; // the first section of each name in file order, then the appended ones
    NameMap<std::size_t> sectionIndex_;
};
