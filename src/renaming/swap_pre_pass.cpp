// The swap pre-pass, built on an index of the current names instead of a scan of all pairs.
#include "renaming/swap_pre_pass.h"

#include "platform/text.h"

#include <QVarLengthArray>
#include <algorithm>
#include <vector>

namespace renaming {

namespace {

/// The rows of the current names by the hash of their upper-cased text: sixteen bytes a row,
/// where a hash of strings took a hundred. Rows of one hash are ascending; the rare rows whose
/// texts differ but hash alike are told apart by reading their names again.
class RowIndex {
public:
    RowIndex(const std::function<QString(qsizetype row)>& currentName, qsizetype count)
        : m_currentName(currentName) {
        m_entries.reserve(size_t(count));
        for (qsizetype j = 0; j < count; ++j)
            m_entries.push_back({qHash(platform::upperCase(currentName(j))), j});
        std::sort(m_entries.begin(), m_entries.end());
    }

    /// The row at or after `from` that `name` goes to: the first whose current name equals it
    /// exactly or, when no current name at all does, the first that equals it ignoring case; -1
    /// when none.
    qsizetype firstRow(const QString& name, qsizetype from) const {
        const QString key = platform::upperCase(name);
        const size_t hash = qHash(key);
        // The case twins of `name`, ascending: nearly always one row or none, rarely a few.
        QVarLengthArray<qsizetype, 4> group;
        for (auto entry = std::lower_bound(m_entries.begin(), m_entries.end(), Entry{hash, 0});
             entry != m_entries.end() && entry->hash == hash; ++entry) {
            if (platform::upperCase(m_currentName(entry->row)) == key)
                group.append(entry->row);
        }
        if (group.size() > 1) {
            bool exact = false;
            for (const qsizetype row : group) {
                if (m_currentName(row) == name) {
                    if (row >= from)
                        return row;
                    exact = true;
                }
            }
            if (exact)
                return -1;
        }
        const auto row = std::lower_bound(group.begin(), group.end(), from);
        return row == group.end() ? -1 : *row;
    }

private:
    struct Entry {
        size_t hash;
        qsizetype row;
        auto operator<=>(const Entry&) const = default;
    };

    const std::function<QString(qsizetype row)>& m_currentName;
    std::vector<Entry> m_entries;
};

} // namespace

QStringList swapPrePass(QStringList newNames, const QStringList& currentNames) {
    return swapPrePass(std::move(newNames),
                       [&currentNames](qsizetype row) { return currentNames.value(row); });
}

QStringList swapPrePass(QStringList newNames,
                        const std::function<QString(qsizetype row)>& currentName) {
    const qsizetype count = newNames.size();
    // Current names never change during the pass, so the index stays valid across exchanges.
    const RowIndex index(currentName, count);
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
