// The order of the file and folder views: natural (file2 before file10) and case-insensitive.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace filesystem {

/// A byte string whose plain order is the natural order of case-folded names: runs of ASCII
/// digits by their value, everything else by code point. Names that differ only in letter case
/// or in leading zeros get the same key. Sorting by keys compares bytes instead of walking two
/// names per comparison, and does not depend on the locale.
std::string naturalSortKey(QStringView foldedName);

/// naturalSortKey(foldedName) appended to `out`, for keys kept one after the other in one block.
void appendNaturalSortKey(std::string& out, QStringView foldedName);

/// The total order of the views: by naturalSortKey of the folded names; names with equal keys
/// ("a01"/"a1", "A"/"a") by their folded text, then their text, which as reversible text differs
/// for any two byte names, so two listings of one folder always agree row by row.
bool naturalLess(std::string_view keyA, QStringView nameA, std::string_view keyB,
                 QStringView nameB);

/// Convenience for two plain names.
bool naturalLess(const QString& a, const QString& b);

} // namespace filesystem
