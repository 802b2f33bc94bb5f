#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The differences between two versions of a text file, line by line, as `diff -u` shows them. A line is its bytes
// up to and including its "\n" (a CR before it belongs to the line, so a change of line ends is a change); the last
// line of a file may lack the "\n". The bytes are never decoded: the files are Windows-1251 text, and the output
// holds them as they are.
namespace textdiff {

enum class LineChange : char { Same = ' ', Removed = '-', Added = '+' };

struct DiffLine {
    LineChange change = LineChange::Same;
    std::string bytes; // with its line end, as the file holds it
};

// The line without its line end ("\n", "\r\n" or none), for showing it.
std::string_view lineText(const DiffLine& line);
// Whether the line is the last one of its file and lacks the final "\n".
bool lacksLineEnd(const DiffLine& line);

// One block of changes with the unchanged lines around it. The numbers are those of the "@@" line: the first line
// of each side's range, counted from 1 (for an empty range, the line before it), and the range's length.
struct Hunk {
    std::size_t olderStart = 0;
    std::size_t olderCount = 0;
    std::size_t newerStart = 0;
    std::size_t newerCount = 0;
    std::vector<DiffLine> lines;
};

struct DiffCounts {
    std::size_t added = 0;
    std::size_t removed = 0;
    bool same() const { return added == 0 && removed == 0; }
};

struct FileDiff {
    std::vector<Hunk> hunks;
    DiffCounts counts;
};

// The lines removed from older and added in newer, with up to `context` unchanged lines around each change (changes
// closer than twice that share a hunk). The common beginning and end are set aside before the lines are compared,
// so two long versions that differ in a few lines cost little more than reading them.
FileDiff diffLines(std::string_view older, std::string_view newer, std::size_t context = 3);

// Only how many lines were added and removed (no hunk is built).
DiffCounts countChanges(std::string_view older, std::string_view newer);

// The diff as `diff -u` prints it: "--- olderLabel", "+++ newerLabel", then each hunk ("@@ -1,4 +1,5 @@" and its
// lines, each behind " ", "-" or "+", a last line without a line end followed by "\ No newline at end of file").
// Nothing when the versions are the same.
std::string unifiedDiff(const FileDiff& diff, std::string_view olderLabel, std::string_view newerLabel);

} // namespace textdiff
