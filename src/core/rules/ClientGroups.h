#pragma once

#include "rules/Proxyusers.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Which user groups a client of the connection log belongs to, by the groups' network rules (address and mask,
// "GD") and host rules (a name, "CD"). A client may match several groups: all of them are given, as which one the
// proxy would pick is its own affair.
//
// Nothing loops over the rules per client: the networks are kept by mask, each mask a hash of the network
// addresses under it, so a client costs one look-up per distinct mask (a few dozen at most for masks of prefix
// form), and the hosts are a hash of their names, letter case ignored (Windows-1251).
class ClientGroups {
public:
    using GroupSet = std::bitset<GroupTable::kSlotCount>;

    ClientGroups() = default;
    // The rules of every group of the table; lines that name no valid network are passed over.
    explicit ClientGroups(const GroupTable& groups);

    void addNetwork(int group, std::uint32_t address, std::uint32_t mask);
    void addHost(int group, std::string_view name);
    void setName(int group, std::string name) { names_[static_cast<std::size_t>(group)] = std::move(name); }

    // The groups whose networks hold the client's address (an IPv4 address in dotted form) or whose hosts name it.
    GroupSet groupsOf(std::string_view client) const;
    // The group's name as its "GN" line gives it (Windows-1251), empty without one.
    const std::string& name(int group) const { return names_[static_cast<std::size_t>(group)]; }

private:
    static std::uint64_t networkKey(std::uint32_t address, std::uint32_t mask) {
        return (std::uint64_t{mask} << 32) | (address & mask);
    }

    std::vector<std::uint32_t> masks_; // every distinct mask, once
    std::unordered_map<std::uint64_t, GroupSet> networks_;
    std::unordered_map<std::string, GroupSet> hosts_; // by folded name
    std::array<std::string, GroupTable::kSlotCount> names_;
};
