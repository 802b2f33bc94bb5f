#include "history/Diff.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <utility>

namespace textdiff {

namespace {

// ---------------------------------------------------------------------------------------------------------------
// The common beginning and end, found on the bytes before any line is split

std::size_t commonPrefix(std::string_view a, std::string_view b) {
    const std::size_t limit = std::min(a.size(), b.size());
    constexpr std::size_t kBlock = 4096;
    std::size_t i = 0;
    while (i + kBlock <= limit && std::memcmp(a.data() + i, b.data() + i, kBlock) == 0)
        i += kBlock;
    while (i < limit && a[i] == b[i])
        ++i;
    return i;
}

std::size_t commonSuffix(std::string_view a, std::string_view b) {
    const std::size_t limit = std::min(a.size(), b.size());
    constexpr std::size_t kBlock = 4096;
    std::size_t n = 0;
    while (n + kBlock <= limit &&
           std::memcmp(a.data() + a.size() - n - kBlock, b.data() + b.size() - n - kBlock, kBlock) == 0)
        n += kBlock;
    while (n < limit && a[a.size() - n - 1] == b[b.size() - n - 1])
        ++n;
    return n;
}

bool startsLine(std::string_view text, std::size_t at) {
    return at == 0 || text[at - 1] == '\n';
}

void splitLines(std::string_view text, std::vector<std::string_view>& lines) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::size_t length = end == std::string_view::npos ? text.size() : end + 1;
        lines.push_back(text.substr(0, length));
        text.remove_prefix(length);
    }
}

// The two versions with their common whole lines at the beginning and the end set aside.
struct Trimmed {
    std::string_view head;        // the common beginning, whole lines
    std::string_view olderMiddle; // what is left of each version between them
    std::string_view newerMiddle;
    std::string_view tail; // the common end, whole lines
};

Trimmed trim(std::string_view older, std::string_view newer) {
    std::size_t prefix = commonPrefix(older, newer);
    if (prefix < older.size() || prefix < newer.size()) // back to the start of the first line that differs
        while (prefix > 0 && older[prefix - 1] != '\n')
            --prefix;
    const std::string_view olderRest = older.substr(prefix);
    const std::string_view newerRest = newer.substr(prefix);
    std::size_t suffix = commonSuffix(olderRest, newerRest);
    // The common end must start a line in both versions: forward to the next line start inside it.
    const std::size_t olderAt = olderRest.size() - suffix;
    if (!startsLine(olderRest, olderAt) || !startsLine(newerRest, newerRest.size() - suffix)) {
        const std::size_t lineEnd = olderRest.find('\n', olderAt);
        suffix = lineEnd == std::string_view::npos ? 0 : olderRest.size() - lineEnd - 1;
    }
    return {older.substr(0, prefix), olderRest.substr(0, olderRest.size() - suffix),
            newerRest.substr(0, newerRest.size() - suffix), olderRest.substr(olderRest.size() - suffix)};
}

// ---------------------------------------------------------------------------------------------------------------
// The edit script over line numbers: runs of same, removed and added lines in file order

struct Run {
    LineChange change;
    std::size_t count;
};

class Script {
public:
    void add(LineChange change, std::size_t count) {
        if (count == 0)
            return;
        if (!runs_.empty() && runs_.back().change == change)
            runs_.back().count += count;
        else
            runs_.push_back({change, count});
    }
    const std::vector<Run>& runs() const { return runs_; }

private:
    std::vector<Run> runs_;
};

// Each distinct line gets a number, so that lines are compared as numbers from here on.
struct Numbered {
    std::vector<std::uint32_t> older;
    std::vector<std::uint32_t> newer;
    std::size_t distinct = 0;
};

Numbered numberLines(const std::vector<std::string_view>& older, const std::vector<std::string_view>& newer) {
    Numbered numbered;
    std::unordered_map<std::string_view, std::uint32_t> numbers;
    numbers.reserve(older.size() + newer.size());
    auto number = [&numbers](std::string_view line) {
        return numbers.try_emplace(line, static_cast<std::uint32_t>(numbers.size())).first->second;
    };
    numbered.older.reserve(older.size());
    for (std::string_view line : older)
        numbered.older.push_back(number(line));
    numbered.newer.reserve(newer.size());
    for (std::string_view line : newer)
        numbered.newer.push_back(number(line));
    numbered.distinct = numbers.size();
    return numbered;
}

