// The journal's file format: a magic and a version, then length-prefixed, checksummed records.
//
//   file    = magic "TARVJRNL", version (u32), record*
//   record  = payload length (u32), type (u8), payload, CRC-32 of type and payload (u32)
//   Header  = folder st_dev (u64), folder st_ino (u64), time in ms since the epoch (i64),
//             rows (u64), folder path bytes (the rest)
//   Rows    = first row (u64), then per row: old name (varint length, bytes), new name (varint
//             length, bytes), st_ino (u64); the device of every row is the folder's, since a
//             rename never crosses devices
//   PlanEnd = rows (u64): the plan is whole; it is on disk before the first rename
//   Step    = row (u64), kind (u8: aside, claim, link, source), inode (u64), name bytes: an
//             intermediate name a row's rename makes, recorded before it is made; a claim is
//             recorded once more with its inode once made (0 otherwise). A source step comes
//             first in the steps of an undo's row: the name its file is moved back from.
//   Ended   = rows (u64), one bit per row (row k in byte k/8, bit k%8): renamed
//   Undone  = time in ms since the epoch (i64)
//   Settled = time in ms since the epoch (i64): the steps before it are finished or put right
// Integers are little-endian. A record whose length runs past the end of the file or whose
// checksum fails ends the journal there: a torn last record is dropped, never misread. Record
// types this version does not know are skipped.
#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <string>
#include <string_view>
#include <vector>

namespace journal {

inline constexpr std::string_view kMagic = "TARVJRNL";
inline constexpr quint32 kFormatVersion = 1;

enum class RecordType : quint8 {
    Header = 1,
    Rows = 2,
    PlanEnd = 3,
    Step = 4,
    Ended = 5,
    Undone = 6,
    Settled = 7,
};

/// The kind of a step record that names where an undo moves a row's file back from; the other
/// kinds are those of platform::RenameSteps.
inline constexpr quint8 kSourceStep = 4;

/// An intermediate name of one row's rename (platform::RenameSteps).
struct JournalStep {
    quint64 row = 0;
    quint8 kind = 0;
    quint64 inode = 0;
    QByteArray name;
};

/// Builds records into one buffer; the caller writes it out.
class RecordWriter {
public:
    std::string& buffer() { return m_buffer; }
    void appendFileStart();
    /// Appends a whole record whose payload is `payload`.
    void append(RecordType type, std::string_view payload);

private:
    std::string m_buffer;
};

void putU64(std::string& out, quint64 value);
void putVarint(std::string& out, quint64 value);
/// A name's bytes, length first: plain ASCII is copied as it stands, other text goes through
/// platform::encodeFileName.
void putName(std::string& out, const QString& name);

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
    enum class Status {
        Whole,        ///< the plan is complete
        NotAJournal,  ///< no magic, or no header: not written by this program, or damaged
        NewerVersion, ///< written by a later format version
        Truncated,    ///< the plan stops short: the file is damaged or was cut
    } status = Status::NotAJournal;

    quint64 folderDevice = 0;
    quint64 folderInode = 0;
    qint64 time = 0;
    QByteArray folderPath;
    quint64 rowCount = 0;
    /// Filled only when reading in full.
    std::vector<PlanRow> rows;
    bool ended = false;
    QByteArray renamedBits;
    bool undone = false;
    /// Whether steps were recorded since the pass or its undo last came to an end (Ended, Undone
    /// or Settled): then it was cut off, maybe mid-way through a row.
    bool stepsPending = false;
    /// Those steps: those of the row that was cut off, and of the rows before it. Filled only
    /// when reading in full.
    std::vector<JournalStep> steps;
    /// Where the last whole record ends: a new record is appended from here, so one torn record
    /// cannot hide the ones after it.
    qint64 validEnd = 0;
};

/// Reads a journal held in memory in full, every checksum checked.
JournalContents parseJournal(const QByteArray& data);

/// A Step record's payload.
std::string stepPayload(quint64 row, quint8 kind, quint64 inode, QByteArrayView name);
/// The payload of Undone and Settled: the time now.
std::string timePayload();

/// Writes a whole record at `end`, the end of the last whole record of the journal open as `fd`,
/// and moves `end` past it; with `sync`, waits for the disk. 0, or errno (also left in errno).
int writeRecordAt(int fd, qint64& end, RecordType type, std::string_view payload, bool sync);

/// Reads the whole journal open as `fd` into `data`: 0, or errno.
int readJournal(int fd, QByteArray& data);

/// Reads the header and the state records of the journal open as `fd`, seeking over the plan's
/// rows: enough to tell its folder and whether it was undone. errno, when reading fails.
int scanJournal(int fd, JournalContents& contents);

/// Whether the file system of the folder open as `fd` may give a file another inode number
/// later (FUSE drivers number files as they meet them, the kernel's FAT driver as it reads them
/// in), or the folder another device when its drive is plugged in again: there a recorded number
/// tells nothing about a file, nor a recorded device about the folder.
bool numbersFilesAnew(int fd);

} // namespace journal
