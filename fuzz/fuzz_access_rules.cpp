// The access rules file of any content: loaded, saved and loaded again, the group records are equal; saved
// again, the file is the same and the backup holds the previous save.

#include "FuzzSupport.h"
#include "rules/Proxyusers.h"
#include "rules/RulesFile.h"

#include <string>
#include <vector>

namespace {

std::vector<std::string> texts(const RuleLines& lines) {
    std::vector<std::string> result;
    for (const auto& entry : lines)
        result.push_back(entry.text);
    return result;
}

bool sameRecord(const TProxyUsers& a, const TProxyUsers& b) {
    return a.GroupNumber == b.GroupNumber && a.GroupLine == b.GroupLine &&
           texts(a.NetworkRules) == texts(b.NetworkRules) && texts(a.HostRules) == texts(b.HostRules) &&
           texts(a.UrlRules) == texts(b.UrlRules) && texts(a.WordRules) == texts(b.WordRules) &&
           texts(a.TimeRules) == texts(b.TimeRules) && texts(a.PortAccessRules) == texts(b.PortAccessRules) &&
           texts(a.PortBlockRules) == texts(b.PortBlockRules) && a.LimitRule == b.LimitRule &&
           a.SpeedRule == b.SpeedRule && a.InputAuthRule == b.InputAuthRule && a.OutputAuthRule == b.OutputAuthRule;
}

void checkSameGroups(const GroupTable& a, const GroupTable& b) {
    for (int group = 0; group < GroupTable::kSlotCount; ++group) {
        const TProxyUsers* left = a.find(group);
        const TProxyUsers* right = b.find(group);
        FUZZ_CHECK((left == nullptr) == (right == nullptr), "group " + std::to_string(group));
        FUZZ_CHECK(left == nullptr || sameRecord(*left, *right), "group " + std::to_string(group));
    }
}

void save(const std::string& path, const GroupTable& groups) {
    SaveRuleFiles({path, "", ""}, groups, {}, {}, {});
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzzsupport::ScratchDirectory scratch;
    const std::string input = scratch.file("input.txt");
    const std::string saved = scratch.file("access.txt");
    fuzzsupport::writeFile(input, std::string(reinterpret_cast<const char*>(data), size));

    GroupTable loaded;
    LoadAccessRules(input, loaded);
    FUZZ_CHECK(loaded.exists(0));
    save(saved, loaded);

    GroupTable reloaded;
    LoadAccessRules(saved, reloaded);
    checkSameGroups(loaded, reloaded);

    const std::string first = fuzzsupport::readFile(saved);
    save(saved, reloaded);
    FUZZ_CHECK(fuzzsupport::readFile(saved) == first);
    FUZZ_CHECK(fuzzsupport::readFile(saved + ".bak") == first);
    return 0;
}
