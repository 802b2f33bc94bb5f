#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// A line that a load leaves out of what it keeps, so that the next save will not write it again: where it stands,
// what it holds and why it is left out, short enough to print as "file:line: message".
struct Finding {
    std::string file;     // the file's name as the settings give it
    std::size_t line = 0; // counted from 1
    std::string text;     // the line's bytes, as read
    std::string message;  // why it is left out, for example: unknown tag "XX"
};

// "file:line: message", always one line: the file as printableName gives it, a control character of the message
// (a line break of a name it quotes) written as its C escape.
std::string formatFinding(const Finding& finding);

// A file name as a line of output shows it: as it is, or, when it holds a control character (a line break, a tab)
// or a double quote, in double quotes with C escapes ("\n", "\t", "\"", "\\", "\001"), so that it cannot split
// the line nor be taken for another name.
std::string printableName(std::string_view name);

// The text with each control character written as its C escape (as printableName writes it); other bytes as they are.
std::string escapedControls(std::string_view text);

// Collects what the loaders leave out. One file may be read by several loaders (when two settings name it, each
// keeps the lines of its own kinds), so a line counts only when every loader that read its file left it out.
// Two names of one file (see sameFile) are one file.
class LoadFindings {
public:
    using ReadingId = std::size_t;

    // What a loader knows of a line it leaves out. Own: the line is of a kind it reads and is still left out (a
    // rule of a group that does not exist), so its reason is the one to give. Other: the line is not of its kinds
    // (another loader of the same file may keep it), so it can only say what the tag is.
    enum class Kind { Own, Other };

    // A loader starts reading the file of that name; what it leaves out is reported under the id returned.
    ReadingId startReading(const std::string& name);
    // The reading leaves out line number line (counted from 1).
    void drop(ReadingId reading, std::size_t line, std::string_view text, std::string message, Kind kind);

    // The lines left out for good, file by file in the order the files were first read, each file's lines in
    // order. Where several loaders of one file gave a reason, the one that knows the line's kind is taken.
    std::vector<Finding> findings() const;

private:
    struct Drop {
        std::size_t line;
        std::string text;
        std::string message;
        Kind kind;
        ReadingId reading;
    };
    struct File {
        std::string identity;
        std::string name; // as first given
        std::vector<ReadingId> readings;
    };

    std::vector<File> files_;
    std::vector<std::size_t> fileOfReading_;
    std::vector<std::vector<Drop>> drops_; // by reading
};

// What one loader reports while it reads one file; without a collector it reports nothing.
class DropReport {
public:
    DropReport(LoadFindings* findings, const std::string& name);

    bool active() const { return findings_ != nullptr; }
    void drop(std::size_t line, std::string_view text, std::string message,
              LoadFindings::Kind kind = LoadFindings::Kind::Own);

private:
    LoadFindings* findings_;
    LoadFindings::ReadingId reading_ = 0;
};
