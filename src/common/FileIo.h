#pragma once

#include <string>
#include <string_view>
#include <vector>

// Reading and writing whole files. Every file the configurator saves goes through writeFileAtomically.

// True when path names an existing file (a directory does not count).
bool fileExists(const std::string& path);

// The file's bytes. Throws GlymError ("Cannot open file ...") when it cannot be opened or read.
std::string readWholeFile(const std::string& path);

// Text lines as the proxy's files hold them: a line ends at CR, LF or CR LF; a final line end does not
// start another line; every other byte (NUL included) belongs to its line.
std::vector<std::string> splitTextLines(std::string_view bytes);

// The lines, each one ended by CR LF (the last one too). No lines give no bytes.
std::string joinCrLfLines(const std::vector<std::string>& lines);

struct AtomicWriteOptions {
    // Keep the previous content as path + ".bak" (replacing an older backup; a stale backup of a file
    // that no longer exists is deleted).
    bool keepBackup = false;
    // Refuse to replace a file whose write permission is off, even for root: the administrator marked
    // it read-only, as the read-only attribute does on Windows.
    bool refuseWriteProtected = false;
};

// Replaces the file's content with bytes, all or nothing: the bytes go to a temporary file beside it,
// which is flushed to disk and given the permissions of the file it replaces before it takes its name.
// If anything fails, the old file (and its old backup) is untouched and GlymError says
// "Unable to write to <path>: <reason>". A symbolic link is followed: the file it points to is replaced (its backup
// lies beside it) and the link stays; a link to nothing is refused.
void writeFileAtomically(const std::string& path, std::string_view bytes, const AtomicWriteOptions& options = {});