struct Region {
    std::size_t olderBegin, olderEnd, newerBegin, newerEnd;
};

// Compares two numbered line sequences. Lines that occur once in each side of a region anchor it (the longest
// series of them in the same order on both sides, as patience sorting finds it); the parts between anchors are
// compared the same way, and a part without such lines by the shortest edit script (Myers), up to a cost beyond
// which it is shown as removed and added whole rather than taking quadratic time.
class LineComparer {
public:
    LineComparer(const Numbered& lines, Script& script)
        : a_(lines.older), b_(lines.newer), script_(script), countA_(lines.distinct), countB_(lines.distinct),
          whereB_(lines.distinct) {}

    void run() {
        // A stack of work in file order: a region to compare, or a run of same lines to emit once the regions
        // before it are done.
        struct Task {
            Region region;
            std::size_t sameLines; // a run of same lines when the region is empty
        };
        std::vector<Task> tasks{{{0, a_.size(), 0, b_.size()}, 0}};
        while (!tasks.empty()) {
            const Task task = tasks.back();
            tasks.pop_back();
            if (task.sameLines) {
                script_.add(LineChange::Same, task.sameLines);
                continue;
            }
            Region r = task.region;
            std::size_t head = 0;
            while (r.olderBegin + head < r.olderEnd && r.newerBegin + head < r.newerEnd &&
                   a_[r.olderBegin + head] == b_[r.newerBegin + head])
                ++head;
            script_.add(LineChange::Same, head);
            r.olderBegin += head;
            r.newerBegin += head;
            std::size_t tail = 0;
            while (r.olderEnd - tail > r.olderBegin && r.newerEnd - tail > r.newerBegin &&
                   a_[r.olderEnd - tail - 1] == b_[r.newerEnd - tail - 1])
                ++tail;
            r.olderEnd -= tail;
            r.newerEnd -= tail;
            if (tail)
                tasks.push_back({{}, tail});
            if (r.olderBegin == r.olderEnd || r.newerBegin == r.newerEnd) {
                script_.add(LineChange::Removed, r.olderEnd - r.olderBegin);
                script_.add(LineChange::Added, r.newerEnd - r.newerBegin);
                continue;
            }
            const std::vector<std::pair<std::size_t, std::size_t>> anchors = uniqueAnchors(r);
            if (anchors.empty()) {
                shortestEdit(r);
                continue;
            }
            // Pushed last to first: the region after the last anchor, the anchor, ..., the region before the first.
            Region after = r;
            for (auto anchor = anchors.rbegin(); anchor != anchors.rend(); ++anchor) {
                after.olderBegin = anchor->first + 1;
                after.newerBegin = anchor->second + 1;
                tasks.push_back({after, 0});
                tasks.push_back({{}, 1});
                after.olderEnd = anchor->first;
                after.newerEnd = anchor->second;
            }
            after.olderBegin = r.olderBegin;
            after.newerBegin = r.newerBegin;
            tasks.push_back({after, 0});
        }
    }

private:
    // The lines found once in each side of the region, the longest series of them in the same order on both.
    std::vector<std::pair<std::size_t, std::size_t>> uniqueAnchors(const Region& r) {
        for (std::size_t i = r.olderBegin; i < r.olderEnd; ++i)
            countA_[a_[i]] = std::min<std::uint8_t>(countA_[a_[i]] + 1, 2);
        for (std::size_t j = r.newerBegin; j < r.newerEnd; ++j) {
            countB_[b_[j]] = std::min<std::uint8_t>(countB_[b_[j]] + 1, 2);
            whereB_[b_[j]] = j;
        }
        std::vector<std::pair<std::size_t, std::size_t>> unique;
        for (std::size_t i = r.olderBegin; i < r.olderEnd; ++i)
            if (countA_[a_[i]] == 1 && countB_[a_[i]] == 1)
                unique.emplace_back(i, whereB_[a_[i]]);
        for (std::size_t i = r.olderBegin; i < r.olderEnd; ++i)
            countA_[a_[i]] = 0;
        for (std::size_t j = r.newerBegin; j < r.newerEnd; ++j)
            countB_[b_[j]] = 0;
        return longestIncreasing(unique);
    }

