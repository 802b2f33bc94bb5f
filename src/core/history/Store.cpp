#include "history/Store.h"

#include "common/Error.h"
#include "common/FileIo.h"
#include "history/ContentId.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <pwd.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace history {

namespace {

namespace fs = std::filesystem;

std::string reasonOf(int error) {
    return std::strerror(error);
}

// The entries of a directory; nothing when it does not exist. GlymError when it cannot be read.
std::vector<std::string> entriesOf(const std::string& directory) {
    std::vector<std::string> names;
    std::error_code error;
    fs::directory_iterator entry(directory, error);
    if (error == std::errc::no_such_file_or_directory)
        return names;
    for (; !error && entry != fs::directory_iterator(); entry.increment(error))
        names.push_back(entry->path().filename().string());
    if (error)
        throw GlymError("Cannot read the history in " + directory + ": " + error.message());
    return names;
}

// Makes the directory and those above it that are missing, with mode (narrowed by the umask).
void makeDirectory(const std::string& path, mode_t mode) {
    if (::mkdir(path.c_str(), mode) == 0)
        return;
    if (errno == ENOENT && path != directoryOf(path)) {
        makeDirectory(directoryOf(path), 0700);
        if (::mkdir(path.c_str(), mode) == 0 || errno == EEXIST)
            return;
    }
    const int error = errno;
    struct stat info {};
    if (error == EEXIST && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        return;
    throw GlymError("Cannot make the history folder " + path + ": " + reasonOf(error == EEXIST ? ENOTDIR : error));
}

std::string withoutLineBreaks(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    return text;
}

// A folder name made of the directory's last part: letters, digits, ".", "_" and "-"; anything else "_".
std::string readableName(const std::string& directory) {
    std::string name = baseNameOf(directory);
    if (name.empty() || name == "/")
        name = "root";
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '_' && c != '-')
            c = '_';
    return name.substr(0, 64);
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// A content's bytes under its name: written beside it and renamed into place, so that the name never holds part of
// them, but not flushed to the disk (a flush per file was most of what recording cost): the generation that names
// them is written after them and flushed, and the file system writes them out with it or soon after. A content a
// crash loses all the same is found by its size or hash when it is read, and written again by the next save that
// holds it (see storeContent).
void writeContentUnflushed(const std::string& path, std::string_view bytes) {
    const std::string temporary = path + ".part" + std::to_string(::getpid());
    auto failed = [&](int error) {
        ::unlink(temporary.c_str());
        throw GlymError("Unable to write to " + path + ": " + reasonOf(error));
    };
    FileDescriptor fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666));
    if (fd.get() < 0)
        failed(errno);
    if (!writeAll(fd.get(), bytes) || ::close(fd.release()) != 0 || ::rename(temporary.c_str(), path.c_str()) != 0)
        failed(errno);
}

std::string resolved(const std::string& directory) {
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(directory.c_str(), nullptr), &std::free);
    if (real)
        return real.get();
    std::error_code error;
    return fs::absolute(directory, error).lexically_normal().string();
}

} // namespace

std::string defaultUserRoot() {
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && state[0] == '/')
        return std::string(state) + "/glymconf/history";
    std::string home;
    if (const char* variable = std::getenv("HOME"); variable && variable[0] == '/') {
        home = variable;
    } else {
        struct passwd entry {};
        struct passwd* found = nullptr;
        std::vector<char> buffer(16384);
        if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found)
            home = found->pw_dir;
    }
    return home.empty() ? std::string() : home + "/.local/state/glymconf/history";
}

std::string storeDirectory(const Place& place, const std::string& configurationDirectory) {
    const std::string beside = pathInDirectory(configurationDirectory, kBesideFolder);
    struct stat info {};
    if (place.besideFiles || (::stat(beside.c_str(), &info) == 0 && S_ISDIR(info.st_mode)))
        return beside;
    if (place.userRoot.empty())
        return {};
    const std::string path = resolved(configurationDirectory);
    return place.userRoot + "/" + readableName(path) + "-" + contentId(path).substr(0, 16);
}

