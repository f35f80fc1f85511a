// The preview's verdicts: the rename pass played over a survey of the folder instead of the disk.
#include "renaming/verdicts.h"

#include "platform/file_names.h"
#include "platform/file_view.h"
#include "platform/folder_survey.h"
#include "platform/text.h"
#include "renaming/swap_pre_pass.h"

#include <QHash>
#include <algorithm>
#include <array>
#include <bit>
#include <functional>
#include <optional>
#include <vector>

namespace renaming {

namespace {

using platform::EntryType;

/// The names that earlier rows have been renamed to, by row: their text stays in the list of new
/// names, and only a hash and a type are kept for each.
class RenamedRows {
public:
    RenamedRows(const std::function<QString(qsizetype row)>& nameOf, qsizetype rows)
        : m_nameOf(nameOf)
        , m_hashes(size_t(rows))
        , m_types(size_t(rows), kGone)
        , m_slots(std::bit_ceil(size_t(rows) * 2 + 2), kNone)
        , m_mask(m_slots.size() - 1) {}

    std::optional<EntryType> find(const QString& name, quint32 hash) const {
        const std::optional<quint32> row = rowOf(name, hash);
        return row ? std::optional<EntryType>(EntryType(m_types[*row])) : std::nullopt;
    }

    std::optional<EntryType> take(const QString& name, quint32 hash) {
        const std::optional<quint32> row = rowOf(name, hash);
        if (!row)
            return std::nullopt;
        const auto type = EntryType(m_types[*row]);
        m_types[*row] = kGone;
        return type;
    }

    /// Row `row`, renamed to its new name, which carries hash `hash`.
    void add(qsizetype row, quint32 hash, EntryType type) {
        m_hashes[size_t(row)] = hash;
        m_types[size_t(row)] = quint8(type);
        size_t slot = hash & m_mask;
        while (m_slots[slot] != kNone)
            slot = (slot + 1) & m_mask;
        m_slots[slot] = quint32(row);
    }

private:
    static constexpr quint32 kNone = 0xFFFFFFFF;
    static constexpr quint8 kGone = 0xFF;

    /// The row whose new name `name` is, while no later rename has moved it away.
    std::optional<quint32> rowOf(const QString& name, quint32 hash) const {
        for (size_t slot = hash & m_mask; m_slots[slot] != kNone; slot = (slot + 1) & m_mask) {
            const quint32 row = m_slots[slot];
            if (m_hashes[row] == hash && m_types[row] != kGone && m_nameOf(row) == name)
                return row;
        }
        return std::nullopt;
    }

    const std::function<QString(qsizetype row)>& m_nameOf;
    std::vector<quint32> m_hashes;
    std::vector<quint8> m_types;
    std::vector<quint32> m_slots;
    size_t m_mask;
};

/// The folder's entries as the pass leaves them row by row. Where the file system ignores
/// letter case, names that differ only in case are one slot, keyed by platform::caselessKey.
class Entries {
public:
    struct Entry {
        EntryType type;
        QString name;
        /// The row whose rename brought the entry here; -1 for an entry that was there before.
        qsizetype renamedBy = -1;
    };

    /// `newName` tells the name that the pass gives row k, of `rows`.
    Entries(platform::EntryTable entries, bool ignoresCase, bool foldsAsciiOnly,
            const std::function<QString(qsizetype row)>& newName, qsizetype rows)
        : m_ignoresCase(ignoresCase)
        , m_foldsAsciiOnly(foldsAsciiOnly) {
        // The survey's own table where names are keys as their bytes are; the renamed files
        // beside it, so that the table neither grows nor copies their names.
        if (!m_ignoresCase) {
            m_exact = std::move(entries);
            m_renamed.emplace(newName, rows);
            return;
        }
        m_caseless.reserve(entries.size());
        entries.forEach([this](QByteArrayView bytes, EntryType type) {
            QString name = platform::decodeFileName(bytes);
            m_caseless.insert(key(name), {type, name});
        });
    }

    /// `bytes` are those of `name` (encodeFileName).
    std::optional<Entry> find(const QString& name, QByteArrayView bytes) const {
        if (!m_ignoresCase) {
            std::optional<EntryType> found = m_exact.find(bytes);
            if (!found)
                found = m_renamed->find(name, platform::EntryTable::hashOf(bytes));
            return found ? std::optional<Entry>({*found, name}) : std::nullopt;
        }
        const auto found = m_caseless.constFind(key(name));
        return found == m_caseless.cend() ? std::nullopt : std::optional<Entry>(*found);
    }

    /// Whether the two names are one entry's.
    bool sameEntry(const QString& a, const QString& b) const {
        return m_ignoresCase ? key(a) == key(b) : a == b;
    }

    /// `to` is row `row`'s new name.
    void rename(const QString& from, QByteArrayView fromBytes, const QString& to,
                QByteArrayView toBytes, qsizetype row) {
        if (!m_ignoresCase) {
            std::optional<EntryType> type = m_exact.take(fromBytes);
            if (!type)
                type = m_renamed->take(from, platform::EntryTable::hashOf(fromBytes));
            m_renamed->add(row, platform::EntryTable::hashOf(toBytes), *type);
            return;
        }
        const EntryType type = m_caseless.take(key(from)).type;
        m_caseless.insert(key(to), {type, to, row});
    }

private:
    QString key(const QString& name) const { return platform::caselessKey(name, m_foldsAsciiOnly); }

