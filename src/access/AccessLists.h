#pragma once

#include "base/ListDescriptor.h"

#include <span>

// The lists of the page "Permissions": the user groups, and the rules of every kind that a group holds.
namespace accesslists {

const ListDescriptor& groups();   // GroupName: a row per group, its "GN" line
const ListDescriptor& networks(); // LNetwork: "GD" lines, edited with TFNet
const ListDescriptor& hosts();    // LHost: "CD" lines, edited with TFGroupName retitled

// The page "Access".
const ListDescriptor& times();         // LTime: "WT" lines, edited with TFTime
const ListDescriptor& authorization(); // LAuth: a group's "IA" and "OA" lines, edited with TFAuth

// Every list of the page, the ones above and those whose rules cannot be edited yet (they show their columns).
std::span<const ListDescriptor* const> all();

} // namespace accesslists
