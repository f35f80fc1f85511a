// Repeats in a new-name list, found by sorting hashes instead of comparing every pair.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

namespace naming {

/// Answers the two questions of the repeat scan: does a row's generated name occur again further
/// down (so the user is asked about it), and is an answer held by any other row (so it is
/// refused). Rows must be renamed through replace() to keep the counts true.
class DuplicateIndex {
public:
    explicit DuplicateIndex(const QStringList& names);

    /// Whether the name generated for `row` occurs again in a later row: the earlier entry of an
    /// equal pair. Of a group of k equal names this holds for the first k - 1.
    bool repeatsLater(qsizetype row) const { return m_repeatsLater[size_t(row)]; }

    /// Whether more than one row holds `name` now.
    bool isRepeated(const QString& name) const;

    /// One row's entry changes from `oldName` to `newName`.
    void replace(const QString& oldName, const QString& newName);

private:
    /// A 32-bit fingerprint of a generated name and its row: eight bytes a row, sorted.
    struct Entry {
        quint32 fingerprint;
        quint32 row;
    };

    /// The first row whose generated name is `name`; -1 when no generated name is.
    qsizetype firstRow(const QString& name) const;
    qsizetype count(const QString& name) const;

    // The generated names stay as they were: the list shares them, so this costs no copy of the
    // texts, and the rows' later answers do not disturb the index.
    QStringList m_names;
    std::vector<Entry> m_entries;
    static constexpr size_t kBuckets = 1 << 16;
    /// Where the entries of each value of the fingerprints' top 16 bits begin.
    std::vector<quint32> m_starts;
    /// Rows holding a generated name now, by the name's first row, where that is not 1.
    QHash<qsizetype, qsizetype> m_counts;
    /// Rows holding each answer that is no generated name.
    QHash<QString, qsizetype> m_answers;
    std::vector<bool> m_repeatsLater;
};

} // namespace naming
