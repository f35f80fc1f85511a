// The pieces of a current name that a new name keeps: its stem and its own ending.
#pragma once

#include <QString>

namespace naming {

/// Characters from the last "." of `name` to its end; 0 when `name` has no dot.
qsizetype endingLength(QStringView name);

/// `name` without its own ending: everything before the last dot, or all of it without a dot.
/// A view into `name`.
QStringView stem(QStringView name);

/// The last dot of `name` and everything after it; empty without a dot. A view into `name`.
QStringView ownEnding(QStringView name);

} // namespace naming
