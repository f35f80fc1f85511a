// Repeats in a new-name list, found with one hash pass.
#include "duplicate_index.h"

#include <bit>

namespace naming {

DuplicateIndex::DuplicateIndex(const QStringList& names)
    : m_names(names)
    , m_counts(size_t(names.size()), 0)
    , m_repeatsLater(size_t(names.size()), false) {
    // At most half full, so a probe meets an empty slot soon.
    m_slots.assign(std::bit_ceil(size_t(names.size()) * 2 + 2), kEmpty);
    m_mask = m_slots.size() - 1;
    // Per first row: the row where its name was last seen while indexing.
    std::vector<quint32> lastRow(size_t(names.size()), 0);
    for (qsizetype row = 0; row < names.size(); ++row) {
        const QString& name = names.at(row);
        size_t slot = qHash(name) & m_mask;
        while (m_slots[slot] != kEmpty && m_names.at(m_slots[slot]) != name)
            slot = (slot + 1) & m_mask;
        if (m_slots[slot] == kEmpty) {
            m_slots[slot] = quint32(row);
            m_counts[size_t(row)] = 1;
            lastRow[size_t(row)] = quint32(row);
            continue;
        }
        // The name turns up again, so the row where it was last seen has a later repeat.
        const quint32 first = m_slots[slot];
        m_repeatsLater[lastRow[first]] = true;
        lastRow[first] = quint32(row);
        ++m_counts[first];
    }
}

quint32 DuplicateIndex::firstRow(QStringView name) const {
    for (size_t slot = qHash(name) & m_mask;; slot = (slot + 1) & m_mask) {
        if (m_slots[slot] == kEmpty || m_names.at(m_slots[slot]) == name)
            return m_slots[slot];
    }
}

qsizetype& DuplicateIndex::countOf(const QString& name) {
    const quint32 first = firstRow(name);
    return first != kEmpty ? m_counts[first] : m_answers[name];
}

bool DuplicateIndex::isRepeated(const QString& name) const {
    const quint32 first = firstRow(name);
    return (first != kEmpty ? m_counts[first] : m_answers.value(name)) > 1;
}

void DuplicateIndex::replace(const QString& oldName, const QString& newName) {
    const quint32 first = firstRow(oldName);
    if (first != kEmpty) {
        --m_counts[first];
    } else {
        const auto old = m_answers.find(oldName);
        if (old != m_answers.end() && --*old == 0)
            m_answers.erase(old);
    }
    ++countOf(newName);
}

} // namespace naming
