// The swap pre-pass, built on an index of the current names instead of a scan of all pairs.
#include "renaming/swap_pre_pass.h"

#include "platform/text.h"

#include <QHash>
#include <algorithm>
#include <numeric>
#include <vector>

namespace renaming {

namespace {

/// The rows of each upper-cased current name, ascending, stored group after group in one array.
class RowIndex {
public:
    RowIndex(const QStringList& currentNames, qsizetype count)
        : m_currentNames(currentNames) {
        std::vector<qsizetype> groupOfRow(static_cast<size_t>(count));
        QHash<QString, qsizetype> groupOfKey;
        groupOfKey.reserve(count);
        for (qsizetype j = 0; j < count; ++j) {
            const QString key = platform::upperCase(currentNames.value(j));
            auto group = groupOfKey.constFind(key);
            if (group == groupOfKey.cend())
                group = groupOfKey.insert(key, groupOfKey.size());
            groupOfRow[size_t(j)] = group.value();
        }
        std::vector<qsizetype> starts(size_t(groupOfKey.size()) + 1, 0);
        for (const qsizetype group : groupOfRow)
            ++starts[size_t(group) + 1];
        std::partial_sum(starts.begin(), starts.end(), starts.begin());
        m_rows.resize(size_t(count));
        std::vector<qsizetype> fill(starts.begin(), starts.end() - 1);
        for (qsizetype j = 0; j < count; ++j)
            m_rows[size_t(fill[size_t(groupOfRow[size_t(j)])]++)] = j;
        m_starts = std::move(starts);
        m_groupOfKey = std::move(groupOfKey);
    }

    /// The row at or after `from` that `name` goes to: the first whose current name equals it
    /// exactly or, when no current name at all does, the first that equals it ignoring case; -1
    /// when none.
    qsizetype firstRow(const QString& name, qsizetype from) const {
        const auto found = m_groupOfKey.constFind(platform::upperCase(name));
        if (found == m_groupOfKey.cend())
            return -1;
        const auto begin = m_rows.begin() + m_starts[size_t(found.value())];
        const auto end = m_rows.begin() + m_starts[size_t(found.value()) + 1];
        // A group holds the case twins of one name: nearly always just one row, rarely a few.
        if (end - begin > 1) {
            bool exact = false;
            for (auto row = begin; row != end; ++row) {
                if (m_currentNames.value(*row) == name) {
                    if (*row >= from)
                        return *row;
                    exact = true;
                }
            }
            if (exact)
                return -1;
        }
        const auto row = std::lower_bound(begin, end, from);
        return row == end ? -1 : *row;
    }

private:
    const QStringList& m_currentNames;
    QHash<QString, qsizetype> m_groupOfKey;
    std::vector<qsizetype> m_starts;
    std::vector<qsizetype> m_rows;
};

} // namespace

QStringList swapPrePass(QStringList newNames, const QStringList& currentNames) {
    const qsizetype count = newNames.size();
    // Current names never change during the pass, so the index stays valid across exchanges.
    const RowIndex index(currentNames, count);
    for (qsizetype i = 0; i < count; ++i) {
        // Rows before `from` have been compared with row i already; an exchange changes row i's
        // content, and the scan goes on after the exchanged row with that content.
        qsizetype from = 0;
        for (;;) {
            const qsizetype j = index.firstRow(newNames.at(i), from);
            if (j < 0)
                break;
            newNames.swapItemsAt(i, j);
            from = j + 1;
        }
    }
    return newNames;
}

} // namespace renaming
