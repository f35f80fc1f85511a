// The preview's verdicts: the rename pass played over a survey of the folder instead of the disk.
#include "renaming/verdicts.h"

#include "platform/file_names.h"
#include "platform/file_view.h"
#include "platform/folder_survey.h"
#include "platform/text.h"
#include "renaming/swap_pre_pass.h"

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
        /// The row whose rename brought the entry here; -1 for an entry that was there before.
        qsizetype renamedBy = -1;
        /// The name where the key is its upper case; null where the key is the name.
        QString name;
    };
    using Slots = QHash<QString, Entry>;

    explicit Entries(QHash<QString, EntryType> entries, bool ignoresCase)
        : m_ignoresCase(ignoresCase) {
        m_slots.reserve(entries.size());
        for (auto entry = entries.cbegin(); entry != entries.cend(); ++entry) {
            if (m_ignoresCase)
                m_slots.insert(platform::upperCase(entry.key()), {entry.value(), -1, entry.key()});
            else
                m_slots.insert(entry.key(), {entry.value()});
        }
    }

    Slots::iterator find(const QString& name) { return m_slots.find(slot(name)); }
    Slots::iterator none() { return m_slots.end(); }
    QString nameOf(Slots::iterator entry) const {
        return m_ignoresCase ? entry->name : entry.key();
    }

    /// Moves `source` to `to`.
    void rename(Slots::iterator source, const QString& to, qsizetype row) {
        const EntryType type = source->type;
        m_slots.erase(source);
        m_slots.insert(slot(to), {type, row, m_ignoresCase ? to : QString()});
    }

private:
    QString slot(const QString& name) const {
        return m_ignoresCase ? platform::upperCase(name) : name;
    }

    bool m_ignoresCase;
    Slots m_slots;
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
    const auto source = entries.find(from);
    if (source == entries.none())
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
    if (const auto taken = entries.find(to); taken != entries.none() && taken != source) {
        const QString name = entries.nameOf(taken);
        if (folder.ignoresCase && taken->renamedBy >= 0 && name != to)
            return Failure{Cause::SameIgnoringCase, name};
        return Failure{Cause::NameTaken, name};
    }
    entries.rename(source, to, row);
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
    Entries entries(std::move(folder.entries), folder.ignoresCase);
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

} // namespace renaming