    // The longest series of pairs whose second members increase (patience sorting).
    static std::vector<std::pair<std::size_t, std::size_t>>
    longestIncreasing(const std::vector<std::pair<std::size_t, std::size_t>>& pairs) {
        std::vector<std::size_t> pileTops; // index into pairs of the top of each pile
        std::vector<std::size_t> below(pairs.size());
        for (std::size_t k = 0; k < pairs.size(); ++k) {
            const auto pile =
                std::lower_bound(pileTops.begin(), pileTops.end(), pairs[k].second,
                                 [&pairs](std::size_t top, std::size_t value) { return pairs[top].second < value; });
            below[k] = pile == pileTops.begin() ? SIZE_MAX : *(pile - 1);
            if (pile == pileTops.end())
                pileTops.push_back(k);
            else
                *pile = k;
        }
        std::vector<std::pair<std::size_t, std::size_t>> series;
        for (std::size_t k = pileTops.empty() ? SIZE_MAX : pileTops.back(); k != SIZE_MAX; k = below[k])
            series.push_back(pairs[k]);
        std::reverse(series.begin(), series.end());
        return series;
    }

    // Myers' greedy shortest edit script, keeping each round's furthest points to walk back along.
    void shortestEdit(const Region& r) {
        const std::uint32_t* a = a_.data() + r.olderBegin;
        const std::uint32_t* b = b_.data() + r.newerBegin;
        const auto n = static_cast<std::ptrdiff_t>(r.olderEnd - r.olderBegin);
        const auto m = static_cast<std::ptrdiff_t>(r.newerEnd - r.newerBegin);
        const std::ptrdiff_t maxCost = std::min<std::ptrdiff_t>(n + m, kMaxEditCost);
        std::vector<std::ptrdiff_t> furthest(static_cast<std::size_t>(2 * maxCost + 3), 0);
        const std::ptrdiff_t middle = maxCost + 1;
        std::vector<std::vector<std::ptrdiff_t>> rounds; // furthest x on diagonals -d..d after round d
        for (std::ptrdiff_t d = 0; d <= maxCost; ++d) {
            for (std::ptrdiff_t k = -d; k <= d; k += 2) {
                const bool down = k == -d || (k != d && furthest[middle + k - 1] < furthest[middle + k + 1]);
                std::ptrdiff_t x = down ? furthest[middle + k + 1] : furthest[middle + k - 1] + 1;
                std::ptrdiff_t y = x - k;
                while (x < n && y < m && a[x] == b[y])
                    ++x, ++y;
                furthest[middle + k] = x;
                if (x >= n && y >= m) {
                    rounds.emplace_back(furthest.begin() + middle - d, furthest.begin() + middle + d + 1);
                    walkBack(rounds, n, m);
                    return;
                }
            }
            rounds.emplace_back(furthest.begin() + middle - d, furthest.begin() + middle + d + 1);
        }
        script_.add(LineChange::Removed, static_cast<std::size_t>(n));
        script_.add(LineChange::Added, static_cast<std::size_t>(m));
    }

    void walkBack(const std::vector<std::vector<std::ptrdiff_t>>& rounds, std::ptrdiff_t x, std::ptrdiff_t y) {
        std::vector<Run> backwards;
        for (auto d = static_cast<std::ptrdiff_t>(rounds.size()) - 1; d > 0; --d) {
            const std::vector<std::ptrdiff_t>& before = rounds[static_cast<std::size_t>(d - 1)];
            auto at = [&before, d](std::ptrdiff_t k) {
                return before[static_cast<std::size_t>(k + d - 1)];
            };
            const std::ptrdiff_t k = x - y;
            const bool down = k == -d || (k != d && at(k - 1) < at(k + 1));
            const std::ptrdiff_t fromX = down ? at(k + 1) : at(k - 1);
            const std::ptrdiff_t fromY = fromX - (down ? k + 1 : k - 1);
            const std::ptrdiff_t snakeStart = down ? fromX : fromX + 1;
            backwards.push_back({LineChange::Same, static_cast<std::size_t>(x - snakeStart)});
            backwards.push_back({down ? LineChange::Added : LineChange::Removed, 1});
            x = fromX;
            y = fromY;
        }
        backwards.push_back({LineChange::Same, static_cast<std::size_t>(x)});
        // Within a series of changes, removed lines come first, as diff shows them.
        std::size_t removed = 0;
        std::size_t added = 0;
        for (auto step = backwards.rbegin(); step != backwards.rend(); ++step) {
            if (step->change == LineChange::Same && step->count > 0) {
                script_.add(LineChange::Removed, std::exchange(removed, 0));
                script_.add(LineChange::Added, std::exchange(added, 0));
                script_.add(LineChange::Same, step->count);
            } else if (step->change == LineChange::Removed) {
                removed += step->count;
            } else if (step->change == LineChange::Added) {
                added += step->count;
            }
        }
        script_.add(LineChange::Removed, removed);
        script_.add(LineChange::Added, added);
    }

