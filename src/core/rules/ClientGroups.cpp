#include "rules/ClientGroups.h"

#include "common/Cp1251.h"
#include "rules/Ipv4.h"
#include "rules/Strings.h"

#include <algorithm>

ClientGroups::ClientGroups(const GroupTable& groups) {
    for (int group = 0; group < GroupTable::kSlotCount; ++group) {
        const TProxyUsers* record = groups.find(group);
        if (record == nullptr)
            continue;
        setName(group, std::string(TrimField(ruleField(record->GroupLine, 2))));
        for (const RuleLines::Entry& network : record->NetworkRules) {
            const auto address = parseIpv4(TrimField(ruleField(network.text, 2)));
            const auto mask = parseIpv4(TrimField(ruleField(network.text, 3)));
            if (address && mask) {
                addNetwork(group, *address, *mask);
            } else if (const auto cidr = splitCidr(ruleField(network.text, 2))) {
                addNetwork(group, parseIpv4(cidr->address).value_or(0), parseIpv4(cidr->mask).value_or(0));
            }
        }
        for (const RuleLines::Entry& host : record->HostRules)
            if (const std::string_view name = TrimField(ruleField(host.text, 2)); !name.empty())
                addHost(group, name);
    }
}

void ClientGroups::addNetwork(int group, std::uint32_t address, std::uint32_t mask) {
    if (std::find(masks_.begin(), masks_.end(), mask) == masks_.end())
        masks_.push_back(mask);
    networks_[networkKey(address, mask)].set(static_cast<std::size_t>(group));
}

void ClientGroups::addHost(int group, std::string_view name) {
    hosts_[cp1251::foldCase(name)].set(static_cast<std::size_t>(group));
}

ClientGroups::GroupSet ClientGroups::groupsOf(std::string_view client) const {
    GroupSet groups;
    if (const auto address = parseIpv4(client)) {
        for (const std::uint32_t mask : masks_)
            if (const auto found = networks_.find(networkKey(*address, mask)); found != networks_.end())
                groups |= found->second;
    }
    if (!hosts_.empty())
        if (const auto found = hosts_.find(cp1251::foldCase(client)); found != hosts_.end())
            groups |= found->second;
    return groups;
}
