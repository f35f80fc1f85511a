// Repeats in a new-name list, found with one hash pass.
#include "duplicate_index.h"

namespace naming {

DuplicateIndex::DuplicateIndex(const QStringList& names)
    : m_repeatsLater(names.size(), false) {
    m_entries.reserve(names.size());
    for (qsizetype row = 0; row < names.size(); ++row) {
        Entry& entry = m_entries[names.at(row)];
        // The name turns up again, so the row where it was last seen has a later repeat.
        if (entry.count > 0)
            m_repeatsLater[entry.lastRow] = true;
        ++entry.count;
        entry.lastRow = row;
    }
}

bool DuplicateIndex::isRepeated(const QString& name) const {
    const auto entry = m_entries.constFind(name);
    return entry != m_entries.cend() && entry->count > 1;
}

void DuplicateIndex::replace(const QString& oldName, const QString& newName) {
    const auto old = m_entries.find(oldName);
    if (old != m_entries.end() && --old->count == 0)
        m_entries.erase(old);
    ++m_entries[newName].count;
}

} // namespace naming
