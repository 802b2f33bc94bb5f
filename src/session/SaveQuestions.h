#pragma once

#include "config/ServerSettings.h"

#include <optional>
#include <string>
#include <vector>

class Configuration;
class QWidget;

// The questions of a save and a load, asked of the user in message boxes, about what the configuration found on
// disk: files changed by someone else, files that could not be read, settings changed on both sides, and what a
// save cut short left behind.
namespace savequestions {

// What a save is to do about files changed on disk by someone else, or that could not be read.
enum class SaveCheck { Save, Reload, Cancel };

// A glym30.ini that could not be read as settings holds what the window does not: it is replaced only when the
// user says so (its content is then kept as its backup). False: save nothing.
bool replaceUnusableSettingsFile(QWidget* parent, Configuration& configuration);

// Notes the files a save would write as they are now, and asks about any that someone else changed, created or
// deleted since they were read (its Show changes shows their change and the window's side by side, and takes the
// answer there too), and any rule file that could not be read.
SaveCheck checkFilesBeforeSave(QWidget* parent, Configuration& configuration);

// Settings changed both here and in glym30.ini since it was read: asks which value stays. Nothing: save nothing.
// GlymError when glym30.ini cannot be read now.
std::optional<ConflictChoice> resolveSettingConflicts(QWidget* parent, const Configuration& configuration);

// A save as a window makes it, one at a time in the directory (two windows, the command line: the lock is held
// from the check of the files to the last replacement): the files checked and asked about, the settings changed on
// both sides settled, then the files written. A file that changes on disk between the check and its replacement
// stops the save with nothing changed, and the check asks again. Errors are shown. notes: what the writes had to do
// differently. The history records the save with the comment.
enum class SaveEnd { Saved, NotSaved, Reload };
SaveEnd save(QWidget* parent, Configuration& configuration, const std::string& directory,
             std::vector<std::string>& notes, const std::string& comment = {});

// What a save cut short left beside the files: a backup moved aside goes back to its name at once; the rest is
// offered for removal, except a file that may be the only copy of something. What stays is noted in the findings.
void tidyLeftovers(QWidget* parent, Configuration& configuration);

} // namespace savequestions
