#include "rules/Ipv4.h"

#include "rules/Strings.h"

namespace {

// A decimal number of one to three digits without a leading zero, up to max.
std::optional<unsigned> smallNumber(std::string_view text, unsigned max) {
    if (text.empty() || text.size() > 3 || (text.size() > 1 && text.front() == '0'))
        return std::nullopt;
    unsigned value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > max)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<std::uint32_t> parseIpv4(std::string_view text) {
    text = TrimField(text);
    std::uint32_t value = 0;
    for (int part = 0; part < 4; ++part) {
        const std::size_t dot = part < 3 ? text.find('.') : text.size();
        if (dot == std::string_view::npos)
            return std::nullopt;
        const auto number = smallNumber(text.substr(0, dot), 255);
        if (!number)
            return std::nullopt;
        value = value << 8 | *number;
        text.remove_prefix(part < 3 ? dot + 1 : dot);
    }
    return value;
}

std::string formatIpv4(std::uint32_t value) {
    return std::to_string(value >> 24) + '.' + std::to_string(value >> 16 & 0xFF) + '.' +
           std::to_string(value >> 8 & 0xFF) + '.' + std::to_string(value & 0xFF);
}

std::optional<Ipv4Network> splitCidr(std::string_view text) {
    text = TrimField(text);
    const std::size_t slash = text.find('/');
    if (slash == std::string_view::npos)
        return std::nullopt;
    const std::string_view address = TrimField(text.substr(0, slash));
    const auto length = smallNumber(TrimField(text.substr(slash + 1)), 32);
    if (!length || !parseIpv4(address))
        return std::nullopt;
    const std::uint32_t mask = *length == 0 ? 0 : ~std::uint32_t(0) << (32 - *length);
    return Ipv4Network{std::string(address), formatIpv4(mask)};
}