    bool m_ignoresCase;
    bool m_foldsAsciiOnly;
    platform::EntryTable m_exact;
    std::optional<RenamedRows> m_renamed;
    QHash<QString, Entry> m_caseless;
};

/// Room for the bytes of nearly every name; longer ones (exFAT's, up to 765) are made as usual.
using NameBuffer = std::array<char, 256>;

/// The bytes of `name` (encodeFileName), kept in `buffer` where the name is ASCII, as nearly
/// every name is: a million rows then make no string of bytes each.
QByteArray bytesOf(const QString& name, NameBuffer& buffer) {
    const qsizetype size = name.size();
    if (size > qsizetype(buffer.size()))
        return platform::encodeFileName(name);
    const QChar* units = name.constData();
    for (qsizetype i = 0; i < size; ++i) {
        if (units[i].unicode() >= 0x80)
            return platform::encodeFileName(name);
        buffer[size_t(i)] = char(units[i].unicode());
    }
    return QByteArray::fromRawData(buffer.data(), size);
}

struct Failure {
    Cause cause;
    QString name;
};

/// What keeps the file `name` where it is though the folder is writable, in the kernel's order:
/// the folder's own protection first, then its sticky bit, then the file's protection.
std::optional<Cause> guardCause(const platform::FolderSurvey& folder, const QString& name) {
    if (folder.unchangeable)
        return Cause::FolderUnchangeable;
    const auto guard = folder.guardedFiles.constFind(name);
    if (guard == folder.guardedFiles.cend())
        return std::nullopt;
    return *guard == platform::FileGuard::OthersInStickyFolder ? Cause::OthersFileInStickyFolder
                                                               : Cause::FileUnchangeable;
}

/// What the renamer answers, in its own order of checks, to renaming `from` to `to`; nothing
/// when the rename succeeds, and then `entries` shows its effect.
std::optional<Failure> renameFails(Entries& entries, const platform::FolderSurvey& folder,
                                   qsizetype row, const QString& from, const QString& to) {
    NameBuffer targetBuffer;
    const QByteArray target = bytesOf(to, targetBuffer);
    if (!platform::isPlainName(target))
        return Failure{Cause::NameForbidden, {}};
    NameBuffer sourceBuffer;
    const QByteArray sourceBytes = bytesOf(from, sourceBuffer);
    const std::optional<Entries::Entry> source = entries.find(from, sourceBytes);
    if (!source)
        return Failure{Cause::FileGone, from};
    if (source->type != EntryType::File && source->type != EntryType::Link)
        return Failure{Cause::NotAFile, from};
    if (from == to)
        return std::nullopt;
    if (!folder.writable)
        return Failure{Cause::FolderReadOnly, {}};
    if (const std::optional<Cause> guarded = guardCause(folder, from))
        return Failure{*guarded, {}};
    if (folder.fatNames && !platform::isFatName(target))
        return Failure{Cause::NameForbidden, {}};
    if (folder.asciiNamesOnly && !platform::isAsciiName(target))
        return Failure{Cause::NameForbidden, {}};
    const qsizetype length = folder.nameMaxInUtf16Units ? to.size() : target.size();
    if (folder.nameMax > 0 && length > folder.nameMax)
        return Failure{Cause::NameTooLong, {}};
    // A change of letter case alone finds the file itself where case is ignored, and succeeds.
    if (!entries.sameEntry(from, to)) {
        if (const std::optional<Entries::Entry> taken = entries.find(to, target)) {
            if (folder.ignoresCase && taken->renamedBy >= 0 && taken->name != to)
                return Failure{Cause::SameIgnoringCase, taken->name};
            return Failure{Cause::NameTaken, taken->name};
        }
    }
    entries.rename(from, sourceBytes, to, target, row);
    return std::nullopt;
}

} // namespace

QList<Verdict> failingRows(const QStringList& newNames, const platform::FileView& currentFiles,
                           platform::FolderSurvey folder) {
    QList<Verdict> failing;
    const qsizetype listed = newNames.size();
    if (!folder.readable) {
        for (qsizetype row = 0; row < listed; ++row) {
            if (newNames.at(row) != currentFiles.name(row))
                failing.append({row, Cause::FolderUnreadable, {}});
        }
        return failing;
    }

    // The pass exchanges names before it renames; its loop then runs over every current file.
    // The exchanges are followed on row numbers, the names staying where they are.
    const std::vector<quint32> order = swapPrePassOrder(
        newNames, [&currentFiles](qsizetype row) { return currentFiles.name(row); });
    const std::function<QString(qsizetype row)> finalName = [&](qsizetype row) {
        return row < listed ? newNames.at(order[size_t(row)]) : QString();
    };
    const qsizetype rows = currentFiles.count();
    Entries entries(std::move(folder.entries), folder.ignoresCase, folder.foldsAsciiOnly, finalName,
                    rows);
    for (qsizetype row = 0; row < rows; ++row) {
        const QString from = currentFiles.name(row);
        const QString to = finalName(row);
        const std::optional<Failure> failure = renameFails(entries, folder, row, from, to);
        if (failure && row < listed && newNames.at(row) != from)
            failing.append({row, failure->cause, failure->name});
    }
    return failing;
}

QStringList renamedFiles(const QStringList& newNames, const platform::FileView& currentFiles) {
    QStringList renamed;
    const qsizetype rows = std::min(newNames.size(), currentFiles.count());
    for (qsizetype row = 0; row < rows; ++row) {
        QString name = currentFiles.name(row);
        if (newNames.at(row) != name)
            renamed.append(std::move(name));
    }
    return renamed;
}

} // namespace renaming
