#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// IPv4 addresses and masks as the network rules ("GD" lines) hold them: dotted form, four decimal numbers from 0
// to 255 joined by ".", each of one to three digits without leading zeros ("010" is refused: some readers take it
// for an octal 8). Blanks around the whole do not count, as the rule files trim their fields (TrimField); nothing else
// may stand there.

// The address's value (the first number in the highest byte), or nothing when the text is not in dotted form.
std::optional<std::uint32_t> parseIpv4(std::string_view text);

// The dotted form of a value.
std::string formatIpv4(std::uint32_t value);

// A network written as address and prefix length, "192.168.1.0/24": the address as written (trimmed) and the
// mask of the prefix in dotted form ("255.255.255.0"). Nothing when the text is not that form (the address in
// dotted form, "/", a length from 0 to 32).
struct Ipv4Network {
    std::string address;
    std::string mask;
};
std::optional<Ipv4Network> splitCidr(std::string_view text);
