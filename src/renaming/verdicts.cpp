// The preview's verdicts: the rename pass played over a survey of the folder instead of the disk.
#include "renaming/verdicts.h"

#include "platform/file_names.h"
#include "platform/file_view.h"
#include "platform/folder_survey.h"
#include "platform/text.h"
#include "renaming/swap_pre_pass.h"

#include <QHash>
#include <optional>

namespace renaming {

namespace {

using platform::EntryType;

/// The folder's entries as the pass leaves them row by row. Where the file system ignores
/// letter case, names that differ only in case are one slot, keyed by their upper case.
class Entries {
public:
    struct Entry {
        EntryType type;
        QString name;
        /// The row whose rename brought the entry here; -1 for an entry that was there before.
        qsizetype renamedBy = -1;
    };

    Entries(platform::EntryTable entries, bool ignoresCase)
        : m_ignoresCase(ignoresCase) {
        // The survey's own table where names are keys as their bytes are.
        if (!m_ignoresCase) {
            m_exact = std::move(entries);
            return;
        }
        m_caseless.reserve(entries.size());
        entries.forEach([this](QByteArrayView bytes, EntryType type) {
            QString name = platform::decodeFileName(bytes);
            m_caseless.insert(platform::upperCase(name), {type, name});
        });
    }

    /// `bytes` are those of `name` (encodeFileName).
    std::optional<Entry> find(const QString& name, QByteArrayView bytes) const {
        if (!m_ignoresCase) {
            const std::optional<EntryType> found = m_exact.find(bytes);
            return found ? std::optional<Entry>({*found, name}) : std::nullopt;
        }
        const auto found = m_caseless.constFind(platform::upperCase(name));
        return found == m_caseless.cend() ? std::nullopt : std::optional<Entry>(*found);
    }

    /// Whether the two names are one entry's.
    bool sameEntry(const QString& a, const QString& b) const {
        return m_ignoresCase ? platform::equalsIgnoringCase(a, b) : a == b;
    }

    void rename(const QString& from, QByteArrayView fromBytes, const QString& to,
                QByteArrayView toBytes, qsizetype row) {
        if (!m_ignoresCase) {
            m_exact.insert(toBytes, *m_exact.take(fromBytes));
            return;
        }
        const EntryType type = m_caseless.take(platform::upperCase(from)).type;
        m_caseless.insert(platform::upperCase(to), {type, to, row});
    }

private:
    bool m_ignoresCase;
    platform::EntryTable m_exact;
    QHash<QString, Entry> m_caseless;
};

struct Failure {
    Cause cause;
    QString name;
};

/// What the renamer answers, in its own order of checks, to renaming `from` to `to`; nothing
/// when the rename succeeds, and then `entries` shows its effect.
std::optional<Failure> renameFails(Entries& entries, const platform::FolderSurvey& folder,
                                   qsizetype row, const QString& from, const QString& to) {
    const QByteArray target = platform::encodeFileName(to);
    if (!platform::isPlainName(target))
        return Failure{Cause::NameForbidden, {}};
    const QByteArray sourceBytes = platform::encodeFileName(from);
    const std::optional<Entries::Entry> source = entries.find(from, sourceBytes);
    if (!source)
        return Failure{Cause::FileGone, from};
    if (source->type != EntryType::File && source->type != EntryType::Link)
        return Failure{Cause::NotAFile, from};
    if (from == to)
        return std::nullopt;
    if (!folder.writable)
        return Failure{Cause::FolderReadOnly, {}};
    if (folder.fatNames && !platform::isFatName(target))
        return Failure{Cause::NameForbidden, {}};
    if (folder.nameMax > 0 && target.size() > folder.nameMax)
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
    Entries entries(std::move(folder.entries), folder.ignoresCase);
    const qsizetype rows = currentFiles.count();
    for (qsizetype row = 0; row < rows; ++row) {
        const QString from = currentFiles.name(row);
        const QString to = row < listed ? newNames.at(order[size_t(row)]) : QString();
        const std::optional<Failure> failure = renameFails(entries, folder, row, from, to);
        if (failure && row < listed && newNames.at(row) != from)
            failing.append({row, failure->cause, failure->name});
    }
    return failing;
}

} // namespace renaming
