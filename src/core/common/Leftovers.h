#pragma once

#include <string>
#include <vector>

// What a save cut short (a crash, a power cut, a kill) may leave beside a file it was replacing, named after it:
// the temporary file with the new content ("access.txt.Xy3k9Q"), the previous backup moved aside while the old
// content became the backup ("access.txt.Xy3k9Q.bak"), and the copy of the old content made to write the file in
// place (".access.txt.old-Xy3k9Q"). The random part is six letters and digits, the first a capital or a digit, so
// that a name of the user's such as "access.txt.backup" is never taken for a leftover.
struct Leftover {
    enum class Kind { Temporary, AsideBackup, SafetyCopy };
    Kind kind;
    std::string path; // the leftover, in the directory of its file
    std::string file; // the file it was left by, as given
    // Whether removing it loses nothing: a temporary file (its file is whole) or a backup older than the file's
    // backup, or a copy whose content the file or its backup holds as well. Anything else may be the only copy of
    // something and is never offered for removal.
    bool removable = false;
};

// The leftovers beside each of the files (two names of one file count once).
std::vector<Leftover> findLeftovers(const std::vector<std::string>& files);

// A previous backup moved aside while "<file>.bak" is missing goes back to its name. Returns the backups put back
// and takes their leftovers off the list.
std::vector<std::string> putBackStrandedBackups(std::vector<Leftover>& leftovers);

// Removes the removable leftovers. Returns a sentence for each one that could not be removed.
std::vector<std::string> removeLeftovers(const std::vector<Leftover>& leftovers);

// What it is, to follow its name: "is left over from a save that was cut short (the new content that access.txt
// never received)".
std::string whatItIs(const Leftover& leftover);
