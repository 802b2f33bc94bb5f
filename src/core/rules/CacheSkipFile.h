#pragma once

#include "common/Findings.h"

#include <string>
#include <string_view>
#include <vector>

// The cache-skip rules: "SD" (Cache Denied), "SA" (Cache Access) and "BR" (Code Blocking) lines of the
// cache-skip rules file, each with a URL or code and a comment.

// The rule lines of the file, as they stand in it (untrimmed, every field kept); lines of other tags are left out
// and reported to findings, when given. A missing file (or no name) gives none; a file that exists but cannot be
// read (a named pipe, a directory) is an error.
std::vector<std::string> loadCacheSkipLines(const std::string& path, LoadFindings* findings = nullptr);

// True for the three tags of the cache-skip rules (compared exactly, after trimming).
bool isCacheSkipTag(std::string_view tag);
