#pragma once

#include "base/ListDescriptor.h"

#include <span>
#include <string_view>

// The lists of the page "Permissions": the user groups, and the rules of every kind that a group holds.
namespace accesslists {

const ListDescriptor& groups();   // GroupName: a row per group, its "GN" line
const ListDescriptor& networks(); // LNetwork: "GD" lines, edited with TFNet
const ListDescriptor& hosts();    // LHost: "CD" lines, edited with TFGroupName retitled

const ListDescriptor& urls();       // LUrl: "PA" and "PD" lines, edited with TFUrl
const ListDescriptor& words();      // LWord: "BW" lines, edited with TFGroupName retitled
const ListDescriptor& limits();     // LLimit: a group's "TL" line, edited with TFSpeed retitled
const ListDescriptor& speeds();     // LSpeed: a group's "RL" line, edited with TFSpeed
const ListDescriptor& portAccess(); // LPortA: "RP" lines, edited with TFPortA
const ListDescriptor& portBlocks(); // LPortB: "BP" lines, edited with TFPortB

// The page "Access".
const ListDescriptor& times();         // LTime: "WT" lines, edited with TFTime
const ListDescriptor& authorization(); // LAuth: a group's "IA" and "OA" lines, edited with TFAuth

// Every list above.
std::span<const ListDescriptor* const> all();

// The name a group is listed by: the name its "GN" line holds, or "noname" when the line has none (or the group
// has no "GN" line at all).
std::string_view listedGroupName(std::string_view groupLine);

} // namespace accesslists
