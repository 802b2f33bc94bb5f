#pragma once

#include <optional>
#include <string>
#include <string_view>

// The proxy's files are 8-bit text in the Windows-1251 code page. These helpers are the only place that
// knows that code page: its mapping to Unicode and its letter case.
namespace cp1251 {

// The Unicode code point of a byte. Every byte maps to a code point and back, so no byte is ever lost:
// the one byte the code page leaves undefined (0x98) maps to the C1 control U+0098.
char16_t toUnicode(unsigned char byte);

// The byte of a code point, or nothing when the code page cannot hold it.
std::optional<unsigned char> fromUnicode(char16_t codePoint);

// Lower-case form of a byte: Latin A-Z and the Cyrillic capitals of the code page; other bytes unchanged.
unsigned char foldCase(unsigned char byte);
std::string foldCase(std::string_view text);

// Equality ignoring letter case (Latin and Cyrillic), as Windows compares names.
bool equalsIgnoreCase(std::string_view a, std::string_view b);

// Whether the bytes are UTF-16 text (with or without its byte-order mark) rather than 8-bit text: they start with
// a UTF-16 byte-order mark, or NUL bytes, which no 8-bit text file holds, make up about every second byte.
bool looksLikeUtf16(std::string_view bytes);

} // namespace cp1251
