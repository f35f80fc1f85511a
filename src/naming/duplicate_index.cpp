// Repeats in a new-name list, found by sorting hashes.
//
// A hash table over a million names touches memory at random for every name, which grows slower
// per name as the list outgrows the caches. Sorting fingerprints with a radix sort reads and
// writes memory in order; equal names then stand side by side.
#include "duplicate_index.h"

#include <algorithm>
#include <array>
#include <utility>

namespace naming {

namespace {

quint32 fingerprintOf(QStringView name) {
    return quint32(qHash(name) >> 16);
}

} // namespace

DuplicateIndex::DuplicateIndex(const QStringList& names)
    : m_names(names)
    , m_repeatsLater(size_t(names.size()), false) {
    const size_t count = size_t(names.size());
    m_entries.reserve(count);
    for (size_t row = 0; row < count; ++row)
        m_entries.push_back({fingerprintOf(names.at(qsizetype(row))), quint32(row)});

    // Stable, so rows stay ascending among equal fingerprints.
    std::vector<Entry> sorted(count);
    for (int shift = 0; shift < 32; shift += 8) {
        std::array<size_t, 256> starts{};
        for (const Entry& entry : m_entries)
            ++starts[(entry.fingerprint >> shift) & 0xFF];
        if (std::find(starts.begin(), starts.end(), count) != starts.end())
            continue;
        size_t next = 0;
        for (size_t& start : starts)
            next += std::exchange(start, next);
        for (const Entry& entry : m_entries)
            sorted[starts[(entry.fingerprint >> shift) & 0xFF]++] = entry;
        m_entries.swap(sorted);
    }

    // Where each value of a fingerprint's top 16 bits starts, so a look-up searches a few entries.
    m_starts.assign(kBuckets + 1, 0);
    for (const Entry& entry : m_entries)
        ++m_starts[(entry.fingerprint >> 16) + 1];
    for (size_t bucket = 0; bucket < kBuckets; ++bucket)
        m_starts[bucket + 1] += m_starts[bucket];

    // Within a run of one fingerprint, the rows of each name, ascending: every row but the last
    // of a name has a later repeat.
    std::vector<quint32> run;
    for (size_t first = 0; first < count;) {
        size_t end = first + 1;
        while (end < count && m_entries[end].fingerprint == m_entries[first].fingerprint)
            ++end;
        if (end - first > 1) {
            run.clear();
            for (size_t i = first; i < end; ++i)
                run.push_back(m_entries[i].row);
            while (!run.empty()) {
                const QString& name = names.at(run.front());
                const auto others = std::stable_partition(
                    run.begin(), run.end(), [&](quint32 row) { return names.at(row) == name; });
                const auto held = others - run.begin();
                if (held > 1) {
                    m_counts.insert(run.front(), held);
                    for (auto row = run.begin(); row != others - 1; ++row)
                        m_repeatsLater[*row] = true;
                }
                run.erase(run.begin(), others);
            }
        }
        first = end;
    }
}

qsizetype DuplicateIndex::firstRow(const QString& name) const {
    const quint32 fingerprint = fingerprintOf(name);
    const auto end = m_entries.begin() + qsizetype(m_starts[(fingerprint >> 16) + 1]);
    auto entry = std::lower_bound(
        m_entries.begin() + qsizetype(m_starts[fingerprint >> 16]), end, fingerprint,
        [](const Entry& entry, quint32 wanted) { return entry.fingerprint < wanted; });
    for (; entry != end && entry->fingerprint == fingerprint; ++entry)
        if (m_names.at(entry->row) == name)
            return entry->row;
    return -1;
}

qsizetype DuplicateIndex::count(const QString& name) const {
    const qsizetype first = firstRow(name);
    return first >= 0 ? m_counts.value(first, 1) : m_answers.value(name);
}

bool DuplicateIndex::isRepeated(const QString& name) const {
    return count(name) > 1;
}

void DuplicateIndex::replace(const QString& oldName, const QString& newName) {
    if (const qsizetype first = firstRow(oldName); first >= 0) {
        m_counts.insert(first, m_counts.value(first, 1) - 1);
    } else if (const auto old = m_answers.find(oldName); old != m_answers.end() && --*old == 0) {
        m_answers.erase(old);
    }
    if (const qsizetype first = firstRow(newName); first >= 0)
        m_counts.insert(first, m_counts.value(first, 1) + 1);
    else
        ++m_answers[newName];
}

} // namespace naming
