// The journal's file format: a magic and a version, then length-prefixed, checksummed records.
//
//   file    = magic "TARVJRNL", version (u32), record*
//   record  = payload length (u32), type (u8), payload, CRC-32 of type and payload (u32)
//   Plan    = first row (u64); in the first Plan record, first row 0, the plan's head: folder
//             st_dev (u64), folder st_ino (u64), time in ms since the epoch (i64), rows (u64),
//             folder path (varint length, bytes); then per row: old name (varint length, bytes),
//             new name (varint length, bytes), st_ino (u64). A long plan takes several Plan
//             records; it is whole once they hold every row, and it is on disk before the first
//             rename. The device of every row is the folder's: a rename never crosses devices.
//   Step    = row (u64), kind (u8: aside, claim, link, source), inode (u64), name bytes: an
//             intermediate name a row's rename makes, recorded before it is made; a claim is
//             recorded once more with its inode once made (0 otherwise). A source step comes
//             first in the steps of an undo's row: the name its file is moved back from.
//   End     = rows (u64), one bit per row (row k in byte k/8, bit k%8): renamed
//   Closed  = time in ms since the epoch (i64), undone (u8): the pass was undone (1), or the
//             steps before it are finished or put right (0)
// Version 1 wrote the plan as Header (the plan's head, the path taking the rest of it), Rows
// (first row, then the rows as in Plan) and PlanEnd (rows), and Closed as Undone and Settled
// (the time alone); Step and End are the same in both. A type number keeps its layout in every
// version, so one reader reads them all. Integers are little-endian. A record whose length runs
// past the end of the file or whose checksum fails ends the journal there: a torn last record is
// dropped, never misread. Record types the reader does not know are skipped.
#pragma once

#include <QByteArray>
#include <QString>
#include <QtEndian>
#include <QtGlobal>
#include <string>
#include <string_view>
#include <vector>

namespace journal {

inline constexpr std::string_view kMagic = "TARVJRNL";
inline constexpr quint32 kFormatVersion = 2;

/// Header, Rows, PlanEnd, Undone and Settled are read in journals of version 1 alone.
enum class RecordType { Header = 1, Rows, PlanEnd, Step, End, Undone, Settled, Plan, Closed };

/// The kind of a step record that names where an undo moves a row's file back from; the other
/// kinds are those of platform::RenameSteps.
inline constexpr quint8 kSourceStep = 4;

/// Builds records one after another into one buffer; the caller writes it out.
class RecordWriter {
public:
    RecordWriter() = default;
    /// Starts with the magic and `version`: a new journal.
    explicit RecordWriter(quint32 version)
        : m_buffer(kMagic) {
        u32(version);
    }
    /// Begins a record of `type`; its fields follow. The next begin() or records() closes it.
    void begin(RecordType type);
    void u64(quint64 value) { put(qToLittleEndian(value)); }
    void u8(quint8 value) { m_buffer.push_back(char(value)); }
    void bytes(QByteArrayView bytes) { m_buffer.append(bytes.data(), size_t(bytes.size())); }
    /// A name's bytes, length first: plain ASCII as it stands, other text through
    /// platform::encodeFileName.
    void name(const QString& name);
    void step(quint64 row, quint8 kind, quint64 inode, QByteArrayView name);
    /// A Closed record, stamped with the current time.
    void closed(bool undone);
    /// The payload of the record being built, so far.
    size_t payloadSize() const { return m_buffer.size() - m_open - 5; }
    /// The records built, every one closed; the caller may clear them once written.
    std::string& records();

private:
    template <class T> void put(T little) {
        m_buffer.append(reinterpret_cast<const char*>(&little), sizeof little);
    }
    void u32(quint32 value) { put(qToLittleEndian(value)); }
    void length(quint64 value);

    std::string m_buffer;
    size_t m_open = std::string::npos; ///< where the record being built starts
};

/// An intermediate name of one row's rename (platform::RenameSteps).
struct JournalStep {
    quint64 row = 0;
    quint8 kind = 0;
    quint64 inode = 0;
    QByteArray name;
};

/// Where a row's two names lie in the journal's bytes.
struct PlanRow {
    qsizetype oldAt;
    qsizetype newAt;
    quint32 oldLength;
    quint32 newLength;
    quint64 fileId;
};

/// A journal file as read back.
struct JournalContents {
    /// Whole: the plan is complete. NotAJournal: no magic, or no plan: not written by this
    /// program, or damaged. NewerVersion: written by a later format version. Truncated: the
    /// plan stops short, the file is damaged or was cut.
    enum class Status { Whole, NotAJournal, NewerVersion, Truncated } status = Status::NotAJournal;
    int error = 0; ///< errno, when reading failed

    quint64 folderDevice = 0;
    quint64 folderInode = 0;
    QByteArray folderPath;
    quint64 rowCount = 0;
    /// The whole file and its rows; filled only when reading in full.
    QByteArray data;
    std::vector<PlanRow> rows;
    bool ended = false;
    QByteArray renamedBits;
    bool undone = false;
    /// The steps recorded since the pass or its undo last came to an end (End or Closed): then
    /// it was cut off, maybe mid-way through a row. Those of the row that was cut off, and of
    /// the rows before it; read only in full.
    std::vector<JournalStep> steps;
    /// Where the last whole record ends: a new record is appended from here, so one torn record
    /// cannot hide the ones after it.
    qint64 validEnd = 0;
    bool resumed = false; ///< records have been appended since it was read

    QByteArray oldName(quint64 row) const { return data.mid(rows[row].oldAt, rows[row].oldLength); }
    QByteArray newName(quint64 row) const { return data.mid(rows[row].newAt, rows[row].newLength); }
    /// Whether every row names a file of its folder by plain names: anything else was not
    /// written by a pass, and is never acted on.
    bool planIsPlain() const;
};

/// Reads the journal open as `fd`: in full, every checksum checked, or not `full`, only its
/// plan's head and its closing records, seeking over the rows and the steps: enough to tell its
/// folder and whether it was undone. A plan read so counts as whole once its head is read.
JournalContents readJournal(int fd, bool full);

/// Writes all of `records` at the file offset of `fd`, and clears them: false, errno set, when
/// they cannot be written.
bool writeRecords(int fd, std::string& records);

/// Appends `records` to the journal `contents` was read from, open as `fd`, after its last whole
/// record, and with `sync` waits for the disk. The journal is marked with this version first, so
/// an earlier program refuses one of an earlier version rather than pass over what it cannot
/// read. False, errno set, when it cannot be written.
bool appendRecords(int fd, JournalContents& contents, std::string& records, bool sync);

} // namespace journal
