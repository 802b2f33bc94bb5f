#pragma once

#include "history/Generation.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The history of a configuration directory: a generation for every save, each a small text naming the content of
// every file, and the contents themselves stored once each, under their id:
//
//   <store>/generations/00000012   the generation's text (see formatGeneration)
//   <store>/blobs/<content id>     a file's bytes, as they were
//   <store>/directory              the configuration directory it belongs to, for whoever looks inside
//
// The contents are written first, each under a temporary name renamed into place but not flushed one by one; then
// the generation that names them, with writeFileAtomically (flushed). A save cut short leaves at most a content no
// generation names (removed at the next pruning); a content a crash loses is found by its hash and written again
// by the next save that holds it.
namespace history {

// Where a configuration's history lives.
struct Place {
    // The user's folder of histories, one store in it for each configuration directory (see storeDirectory).
    std::string userRoot;
    // Keep the history beside glym30.ini, in its folder ".glymconf-history", instead. A configuration directory that
    // has that folder keeps its history there in any case, so that every program working on it finds the same one.
    bool besideFiles = false;
    // How many generations are kept: the oldest go when a save makes more (at least one stays).
    std::size_t keep = 200;
};

inline constexpr std::string_view kBesideFolder = ".glymconf-history";

// $XDG_STATE_HOME/glymconf/history, or ~/.local/state/glymconf/history (the home from $HOME, else from the user's
// account).
std::string defaultUserRoot();

// The store of the configuration in configurationDirectory: its ".glymconf-history" when it has that folder or
// place.besideFiles asks for it, else a folder of place.userRoot named for the directory's resolved path, by its last
// part and a hash of the whole ("glym-3f2a9c0e5b7d1a24"). Empty when neither applies (no user root).
std::string storeDirectory(const Place& place, const std::string& configurationDirectory);

struct Listing {
    std::vector<Generation> generations; // newest first
    std::vector<std::string> problems;   // "<file>: <what is wrong>", for each generation that could not be read
};

class Store {
public:
    explicit Store(std::string directory);
    const std::string& directory() const { return directory_; }

    // Every generation, newest first; a store not made yet has none. GlymError when the store cannot be read.
    Listing list() const;
    // The generation of that number. GlymError "There is no generation 7 in <store>." or, for one that cannot be
    // read, "<file>: <what is wrong>".
    Generation generation(unsigned number) const;
    // The newest generation that can be read; nothing when there is none.
    std::optional<Generation> newest() const;
    // The files of a generation with their bytes. GlymError when a content is missing or is not what was stored.
    Snapshot files(const Generation& generation) const;

    // Records the files as the newest generation, then removes the generations beyond the newest `keep` and every
    // content none of the others holds. Makes the store first when it does not exist: readable by its user only,
    // or, beside the files, by the configuration directory's group too. Saves of this program record one at a
    // time. GlymError when nothing could be recorded; what went wrong without stopping it (a generation that could
    // not be read and was left out) comes back as problems.
    struct Recorded {
        Generation generation;
        std::vector<std::string> problems;
    };
    Recorded record(const Snapshot& files, const std::string& comment, std::size_t keep);

private:
    std::vector<unsigned> numbers() const; // of the generations' files, oldest first
    std::string generationPath(unsigned number) const;
    std::string contentPath(const std::string& id) const;
    Generation read(unsigned number) const;
    std::string readContent(const GenerationFile& file) const;
    void makeDirectories() const;
    void storeContent(const std::string& id, const std::string& bytes) const;
    GenerationFile recorded(const SnapshotFile& file, const std::optional<Generation>& previous,
                            std::vector<std::string>& problems) const;
    void prune(std::size_t keep, std::vector<std::string>& problems) const;

    std::string directory_;
};

// Who saves, as a generation names them: the account's name, else $USER, else the user's number.
std::string currentUser();
// The machine's name (gethostname).
std::string currentHost();

} // namespace history