std::string currentUser() {
    struct passwd entry {};
    struct passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_name[0])
        return found->pw_name;
    if (const char* user = std::getenv("USER"); user && user[0])
        return user;
    return std::to_string(::geteuid());
}

std::string currentHost() {
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return "localhost";
    return name;
}

Store::Store(std::string directory) : directory_(std::move(directory)) {}

std::string Store::generationPath(unsigned number) const {
    std::string digits = std::to_string(number);
    if (digits.size() < 8)
        digits.insert(0, 8 - digits.size(), '0');
    return directory_ + "/generations/" + digits;
}

std::string Store::contentPath(const std::string& id) const {
    return directory_ + "/blobs/" + id;
}

std::vector<unsigned> Store::numbers() const {
    std::vector<unsigned> found;
    for (const std::string& name : entriesOf(directory_ + "/generations")) {
        unsigned number = 0;
        const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), number);
        if (error == std::errc() && end == name.data() + name.size() && number > 0 &&
            name.find_first_not_of("0123456789") == std::string::npos)
            found.push_back(number);
    }
    std::sort(found.begin(), found.end());
    return found;
}

Generation Store::read(unsigned number) const {
    const std::string path = generationPath(number);
    const std::string text = readWholeFile(path); // its error names the file
    try {
        Generation generation = parseGeneration(text);
        if (generation.number != number)
            throw GlymError("it holds generation " + std::to_string(generation.number));
        return generation;
    } catch (const GlymError& error) {
        throw GlymError(path + ": " + error.what());
    }
}

Listing Store::list() const {
    Listing listing;
    const std::vector<unsigned> all = numbers();
    for (auto number = all.rbegin(); number != all.rend(); ++number) {
        try {
            listing.generations.push_back(read(*number));
        } catch (const GlymError& error) {
            listing.problems.push_back(error.what());
        }
    }
    return listing;
}

Generation Store::generation(unsigned number) const {
    const std::vector<unsigned> all = numbers();
    if (!std::binary_search(all.begin(), all.end(), number))
        throw GlymError("There is no generation " + std::to_string(number) + " in " + directory_ + ".");
    return read(number);
}

std::optional<Generation> Store::newest() const {
    const std::vector<unsigned> all = numbers();
    for (auto number = all.rbegin(); number != all.rend(); ++number) {
        try {
            return read(*number);
        } catch (const GlymError&) {
            // an older one, then
        }
    }
    return std::nullopt;
}

std::string Store::readContent(const GenerationFile& file) const {
    const std::string path = contentPath(file.content);
    std::string bytes = readWholeFile(path);
    if (bytes.size() != file.size || contentId(bytes) != file.content)
        throw GlymError(path + ": the content is damaged (it is not what was stored as " + file.name + ")");
    return bytes;
}

Snapshot Store::files(const Generation& generation) const {
    Snapshot files;
    for (const GenerationFile& file : generation.files) {
        SnapshotFile& snapshot = files.emplace_back(SnapshotFile{file.role, file.name, std::nullopt});
        if (!file.content.empty())
            snapshot.bytes = readContent(file);
    }
    return files;
}

void Store::makeDirectories() const {
    mode_t mode = 0700;
    if (baseNameOf(directory_) == kBesideFolder) {
        // Beside the files, the administrators of the directory may look too; others never.
        struct stat parent {};
        if (::stat(directoryOf(directory_).c_str(), &parent) == 0)
            mode |= parent.st_mode & 0070;
    }
    makeDirectory(directory_, mode);
    makeDirectory(directory_ + "/generations", mode);
    makeDirectory(directory_ + "/blobs", mode);
}