    // Beyond this many removed and added lines a part without unique lines is not searched further.
    static constexpr std::ptrdiff_t kMaxEditCost = 1000;

    const std::vector<std::uint32_t>& a_;
    const std::vector<std::uint32_t>& b_;
    Script& script_;
    std::vector<std::uint8_t> countA_; // occurrences in the region (0, 1, or 2 for more), by line number
    std::vector<std::uint8_t> countB_;
    std::vector<std::size_t> whereB_; // where a line unique in the newer side's region is
};

// The edit script of the two middles, their lines split into lines.
struct Compared {
    std::vector<std::string_view> older;
    std::vector<std::string_view> newer;
    Script script;
};

Compared compare(std::string_view olderMiddle, std::string_view newerMiddle) {
    Compared compared;
    splitLines(olderMiddle, compared.older);
    splitLines(newerMiddle, compared.newer);
    if (compared.older.empty() || compared.newer.empty()) {
        compared.script.add(LineChange::Removed, compared.older.size());
        compared.script.add(LineChange::Added, compared.newer.size());
        return compared;
    }
    const Numbered numbered = numberLines(compared.older, compared.newer);
    LineComparer(numbered, compared.script).run();
    return compared;
}

DiffCounts countsOf(const Script& script) {
    DiffCounts counts;
    for (const Run& run : script.runs())
        if (run.change == LineChange::Added)
            counts.added += run.count;
        else if (run.change == LineChange::Removed)
            counts.removed += run.count;
    return counts;
}

// ---------------------------------------------------------------------------------------------------------------
// Hunks

// A series of changed lines: [olderBegin, olderEnd) removed, [newerBegin, newerEnd) added.
struct Change {
    std::size_t olderBegin, olderEnd, newerBegin, newerEnd;
};

std::vector<Change> changesOf(const Script& script) {
    std::vector<Change> changes;
    std::size_t i = 0;
    std::size_t j = 0;
    bool inChange = false;
    for (const Run& run : script.runs()) {
        if (run.change == LineChange::Same) {
            i += run.count;
            j += run.count;
            inChange = false;
            continue;
        }
        if (!inChange)
            changes.push_back({i, i, j, j});
        inChange = true;
        if (run.change == LineChange::Removed)
            i += run.count;
        else
            j += run.count;
        changes.back().olderEnd = i;
        changes.back().newerEnd = j;
    }
    return changes;
}

// The last `count` lines of text (whole lines).
std::vector<std::string_view> lastLines(std::string_view text, std::size_t count) {
    std::size_t start = text.size();
    for (std::size_t taken = 0; taken < count && start > 0; ++taken) {
        const std::size_t lineEnd = start >= 2 ? text.rfind('\n', start - 2) : std::string_view::npos;
        start = lineEnd == std::string_view::npos ? 0 : lineEnd + 1;
    }
    std::vector<std::string_view> lines;
    splitLines(text.substr(start), lines);
    return lines;
}

std::vector<std::string_view> firstLines(std::string_view text, std::size_t count) {
    std::vector<std::string_view> lines;
    while (!text.empty() && lines.size() < count) {
        const std::size_t end = text.find('\n');
        const std::size_t length = end == std::string_view::npos ? text.size() : end + 1;
        lines.push_back(text.substr(0, length));
        text.remove_prefix(length);
    }
    return lines;
}

// The lines of one version as the hunks see them: a few lines of the common beginning, the middle, a few lines of
// the common end; `before` whole lines of the file come before the first of them.
struct HunkLines {
    std::vector<std::string_view> older;
    std::vector<std::string_view> newer;
    std::size_t before = 0;
};

std::size_t rangeStart(std::size_t before, std::size_t begin, std::size_t count) {
    return before + begin + (count > 0 ? 1 : 0);
}

