// The preview's verdicts: the rename pass played over a survey of the folder instead of the disk.
#include "renaming/verdicts.h"

#include "platform/file_names.h"
#include "platform/file_view.h"
#include "platform/folder_survey.h"
#include "platform/text.h"
#include "renaming/swap_pre_pass.h"

#include <algorithm>
#include <optional>

namespace renaming {

namespace {

using platform::EntryType;

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

    Entries(QHash<QString, EntryType> entries, bool ignoresCase, bool foldsAsciiOnly)
        : m_ignoresCase(ignoresCase)
        , m_foldsAsciiOnly(foldsAsciiOnly) {
        // The survey's own table where names are keys as they are: a copy made by walking a
        // table is slow to fill, its keys coming in the order of their slots.
        if (!m_ignoresCase) {
            m_exact = std::move(entries);
            return;
        }
        m_caseless.reserve(entries.size());
        for (auto entry = entries.cbegin(); entry != entries.cend(); ++entry)
            m_caseless.insert(key(entry.key()), {entry.value(), entry.key()});
    }

    std::optional<Entry> find(const QString& name) const {
        if (!m_ignoresCase) {
            const auto found = m_exact.constFind(name);
            return found == m_exact.cend() ? std::nullopt : std::optional<Entry>({*found, name});
        }
        const auto found = m_caseless.constFind(key(name));
        return found == m_caseless.cend() ? std::nullopt : std::optional<Entry>(*found);
    }

    /// Whether the two names are one entry's.
    bool sameEntry(const QString& a, const QString& b) const {
        return m_ignoresCase ? key(a) == key(b) : a == b;
    }

    void rename(const QString& from, const QString& to, qsizetype row) {
        if (!m_ignoresCase) {
            m_exact.insert(to, m_exact.take(from));
            return;
        }
        const EntryType type = m_caseless.take(key(from)).type;
        m_caseless.insert(key(to), {type, to, row});
    }

private:
    QString key(const QString& name) const { return platform::caselessKey(name, m_foldsAsciiOnly); }

    bool m_ignoresCase;
    bool m_foldsAsciiOnly;
    QHash<QString, EntryType> m_exact;
    QHash<QString, Entry> m_caseless;
};

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
    const QByteArray target = platform::encodeFileName(to);
    if (!platform::isPlainName(target))
        return Failure{Cause::NameForbidden, {}};
    const std::optional<Entries::Entry> source = entries.find(from);
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
        if (const std::optional<Entries::Entry> taken = entries.find(to)) {
            if (folder.ignoresCase && taken->renamedBy >= 0 && taken->name != to)
                return Failure{Cause::SameIgnoringCase, taken->name};
            return Failure{Cause::NameTaken, taken->name};
        }
    }
    entries.rename(from, to, row);
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
    const QStringList finalNames =
        swapPrePass(newNames, [&currentFiles](qsizetype row) { return currentFiles.name(row); });
    Entries entries(std::move(folder.entries), folder.ignoresCase, folder.foldsAsciiOnly);
    const qsizetype rows = currentFiles.count();
    for (qsizetype row = 0; row < rows; ++row) {
        const QString from = currentFiles.name(row);
        const std::optional<Failure> failure =
            renameFails(entries, folder, row, from, finalNames.value(row));
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
