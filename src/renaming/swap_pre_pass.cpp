// The swap pre-pass, built on an index of the current names instead of a scan of all pairs.
#include "renaming/swap_pre_pass.h"

#include "platform/text.h"

#include <QVarLengthArray>
#include <algorithm>
#include <bit>
#include <numeric>
#include <vector>

namespace renaming {

namespace {

/// The rows of the current names by a hash that ignores letter case, in a table of a few bytes a
/// row where a hash of strings took a hundred. Rows of one hash form a chain in ascending
/// order; the rare rows whose texts differ but hash alike are told apart by reading their names.
class RowIndex {
public:
    RowIndex(const std::function<QString(qsizetype row)>& currentName, qsizetype count)
        : m_currentName(currentName)
        , m_hashes(size_t(count))
        , m_next(size_t(count), kNone)
        , m_heads(std::bit_ceil(size_t(count) + size_t(count) / 2 + 2), kNone)
        , m_mask(m_heads.size() - 1) {
        for (qsizetype j = 0; j < count; ++j)
            m_hashes[size_t(j)] = hashOf(currentName(j));
        // From the last row back, each row going to the head of its chain: chains ascend.
        for (qsizetype j = count - 1; j >= 0; --j) {
            quint32& head = m_heads[slotOf(m_hashes[size_t(j)])];
            m_next[size_t(j)] = head;
            head = quint32(j);
        }
    }

    /// The row at or after `from` that `name` goes to: the first whose current name equals it
    /// exactly or, when no current name at all does, the first that equals it ignoring case; -1
    /// when none.
    qsizetype firstRow(const QString& name, qsizetype from) const {
        // The case twins of `name`, ascending: nearly always one row or none, rarely a few.
        QVarLengthArray<qsizetype, 4> group;
        for (quint32 row = m_heads[slotOf(hashOf(name))]; row != kNone; row = m_next[row]) {
            if (platform::equalsIgnoringCase(m_currentName(row), name))
                group.append(row);
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
    static constexpr quint32 kNone = 0xFFFFFFFF;

    /// Half the bits of a hash of strings: rows that share one are told apart all the same.
    static quint32 hashOf(QStringView name) {
        const size_t hash = platform::caselessHash(name);
        return quint32(hash ^ (quint64(hash) >> 32));
    }

    /// The slot of the chain of `hash`: its head's slot, or the empty slot where it would go.
    size_t slotOf(quint32 hash) const {
        size_t slot = hash & m_mask;
        while (m_heads[slot] != kNone && m_hashes[m_heads[slot]] != hash)
            slot = (slot + 1) & m_mask;
        return slot;
    }

    const std::function<QString(qsizetype row)>& m_currentName;
    std::vector<quint32> m_hashes;
    std::vector<quint32> m_next;
    std::vector<quint32> m_heads;
    size_t m_mask;
};

} // namespace

QStringList swapPrePass(QStringList newNames, const QStringList& currentNames) {
    return swapPrePass(std::move(newNames),
                       [&currentNames](qsizetype row) { return currentNames.value(row); });
}

QStringList swapPrePass(QStringList newNames,
                        const std::function<QString(qsizetype row)>& currentName) {
    const std::vector<quint32> order = swapPrePassOrder(newNames, currentName);
    // Mostly nothing is exchanged: the list stays shared with the caller's then.
    bool exchanged = false;
    for (size_t row = 0; row < order.size() && !exchanged; ++row)
        exchanged = order[row] != row;
    if (!exchanged)
        return newNames;
    QStringList swapped;
    swapped.reserve(newNames.size());
    for (const quint32 row : order)
        swapped.append(newNames.at(row));
    return swapped;
}

std::vector<quint32> swapPrePassOrder(const QStringList& newNames,
                                      const std::function<QString(qsizetype row)>& currentName) {
    const qsizetype count = newNames.size();
    // Current names never change during the pass, so the index stays valid across exchanges.
    const RowIndex index(currentName, count);
    std::vector<quint32> order(static_cast<size_t>(count));
    std::iota(order.begin(), order.end(), quint32(0));
    for (qsizetype i = 0; i < count; ++i) {
        // Rows before `from` have been compared with row i already; an exchange changes row i's
        // content, and the scan goes on after the exchanged row with that content.
        qsizetype from = 0;
        for (;;) {
            const qsizetype j = index.firstRow(newNames.at(order[size_t(i)]), from);
            if (j < 0)
                break;
            std::swap(order[size_t(i)], order[size_t(j)]);
            from = j + 1;
        }
    }
    return order;
}

} // namespace renaming
