// The last step of a preview: the user gives an individual name to every repeated new name.
#pragma once

#include <QStringList>
#include <optional>

namespace platform {
class NewNameList;
class Progress;
} // namespace platform

namespace naming {

/// Asks, row by row in list order, for an individual name for the earlier entry of every equal
/// pair in `names` (the first k - 1 of a group of k), until no two entries are equal: each row
/// highlighted on `list` before it is asked about, each answer told to `list` as it comes. Returns
/// the settled names, with `progress` back at 0; std::nullopt when the user gave up or a stop was
/// requested (platform::stopRequested), with `progress` left at its last value.
std::optional<QStringList> ResolveDuplicateNames(QStringList names, platform::NewNameList& list,
                                                 platform::Progress& progress);

} // namespace naming
