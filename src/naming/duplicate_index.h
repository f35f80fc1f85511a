// Repeats in a new-name list, found with one hash pass instead of comparing every pair.
#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace naming {

/// Answers the two questions of the repeat scan in constant time: does a row's generated name
/// occur again further down (so the user is asked about it), and is an answer held by any other
/// row (so it is refused). Rows must be renamed through replace() to keep the counts true.
class DuplicateIndex {
public:
    explicit DuplicateIndex(const QStringList& names);

    /// Whether the name generated for `row` occurs again in a later row: the earlier entry of an
    /// equal pair. Of a group of k equal names this holds for the first k - 1.
    bool repeatsLater(qsizetype row) const { return m_repeatsLater.at(row); }

    /// Whether more than one row holds `name` now.
    bool isRepeated(const QString& name) const;

    /// One row's entry changes from `oldName` to `newName`.
    void replace(const QString& oldName, const QString& newName);

private:
    struct Entry {
        qsizetype count = 0;    ///< rows holding the name now
        qsizetype lastRow = -1; ///< while indexing: the last row seen with the name
    };

    QHash<QString, Entry> m_entries;
    QList<bool> m_repeatsLater;
};

} // namespace naming
