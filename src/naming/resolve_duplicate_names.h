// The last step of a preview: the user gives an individual name to every repeated new name.
#pragma once

#include "naming/build_new_names.h"

namespace naming {

/// Asks, row by row in list order, for an individual name for the earlier entry of every equal
/// pair in lstNew (the first k - 1 of a group of k), until no two entries are equal. Returns true
/// when done, with prb1 back at 0; false when the user gave up or a stop was requested
/// (platform::stopRequested), with lstNew empty and prb1 left at its last value.
bool ResolveDuplicateNames(const NamingContext& context);

} // namespace naming
