// The journal of every rename pass, one file per pass, and the latest pass of a folder read back
// for its undo.
#pragma once

#include "filesystem/folder_lister.h"
#include "journal/journal_format.h"
#include "platform/pass_journal.h"

#include <QHash>
#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace journal {

/// Where the journals are kept: $XDG_STATE_HOME/tarvelok, by default ~/.local/state/tarvelok.
/// A relative XDG_STATE_HOME or HOME is passed over; "" when no home folder is known.
QString defaultDirectory();

/// Opens the folder of journals `directory`, made 0700 first when `create` and it is missing.
/// Journals name the user's files and steer what the repair removes, so the folder is used only
/// when it is a real folder (not a link), the user's own, and writable by nobody else. Otherwise
/// -1, and `problem` says why in Russian; `problem` stays empty when the folder is simply not
/// there (and not made).
int openJournalDirectory(const QString& directory, bool create, QString& problem);

/// Opens the journal `name` of the folder of journals open as `directoryFd`, with `flags`
/// (O_RDONLY or O_RDWR): only a regular file of the user's, mode 0600, never through a link and
/// never waiting on a pipe. -1 and errno otherwise, and `problem` says why when it is there but
/// not such a file.
int openJournalFile(int directoryFd, const char* name, int flags, QString& problem);

/// Beside a journal while its pass or its undo may record steps, "<journal>.open": the repair at
/// the next start looks only at the journals such a file names, not at every journal.
inline constexpr char kOpenSuffix[] = ".open";

/// How many passes are kept per folder, and for how long.
inline constexpr int kPassesPerFolder = 20;
inline constexpr qint64 kKeptMs = 30LL * 24 * 60 * 60 * 1000;

class PassJournal final : public platform::PassJournal {
public:
    explicit PassJournal(QString directory = defaultDirectory())
        : m_directory(std::move(directory)) {}
    ~PassJournal() override { close(); }
    Q_DISABLE_COPY_MOVE(PassJournal)

    /// The folder of journals, where latestPass and hasPassToUndo read this journal's passes.
    const QString& directory() const { return m_directory; }

    void begin(const platform::RenamePlan& plan) override;
    void renaming(qsizetype row) override { m_row = row; }
    void step(Kind kind, QByteArrayView name, quint64 inode) override;
    void leftBehind(QByteArrayView) override { m_leftBehind = m_recording; }
    void end(const std::vector<bool>& renamed) override;

private:
    void close();

    QString m_directory;
    int m_directoryFd = -1; ///< open while the pass runs, for its marker
    int m_fd = -1;
    bool m_recording = false;  ///< steps are still being written
    bool m_leftBehind = false; ///< a claim or link of a failed rename is still there, recorded
    qsizetype m_row = 0;
    QByteArray m_marker; ///< the open marker's name while it exists
};

/// A pass read back from its journal, with where each of its files is now.
struct PassLookup;

/// The inode of each entry of a folder read by name: a table of indexes into the entries, four
/// bytes a slot where a hash of names took a node each.
class EntryIndex {
public:
    /// Indexes every entry of `entries`, which must outlive this unchanged; of names given twice,
    /// the last counts.
    explicit EntryIndex(const filesystem::FolderEntries* entries = nullptr);
    std::optional<quint64> fileId(QByteArrayView name) const;
    bool contains(QByteArrayView name) const { return fileId(name).has_value(); }

private:
    size_t slotOf(QByteArrayView name) const;

    const filesystem::FolderEntries* m_entries;
    std::vector<quint32> m_slots;
};

class RecordedPass final : public platform::PassRecord {
public:
    RecordedPass() = default;
    ~RecordedPass() override;
    Q_DISABLE_COPY_MOVE(RecordedPass)

    QString folder() const override { return m_folder; }
    qsizetype count() const override { return qsizetype(m_contents.rows.size()); }
    QString oldName(qsizetype row) const override;
    QString newName(qsizetype row) const override;
    bool leftAlone(qsizetype row) const override;
    QString currentName(qsizetype row) const override;
    bool replaced(qsizetype row) const override;
    void restoring(qsizetype row, const QString& from) override;
    void step(Kind kind, QByteArrayView name, quint64 inode) override;

    /// Records that the undo ended, and whether it undid the pass: when `undone`, the next undo
    /// goes further back; otherwise (some files could not be moved back) its steps are all
    /// finished, and with no steps taken there is nothing to record. False, with errno set, when
    /// the journal cannot be written.
    bool recordClosed(bool undone);
    bool markUndone() { return recordClosed(true); }

    /// The most recent pass in `folder` not undone yet; with `readIn`, read in full, and the
    /// folder read once to find its files by inode.
    static PassLookup find(const QString& folder, const QString& directory, bool readIn);

private:
    QString m_folder;
    QByteArray m_name;      ///< the journal's name in its folder
    int m_directoryFd = -1; ///< the folder of journals, for the open marker
    bool m_writable = false;
    JournalContents m_contents;
    filesystem::FolderEntries m_entries;          ///< the folder as the lookup read it
    EntryIndex m_byName;                          ///< the inode of each name in m_entries
    QMultiHash<quint64, QByteArrayView> m_asides; ///< the aside names among them, by inode
    bool m_renumbers = false;                     ///< the folder's file system numbers files anew
    int m_fd = -1;                                ///< open, and locked, from the lookup on
    qsizetype m_row = 0;
    QByteArray m_from; ///< told before the row's first step, then cleared
    bool m_steps = false;
    QByteArray m_marker; ///< the open marker's path while it exists
};

struct PassLookup {
    /// Nothing: no pass of this folder is left to undo. Refused: there is one, but it cannot be
    /// undone, and `problem` says why.
    enum class Status { Nothing, Refused, Ready } status = Status::Nothing;
    QString problem;
    std::unique_ptr<RecordedPass> pass;
};

/// The most recent pass in `folder` (clean and absolute) not undone yet, read in full, and the
/// folder read once to find its files by inode.
inline PassLookup latestPass(const QString& folder, const QString& directory = defaultDirectory()) {
    return RecordedPass::find(folder, directory, true);
}

/// Whether `folder` has a pass not undone yet, without reading any pass in full.
inline bool hasPassToUndo(const QString& folder, const QString& directory = defaultDirectory()) {
    return RecordedPass::find(folder, directory, false).status != PassLookup::Status::Nothing;
}

} // namespace journal
