// Repeats in a new-name list, found with one hash pass instead of comparing every pair.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

namespace naming {

/// Answers the two questions of the repeat scan in constant time: does a row's generated name
/// occur again further down (so the user is asked about it), and is an answer held by any other
/// row (so it is refused). Rows must be renamed through replace() to keep the counts true.
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
    static constexpr quint32 kEmpty = 0xFFFFFFFF;

    /// The first row whose generated name is `name`; kEmpty when no generated name is.
    quint32 firstRow(QStringView name) const;
    qsizetype& countOf(const QString& name);

    // The generated names stay as they were: the list shares them, so this costs no copy of the
    // texts, and the rows' later answers do not disturb the table.
    QStringList m_names;
    // Open addressing over the generated names, by the first row of each: a million rows take
    // a few bytes each instead of a hash node apiece.
    std::vector<quint32> m_slots;
    size_t m_mask = 0;
    /// Per first row of a generated name: the rows holding that name now.
    std::vector<qsizetype> m_counts;
    /// The rows holding each answer that is no generated name.
    QHash<QString, qsizetype> m_answers;
    std::vector<bool> m_repeatsLater;
};

} // namespace naming
