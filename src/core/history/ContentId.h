#pragma once

#include <string>
#include <string_view>

namespace history {

// The name a content is stored under: its SHA-256, 64 lower-case hexadecimal digits. Equal contents get equal
// names, so a content is stored once however many generations hold it.
std::string contentId(std::string_view bytes);

// Whether text has the form of such a name.
bool isContentId(std::string_view text);

} // namespace history
