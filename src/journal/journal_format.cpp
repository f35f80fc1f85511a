// The journal's records: built into one buffer, and read back from a file in full or by seeking
// over its bulk.
#include "journal/journal_format.h"

#include "platform/file_names.h"
#include "platform/folder_survey.h"

#include <QDateTime>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace journal {

namespace {

using enum RecordType;

constexpr qsizetype kRecordHead = 5; // length (u32) and type (u8)
constexpr qsizetype kRecordTail = 4; // CRC-32
constexpr qsizetype kFileStart = qsizetype(kMagic.size()) + 4;
// No record of this program comes near it: a larger length is damage.
constexpr quint32 kMaxPayload = 64u << 20;

/// Of the type byte and the payload after it; zlib counts in uInt, far above any record.
quint32 checksum(const char* typeAndPayload, qsizetype size) {
    const auto* bytes = reinterpret_cast<const Bytef*>(typeAndPayload);
    return quint32(crc32(crc32(0L, Z_NULL, 0), bytes, uInt(size)));
}

/// Reads the fields of a payload in order; a read past its end marks it bad, and gives zeros.
struct Fields {
    const char* data;
    qsizetype size;
    qsizetype base; ///< where the payload starts in the journal
    qsizetype at = 0;
    bool ok = true;

    bool has(quint64 count) { return ok = ok && quint64(size - at) >= count; }
    quint64 u64() { return has(8) ? qFromLittleEndian<quint64>(data + (at += 8) - 8) : 0; }
    quint8 u8() { return has(1) ? quint8(data[at++]) : 0; }
    QByteArray bytes(quint64 count) {
        return has(count) ? QByteArray(data + (at += qsizetype(count)) - count, qsizetype(count))
                          : QByteArray();
    }
    QByteArray rest() { return bytes(quint64(size - at)); }
    quint64 varint() {
        quint64 value = 0;
        for (int shift = 0; shift < 64 && has(1); shift += 7) {
            value |= quint64(data[at] & 0x7F) << shift;
            if (!(data[at++] & 0x80))
                return value;
        }
        ok = false;
        return 0;
    }
    /// Skips the bytes of a name, length first: where they lie in the journal.
    qsizetype name(quint32& length) {
        length = quint32(varint());
        return has(length) ? base + (at += length) - length : 0;
    }
};

bool readHead(JournalContents& contents, Fields& fields, bool pathLengthFirst) {
    contents.folderDevice = fields.u64();
    contents.folderInode = fields.u64();
    fields.u64(); // the time of the pass, which the journal's name tells too
    contents.rowCount = fields.u64();
    contents.folderPath = pathLengthFirst ? fields.bytes(fields.varint()) : fields.rest();
    return fields.ok;
}

bool readRows(JournalContents& contents, Fields& fields, quint64 first) {
    if (first != contents.rows.size())
        return false;
    while (fields.ok && fields.at < fields.size) {
        PlanRow row{};
        row.oldAt = fields.name(row.oldLength);
        row.newAt = fields.name(row.newLength);
        row.fileId = fields.u64();
        if (fields.ok)
            contents.rows.push_back(row);
    }
    return fields.ok && contents.rows.size() <= contents.rowCount;
}

/// Applies one record to `contents`; false when it does not fit where it stands.
bool applyRecord(JournalContents& contents, RecordType type, Fields fields, bool sawHead,
                 bool full) {
    if (!sawHead && type != Header && type != Plan)
        return false;
    switch (type) {
    case Header:
        return !sawHead && readHead(contents, fields, false);
    case Plan:
    case Rows: {
        // A Plan record is version 1's Rows with the head in the first, and its plan is whole
        // once it holds every row.
        const quint64 first = fields.u64();
        if ((type == Plan && first == 0 && (sawHead || !readHead(contents, fields, true))) ||
            (full && !readRows(contents, fields, first)))
            return false;
        if (type == Plan && (!full || contents.rows.size() == contents.rowCount))
            contents.status = JournalContents::Status::Whole;
        return true;
    }
    case PlanEnd:
        if (fields.u64() != contents.rowCount ||
            (full && contents.rows.size() != contents.rowCount))
            return false;
        contents.status = JournalContents::Status::Whole;
        return fields.ok;
    case Step: {
        JournalStep step{fields.u64(), fields.u8(), fields.u64(), fields.rest()};
        if (!fields.ok || step.row >= contents.rowCount)
            return false;
        contents.steps.push_back(std::move(step));
        return true;
    }
    case End:
        if (fields.u64() != contents.rowCount)
            return false;
        contents.renamedBits = fields.rest();
        contents.ended = quint64(contents.renamedBits.size()) == (contents.rowCount + 7) / 8;
        contents.steps.clear();
        return contents.ended;
    case Closed:
    case Undone:
    case Settled:
        if (type == Closed)
            fields.u64();
        contents.undone = contents.undone || type == Undone || (type == Closed && fields.u8() == 1);
        contents.steps.clear();
        return fields.ok;
    }
    return true;
}

} // namespace

void RecordWriter::begin(RecordType type) {
    records();
    m_open = m_buffer.size();
    u32(0);
    u8(quint8(type));
}

