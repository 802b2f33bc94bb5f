#include "common/Numbers.h"

#include <limits>

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Parses into the unsigned type of the same width, then checks the range of the signed one.
template <typename Signed> std::optional<Signed> parseInteger(std::string_view text) {
    using Unsigned = std::make_unsigned_t<Signed>;
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';

    bool hex = false;
    if (i < text.size() && text[i] == '$') {
        hex = true;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i == text.size())
        return std::nullopt;

    const Unsigned base = hex ? 16 : 10;
    const Unsigned limit = hex ? std::numeric_limits<Unsigned>::max()
                               : static_cast<Unsigned>(std::numeric_limits<Signed>::max()) + (negative ? 1 : 0);
    Unsigned value = 0;
    for (; i < text.size(); ++i) {
        const int digit = hex ? hexDigit(text[i]) : (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -1);
        if (digit < 0)
            return std::nullopt;
        if (value > (limit - static_cast<Unsigned>(digit)) / base)
            return std::nullopt;
        value = value * base + static_cast<Unsigned>(digit);
    }
    if (negative)
        value = static_cast<Unsigned>(Unsigned{0} - value);
    return static_cast<Signed>(value); // two's complement conversion, defined since C++20
}

} // namespace

std::optional<std::int32_t> parseInt32(std::string_view text) {
    return parseInteger<std::int32_t>(text);
}
std::optional<std::int64_t> parseInt64(std::string_view text) {
    return parseInteger<std::int64_t>(text);
}

std::string notAnIntegerMessage(std::string_view text) {
    return "'" + std::string(text) + "' is not a valid integer value";
}
