#pragma once

#include <string>
#include <string_view>
#include <vector>

// The cache-skip rules: "SD" (Cache Denied), "SA" (Cache Access) and "BR" (Code Blocking) lines of the
// cache-skip rules file, each with a URL or code and a comment.

// The rule lines of the file, as they stand in it (untrimmed, every field kept); lines of other tags are left out.
// A missing file (or no name) gives none.
std::vector<std::string> LoadCacheSkipLines(const std::string& path);

// True for the three tags of the cache-skip rules (compared exactly, after trimming).
bool IsCacheSkipTag(std::string_view tag);
