// The rules for names, shared by the renamer, which refuses such names, and the preview's check,
// which foresees the refusal.
#include "platform/folder_survey.h"

#include <QRandomGenerator>
#include <algorithm>
#include <bit>
#include <cstring>

namespace platform {

namespace {

/// Eight bytes a step, mixed by multiplication: a name is hashed several times a row. Seeded
/// once per process, so that names put in a folder cannot be chosen to collide.
quint32 nameHash(QByteArrayView name) {
    static const quint64 seed = QRandomGenerator::system()->generate64();
    quint64 hash = seed ^ quint64(name.size());
    const char* byte = name.data();
    qsizetype left = name.size();
    for (; left >= 8; left -= 8, byte += 8) {
        quint64 word;
        std::memcpy(&word, byte, 8);
        hash = (hash ^ word) * 0xBF58476D1CE4E5B9ull;
        hash ^= hash >> 31;
    }
    if (left > 0) {
        quint64 word = 0;
        std::memcpy(&word, byte, size_t(left));
        hash = (hash ^ word) * 0xBF58476D1CE4E5B9ull;
        hash ^= hash >> 31;
    }
    hash *= 0x94D049BB133111EBull;
    return quint32(hash >> 32);
}

} // namespace

void EntryTable::reserve(qsizetype count) {
    const size_t wanted = std::bit_ceil(size_t(count) * 2 + 2);
    if (wanted > m_slots.size())
        rehash(wanted);
    m_entries.reserve(size_t(count));
}

size_t EntryTable::slotOf(QByteArrayView name, quint32 hash) const {
    const size_t mask = m_slots.size() - 1;
    // The first removed slot on the way, which an insertion takes over.
    std::optional<size_t> removed;
    for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const quint32 index = m_slots[slot];
        if (index == kEmpty)
            return removed.value_or(slot);
        if (index == kRemoved) {
            if (!removed)
                removed = slot;
            continue;
        }
        const Entry& entry = m_entries[index];
        if (entry.tag == quint8(hash >> 24) && nameOf(entry) == name)
            return slot;
    }
}

void EntryTable::rehash(size_t slotCount) {
    m_slots.assign(slotCount, kEmpty);
    m_removed = 0;
    const size_t mask = slotCount - 1;
    for (size_t index = 0; index < m_entries.size(); ++index) {
        if (!m_entries[index].live())
            continue;
        // Eight bytes an entry, with room for only a part of its hash: a growing table hashes its
        // names anew.
        size_t slot = nameHash(nameOf(m_entries[index])) & mask;
        while (m_slots[slot] != kEmpty)
            slot = (slot + 1) & mask;
        m_slots[slot] = quint32(index);
    }
}

void EntryTable::insert(QByteArrayView name, EntryType type) {
    // Removed slots count as used: a probe goes past them.
    if (size_t(m_live + m_removed + 1) * 2 > m_slots.size())
        rehash(std::max<size_t>(16, std::bit_ceil(size_t(m_live + 1) * 3)));
    const quint32 hash = nameHash(name);
    const size_t slot = slotOf(name, hash);
    const quint32 index = m_slots[slot];
    if (index < kRemoved) {
        m_entries[index].type = type;
        return;
    }
    if (index == kRemoved)
        --m_removed;
    m_slots[slot] = quint32(m_entries.size());
    m_entries.push_back({quint32(m_names.size()), quint16(name.size()), type, quint8(hash >> 24)});
    m_names.append(name.data(), size_t(name.size()));
    ++m_live;
}

std::optional<EntryType> EntryTable::find(QByteArrayView name) const {
    if (m_slots.empty())
        return std::nullopt;
    const quint32 index = m_slots[slotOf(name, nameHash(name))];
    if (index >= kRemoved)
        return std::nullopt;
    return m_entries[index].type;
}

std::optional<EntryType> EntryTable::take(QByteArrayView name) {
    if (m_slots.empty())
        return std::nullopt;
    const size_t slot = slotOf(name, nameHash(name));
    const quint32 index = m_slots[slot];
    if (index >= kRemoved)
        return std::nullopt;
    m_slots[slot] = kRemoved;
    m_entries[index].at = kGone;
    --m_live;
    ++m_removed;
    return m_entries[index].type;
}

quint32 EntryTable::hashOf(QByteArrayView name) {
    return nameHash(name);
}

void EntryTable::clear() {
    *this = EntryTable();
}

bool isPlainName(const QByteArray& name) {
    return !name.isEmpty() && name != "." && name != ".." && !name.contains('/') &&
           !name.contains('\0');
}

bool isAsideName(QByteArrayView name) {
    constexpr QByteArrayView prefix = "tarvelok-";
    // 2^64 takes 13 digits in base 36.
    if (!name.startsWith(prefix) || name.size() == prefix.size() ||
        name.size() > prefix.size() + 13)
        return false;
    for (const char byte : name.sliced(prefix.size()))
        if (!((byte >= '0' && byte <= '9') || (byte >= 'a' && byte <= 'z')))
            return false;
    return true;
}

bool isFatName(const QByteArray& name) {
    static const QByteArray forbidden = "\"*:<>?\\|";
    for (const char byte : name) {
        if (static_cast<unsigned char>(byte) < 0x20 || forbidden.contains(byte))
            return false;
    }
    return !name.endsWith('.') && !name.endsWith(' ');
}

bool isAsciiName(QByteArrayView name) {
    return std::all_of(name.begin(), name.end(),
                       [](char byte) { return static_cast<unsigned char>(byte) < 0x80; });
}

} // namespace platform