void RecordWriter::name(const QString& name) {
    const QByteArray bytes = platform::encodeFileName(name);
    length(quint64(bytes.size()));
    this->bytes(bytes);
}

void RecordWriter::length(quint64 value) {
    for (; value >= 0x80; value >>= 7)
        u8(quint8((value & 0x7F) | 0x80));
    u8(quint8(value));
}

void RecordWriter::step(quint64 row, quint8 kind, quint64 inode, QByteArrayView name) {
    begin(Step);
    u64(row);
    u8(kind);
    u64(inode);
    bytes(name);
}

void RecordWriter::closed(bool undone) {
    begin(Closed);
    u64(quint64(QDateTime::currentMSecsSinceEpoch()));
    u8(undone ? 1 : 0);
}

std::string& RecordWriter::records() {
    if (m_open != std::string::npos) {
        const auto length = quint32(payloadSize());
        qToLittleEndian(length, m_buffer.data() + m_open);
        u32(checksum(m_buffer.data() + m_open + 4, qsizetype(length) + 1));
        m_open = std::string::npos;
    }
    return m_buffer;
}

bool JournalContents::planIsPlain() const {
    for (quint64 row = 0; row < rows.size(); ++row)
        if (!platform::isPlainName(oldName(row)) || !platform::isPlainName(newName(row)))
            return false;
    return true;
}

JournalContents readJournal(int fd, bool full) {
    JournalContents contents;
    // The whole file, or a window moved along it, so that the many small records after the plan
    // cost one read a window, and skipping a large record reads only its head.
    QByteArray& bytes = contents.data;
    qint64 start = 0;
    const auto fill = [&](qint64 offset, qsizetype size) {
        start = offset;
        bytes.resize(size);
        qsizetype done = 0;
        while (done < size) {
            const ssize_t got =
                ::pread(fd, bytes.data() + done, size_t(size - done), offset + done);
            if (got < 0 && errno == EINTR)
                continue;
            contents.error = got < 0 ? errno : contents.error;
            if (got <= 0)
                break;
            done += got;
        }
        bytes.resize(done);
    };
    const auto at = [&](qint64 offset, qsizetype size) -> const char* {
        const auto holds = [&] { return offset >= start && offset + size <= start + bytes.size(); };
        if (!full && !holds())
            fill(offset, std::max(size, qsizetype(8192)));
        return holds() ? bytes.constData() + (offset - start) : nullptr;
    };
    struct stat status {};
    if (full && ::fstat(fd, &status) != 0)
        contents.error = errno;
    if (full)
        fill(0, qsizetype(status.st_size));
    const char* magic = at(0, kFileStart);
    const quint32 version = magic && std::memcmp(magic, kMagic.data(), kMagic.size()) == 0
                                ? qFromLittleEndian<quint32>(magic + kMagic.size())
                                : 0;
    bool sawHead = false;
    qint64 offset = contents.validEnd = kFileStart;
    for (const char* head; version > 0 && version <= kFormatVersion &&
                           (head = at(offset, kRecordHead)) &&
                           qFromLittleEndian<quint32>(head) <= kMaxPayload;) {
        const qsizetype length = qFromLittleEndian<quint32>(head);
        const auto type = RecordType(static_cast<quint8>(head[4]));
        const qint64 next = offset + kRecordHead + length + kRecordTail;
        // The rows and the steps are the bulk of a journal; their checksums are checked when it is
        // read in full for its undo or its repair.
        if (!full && sawHead && (type == Plan || type == Rows || type == Step)) {
            offset = next;
            continue;
        }
        const char* record = at(offset, kRecordHead + length + kRecordTail);
        if (!record ||
            qFromLittleEndian<quint32>(record + kRecordHead + length) !=
                checksum(record + 4, length + 1) ||
            !applyRecord(contents, type, Fields{record + kRecordHead, length, offset + kRecordHead},
                         sawHead, full))
            break;
        sawHead = true;
        contents.validEnd = offset = next;
    }
    if (version > kFormatVersion)
        contents.status = JournalContents::Status::NewerVersion;
    else if (sawHead && contents.status != JournalContents::Status::Whole)
        contents.status = JournalContents::Status::Truncated;
    if (!full)
        bytes.clear();
    return contents;
}

bool writeRecords(int fd, std::string& records) {
    for (size_t done = 0; done < records.size();) {
        const ssize_t written = ::write(fd, records.data() + done, records.size() - done);
        if (written > 0) {
            done += size_t(written);
        } else if (written == 0 || errno != EINTR) {
            errno = written < 0 ? errno : EIO;
            return false;
        }
    }
    records.clear();
    return true;
}

bool appendRecords(int fd, JournalContents& contents, std::string& records, bool sync) {
    const quint32 version = qToLittleEndian(kFormatVersion);
    if (!contents.resumed &&
        (::ftruncate(fd, contents.validEnd) != 0 ||
         ::pwrite(fd, &version, sizeof version, qint64(kMagic.size())) != ssize_t(sizeof version) ||
         ::lseek(fd, contents.validEnd, SEEK_SET) < 0))
        return false;
    contents.resumed = true;
    const auto size = qint64(records.size());
    if (!writeRecords(fd, records) || (sync && ::fdatasync(fd) != 0))
        return false;
    contents.validEnd += size;
    return true;
}

} // namespace journal
