// The pieces a new name is built from: a file name's stem and own ending, and the number text.
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

/// The number text of running number `number` (1-based) among `count` files for the addition
/// "-" (none), "1" (plain decimal) or "01" (zero-padded to the digit count of `count`, at least
/// two digits). Any other addition gives no number.
QString additionText(const QString& addition, qsizetype number, qsizetype count);

} // namespace naming
