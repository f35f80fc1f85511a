// The checks a preview makes before it builds anything: the ending's dot and the two warnings.
#pragma once

#include "naming/naming_rule.h"

namespace naming {

/// The ending with a leading "." added when its first character, blank or not, is not one: "mp3"
/// becomes ".mp3", "" becomes ".", " .txt" becomes ". .txt". An ending that starts with "." comes
/// back unchanged.
QString endingWithDot(const QString& ending);

/// The warning that ends a preview, or "" when the parameters can give usable names. The texts are
/// compared untrimmed here, unlike the keep markers of the naming rule: " * " counts as a fixed
/// base name. `severalFiles`: the file view has a second row.
QString namingWarning(const NamingParameters& parameters, bool severalFiles);

} // namespace naming
