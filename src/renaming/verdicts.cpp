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
/// letter case, names that differ only in case are one slot.
class Entries {
public:
    struct Entry {
        QString name;
        EntryType type;
        /// The row whose rename brought the entry here; -1 for an entry that was there before.
        qsizetype renamedBy = -1;
    };

    explicit Entries(const platform::FolderSurvey& folder)
        : m_ignoresCase(folder.ignoresCase) {
        m_slots.reserve(folder.entries.size());
        for (auto entry = folder.entries.cbegin(); entry != folder.entries.cend(); ++entry)
            m_slots.insert(slot(entry.key()), {entry.key(), entry.value()});
    }

    const Entry* find(const QString& name) const {
        const auto found = m_slots.constFind(slot(name));
        return found == m_slots.cend() ? nullptr : &found.value();
    }

    void rename(const QString& from, const QString& to, qsizetype row) {
        const EntryType type = m_slots.take(slot(from)).type;
        m_slots.insert(slot(to), {to, type, row});
    }

private:
    QString slot(const QString& name) const {
        return m_ignoresCase ? platform::upperCase(name) : name;
    }

    bool m_ignoresCase;
    QHash<QString, Entry> m_slots;
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
    const Entries::Entry* source = entries.find(from);
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
    if (const Entries::Entry* taken = entries.find(to); taken && taken != source) {
        if (folder.ignoresCase && taken->renamedBy >= 0 && taken->name != to)
            return Failure{Cause::SameIgnoringCase, taken->name};
        return Failure{Cause::NameTaken, taken->name};
    }
    entries.rename(from, to, row);
    return std::nullopt;
}

} // namespace

QList<Verdict> failingRows(const QStringList& newNames, const platform::FileView& currentFiles,
                           const platform::FolderSurvey& folder) {
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
    Entries entries(folder);
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
