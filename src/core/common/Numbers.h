#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Whole numbers as the proxy's files write them, converted the way the configurator always has:
// leading blanks, an optional sign, then decimal digits or a hexadecimal number after "$", "0x" or "0X".
// Anything else (empty text, trailing characters, a value out of range) is not a number.
// Hexadecimal values are bit patterns: "$FFFFFFFF" is -1 as a 32-bit number.
std::optional<std::int32_t> parseInt32(std::string_view text);
std::optional<std::int64_t> parseInt64(std::string_view text);

// The standard message for text that is not a number: 'abc' is not a valid integer value.
std::string notAnIntegerMessage(std::string_view text);