// A content is written once: one already stored under its id stays, unless it is damaged (then it is written
// again, repaired).
void Store::storeContent(const std::string& id, const std::string& bytes) const {
    const std::string path = contentPath(id);
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        static_cast<std::uint64_t>(info.st_size) == bytes.size()) {
        try {
            if (readWholeFile(path) == bytes)
                return;
        } catch (const GlymError&) {
            // written again below
        }
    }
    writeContentUnflushed(path, bytes);
}

GenerationFile Store::recorded(const SnapshotFile& file, const std::optional<Generation>& previous,
                               std::vector<std::string>& problems) const {
    GenerationFile entry{file.role, file.name, {}, 0, {}};
    if (file.bytes) {
        entry.content = contentId(*file.bytes);
        entry.size = file.bytes->size();
        storeContent(entry.content, *file.bytes);
    }
    const GenerationFile* before = nullptr;
    if (previous)
        for (const GenerationFile& candidate : previous->files)
            if (candidate.role == file.role)
                before = &candidate;
    if (before && before->content == entry.content)
        return entry;
    // Only counted: the size check is enough here (a restore or a diff checks the whole content).
    std::string older;
    try {
        if (before && !before->content.empty()) {
            older = readWholeFile(contentPath(before->content));
            if (older.size() != before->size)
                throw GlymError(contentPath(before->content) +
                                ": the content is damaged (it is not what was stored as " + before->name + ")");
        }
    } catch (const GlymError& error) {
        problems.push_back(error.what()); // counted against nothing, then
    }
    entry.change = textdiff::countChanges(older, file.bytes.value_or(std::string()));
    return entry;
}

Store::Recorded Store::record(const Snapshot& files, const std::string& comment, std::size_t keep) {
    makeDirectories();
    const SaveLock lock(directory_);
    Recorded result;
    const std::vector<unsigned> existing = numbers();
    std::optional<Generation> previous;
    for (auto number = existing.rbegin(); number != existing.rend() && !previous; ++number) {
        try {
            previous = read(*number);
        } catch (const GlymError& error) {
            result.problems.push_back(error.what());
        }
    }
    Generation& generation = result.generation;
    generation.number = existing.empty() ? 1 : existing.back() + 1;
    generation.time = static_cast<std::int64_t>(std::time(nullptr));
    generation.user = currentUser();
    generation.host = currentHost();
    generation.comment = withoutLineBreaks(comment);
    for (const SnapshotFile& file : files)
        generation.files.push_back(recorded(file, previous, result.problems));
    writeFileAtomically(generationPath(generation.number), formatGeneration(generation));
    prune(keep, result.problems);
    // A generation that cannot be read is told once, however often it was met.
    std::vector<std::string> told;
    for (std::string& problem : result.problems)
        if (std::find(told.begin(), told.end(), problem) == told.end())
            told.push_back(std::move(problem));
    result.problems = std::move(told);
    return result;
}

// The oldest generations beyond keep go, and the contents the others do not hold. While a generation cannot be
// read, no content goes: it may be one of its.
void Store::prune(std::size_t keep, std::vector<std::string>& problems) const {
    const std::vector<unsigned> all = numbers();
    if (all.size() <= std::max<std::size_t>(keep, 1))
        return;
    const std::size_t gone = all.size() - std::max<std::size_t>(keep, 1);
    for (std::size_t i = 0; i < gone; ++i)
        if (::unlink(generationPath(all[i]).c_str()) != 0 && errno != ENOENT)
            problems.push_back("Cannot remove " + generationPath(all[i]) + ": " + reasonOf(errno));
    std::set<std::string> held;
    for (std::size_t i = gone; i < all.size(); ++i) {
        try {
            for (const GenerationFile& file : read(all[i]).files)
                held.insert(file.content);
        } catch (const GlymError& error) {
            problems.push_back(error.what());
            return;
        }
    }
    for (const std::string& name : entriesOf(directory_ + "/blobs"))
        if (!held.contains(name) && ::unlink(contentPath(name).c_str()) != 0 && errno != ENOENT)
            problems.push_back("Cannot remove " + contentPath(name) + ": " + reasonOf(errno));
}

} // namespace history
