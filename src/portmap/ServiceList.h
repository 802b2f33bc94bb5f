#pragma once

struct ListDescriptor;

// The manual port-mapping services of the page "Advanced" (RouterRules): row i shows "CR" line i, each field in
// its own column (a line of other than 11 fields shows the fields it has).
const ListDescriptor& manualServiceList();
