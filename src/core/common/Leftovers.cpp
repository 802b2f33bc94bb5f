#include "common/Leftovers.h"

#include "common/FileIo.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <memory>
#include <optional>
#include <set>
#include <string_view>

namespace {

constexpr std::size_t kRandomLength = 6;

// The six letters and digits of the writer's random names, the first a capital or a digit.
bool isRandomPart(std::string_view text) {
    auto capitalOrDigit = [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    };
    return text.size() == kRandomLength && capitalOrDigit(text[0]) &&
           std::all_of(text.begin(), text.end(), [&](char c) { return capitalOrDigit(c) || (c >= 'a' && c <= 'z'); });
}

// What kind of leftover of the file named base an entry of its directory is, if any.
std::optional<Leftover::Kind> kindOf(std::string_view entry, std::string_view base) {
    if (entry.starts_with(".") && entry.substr(1).starts_with(base) &&
        entry.substr(1 + base.size()).starts_with(".old-"))
        return isRandomPart(entry.substr(1 + base.size() + 5)) ? std::optional(Leftover::Kind::SafetyCopy)
                                                               : std::nullopt;
    if (!entry.starts_with(base) || entry.size() <= base.size() || entry[base.size()] != '.')
        return std::nullopt;
    std::string_view rest = entry.substr(base.size() + 1);
    if (rest.ends_with(".bak") && isRandomPart(rest.substr(0, rest.size() - 4)))
        return Leftover::Kind::AsideBackup;
    return isRandomPart(rest) ? std::optional(Leftover::Kind::Temporary) : std::nullopt;
}

std::optional<std::string> contentOf(const std::string& path) {
    try {
        return readWholeFileIfPresent(path);
    } catch (...) {
        return std::nullopt;
    }
}

// A copy of the old content may be the only one left when the write in place was cut short.
bool heldElsewhere(const std::string& copy, const std::string& file) {
    const std::optional<std::string> content = contentOf(copy);
    return content && (content == contentOf(file) || content == contentOf(file + ".bak"));
}

} // namespace

std::vector<Leftover> findLeftovers(const std::vector<std::string>& files) {
    std::vector<Leftover> found;
    std::set<std::string> seen; // identities of the files looked beside
    for (const std::string& file : files) {
        if (file.empty() || !seen.insert(fileIdentity(file)).second)
            continue;
        const std::string directory = directoryOf(file);
        const std::string base = baseNameOf(file);
        std::unique_ptr<DIR, int (*)(DIR*)> entries(::opendir(directory.c_str()), &::closedir);
        if (!entries)
            continue;
        std::vector<std::string> names;
        while (const dirent* entry = ::readdir(entries.get()))
            names.emplace_back(entry->d_name);
        std::sort(names.begin(), names.end());
        for (const std::string& name : names) {
            const std::optional<Leftover::Kind> kind = kindOf(name, base);
            if (!kind)
                continue;
            Leftover leftover{*kind, directory + "/" + name, file};
            leftover.removable = *kind != Leftover::Kind::SafetyCopy || heldElsewhere(leftover.path, file);
            found.push_back(std::move(leftover));
        }
    }
    return found;
}

std::vector<std::string> putBackStrandedBackups(std::vector<Leftover>& leftovers) {
    std::vector<std::string> said;
    std::erase_if(leftovers, [&said](const Leftover& leftover) {
        const std::string backup = leftover.file + ".bak";
        if (leftover.kind != Leftover::Kind::AsideBackup || fileExists(backup) ||
            std::rename(leftover.path.c_str(), backup.c_str()) != 0)
            return false;
        said.push_back(backup);
        return true;
    });
    return said;
}

std::vector<std::string> removeLeftovers(const std::vector<Leftover>& leftovers) {
    std::vector<std::string> failed;
    for (const Leftover& leftover : leftovers)
        if (leftover.removable && std::remove(leftover.path.c_str()) != 0)
            failed.push_back("Cannot remove " + leftover.path + ": " + std::strerror(errno) + ".");
    return failed;
}

std::string whatItIs(const Leftover& leftover) {
    std::string what;
    switch (leftover.kind) {
    case Leftover::Kind::Temporary:
        what = "the new content that " + leftover.file + " never received";
        break;
    case Leftover::Kind::AsideBackup:
        what = fileExists(leftover.file + ".bak")
                   ? "a backup of " + leftover.file + " older than " + leftover.file + ".bak"
                   : "the backup of " + leftover.file + ", which the configurator puts back as " + leftover.file +
                         ".bak when it starts";
        break;
    case Leftover::Kind::SafetyCopy:
        what = leftover.removable ? "a copy of " + leftover.file + " that it holds as well"
                                  : "the only copy of the previous content of " + leftover.file + ": keep it";
        break;
    }
    return "is left over from a save that was cut short (" + what + ")";
}
