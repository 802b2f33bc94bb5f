#pragma once

#include "access/RuleEditor.h"

// The per-group rule kinds with many lines per group, each described once for the common editor pattern.
namespace accesskinds {

const ListRuleKind& networks(); // "GD" lines in LNetwork, edited with TFNet
const ListRuleKind& hosts();    // "CD" lines in LHost, edited with TFGroupName retitled

} // namespace accesskinds
