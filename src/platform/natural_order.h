// The order of the file and folder views: natural (file2 before file10) and case-insensitive.
#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

/// Compares two case-folded names: runs of ASCII digits by their value, everything else by code
/// point. Names that differ only in leading zeros compare equal here. The result does not depend
/// on the locale, so every view lists a folder in the same order under every locale.
int compareNaturalFolded(QStringView a, QStringView b);

/// A total order on names for the views: natural and case-insensitive first; names equal under
/// that ("a01"/"a1", "A"/"a") are ordered by their folded text, then their text, then their bytes,
/// so two listings of one folder always agree row by row.
bool naturalLess(const QString& foldedA, const QString& nameA, const QByteArray& bytesA,
                 const QString& foldedB, const QString& nameB, const QByteArray& bytesB);

/// Convenience for two plain names.
bool naturalLess(const QString& a, const QString& b);

} // namespace platform