std::vector<Hunk> hunksOf(const HunkLines& lines, std::vector<Change> changes, std::size_t context) {
    std::vector<Hunk> hunks;
    for (std::size_t first = 0; first < changes.size();) {
        std::size_t last = first;
        while (last + 1 < changes.size() && changes[last + 1].olderBegin - changes[last].olderEnd <= 2 * context)
            ++last;
        const std::size_t lead = std::min(context, changes[first].olderBegin);
        const std::size_t trail = std::min(context, lines.older.size() - changes[last].olderEnd);
        Hunk hunk;
        std::size_t i = changes[first].olderBegin - lead;
        std::size_t j = changes[first].newerBegin - lead;
        const std::size_t olderBegin = i;
        const std::size_t newerBegin = j;
        for (std::size_t c = first; c <= last; ++c) {
            for (; i < changes[c].olderBegin; ++i, ++j)
                hunk.lines.push_back({LineChange::Same, std::string(lines.older[i])});
            for (; i < changes[c].olderEnd; ++i)
                hunk.lines.push_back({LineChange::Removed, std::string(lines.older[i])});
            for (; j < changes[c].newerEnd; ++j)
                hunk.lines.push_back({LineChange::Added, std::string(lines.newer[j])});
        }
        for (const std::size_t end = i + trail; i < end; ++i, ++j)
            hunk.lines.push_back({LineChange::Same, std::string(lines.older[i])});
        hunk.olderCount = i - olderBegin;
        hunk.newerCount = j - newerBegin;
        hunk.olderStart = rangeStart(lines.before, olderBegin, hunk.olderCount);
        hunk.newerStart = rangeStart(lines.before, newerBegin, hunk.newerCount);
        hunks.push_back(std::move(hunk));
        first = last + 1;
    }
    return hunks;
}

void appendRange(std::string& out, std::size_t start, std::size_t count) {
    out += std::to_string(start);
    if (count != 1)
        out += ',' + std::to_string(count);
}

} // namespace

std::string_view lineText(const DiffLine& line) {
    std::string_view text = line.bytes;
    if (text.ends_with('\n'))
        text.remove_suffix(1);
    if (text.ends_with('\r'))
        text.remove_suffix(1);
    return text;
}

bool lacksLineEnd(const DiffLine& line) {
    return !line.bytes.ends_with('\n');
}

FileDiff diffLines(std::string_view older, std::string_view newer, std::size_t context) {
    const Trimmed trimmed = trim(older, newer);
    Compared compared = compare(trimmed.olderMiddle, trimmed.newerMiddle);
    FileDiff diff;
    diff.counts = countsOf(compared.script);
    if (diff.counts.same())
        return diff;

    HunkLines lines;
    const std::vector<std::string_view> head = lastLines(trimmed.head, context);
    const std::vector<std::string_view> tail = firstLines(trimmed.tail, context);
    lines.before = static_cast<std::size_t>(std::count(trimmed.head.begin(), trimmed.head.end(), '\n')) - head.size();
    for (auto* side : {&lines.older, &lines.newer})
        side->assign(head.begin(), head.end());
    lines.older.insert(lines.older.end(), compared.older.begin(), compared.older.end());
    lines.newer.insert(lines.newer.end(), compared.newer.begin(), compared.newer.end());
    for (auto* side : {&lines.older, &lines.newer})
        side->insert(side->end(), tail.begin(), tail.end());

    Script whole;
    whole.add(LineChange::Same, head.size());
    for (const Run& run : compared.script.runs())
        whole.add(run.change, run.count);
    whole.add(LineChange::Same, tail.size());
    diff.hunks = hunksOf(lines, changesOf(whole), context);
    return diff;
}

DiffCounts countChanges(std::string_view older, std::string_view newer) {
    const Trimmed trimmed = trim(older, newer);
    return countsOf(compare(trimmed.olderMiddle, trimmed.newerMiddle).script);
}

std::string unifiedDiff(const FileDiff& diff, std::string_view olderLabel, std::string_view newerLabel) {
    if (diff.hunks.empty())
        return {};
    std::string out;
    out.append("--- ").append(olderLabel).append("\n+++ ").append(newerLabel).append("\n");
    for (const Hunk& hunk : diff.hunks) {
        out += "@@ -";
        appendRange(out, hunk.olderStart, hunk.olderCount);
        out += " +";
        appendRange(out, hunk.newerStart, hunk.newerCount);
        out += " @@\n";
        for (const DiffLine& line : hunk.lines) {
            out += static_cast<char>(line.change);
            out += line.bytes;
            if (lacksLineEnd(line))
                out += "\n\\ No newline at end of file\n";
        }
    }
    return out;
}

} // namespace textdiff
