// The journal's records: built into one buffer, and read back from a file in full or by seeking
// over its bulk.
#include "journal/journal_format.h"

#include "platform/file_names.h"
#include "platform/folder_survey.h"

#include <QDateTime>
#include <QtEndian>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace journal {

namespace {

constexpr qsizetype kRecordHead = 5; // length (u32) and type (u8)
constexpr qsizetype kRecordTail = 4; // CRC-32
constexpr qsizetype kFileStart = qsizetype(kMagic.size()) + 4;
// No record of this program comes near it: a larger length is damage.
constexpr quint32 kMaxPayload = 64u << 20;

/// Of the type byte and the payload after it.
quint32 checksum(const char* typeAndPayload, qsizetype size) {
    // zlib counts in uInt; a record is far below its limit.
    return quint32(
        crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(typeAndPayload), uInt(size)));
}

template <class T> void put(std::string& out, T value) {
    const T little = qToLittleEndian(value);
    out.append(reinterpret_cast<const char*>(&little), sizeof little);
}

/// Reads the fields of a payload in order; any read past its end marks it bad.
class Fields {
public:
    Fields(const char* data, qsizetype size, qsizetype base)
        : m_data(data)
        , m_size(size)
        , m_base(base) {}

    bool ok() const { return m_ok; }
    bool atEnd() const { return m_at >= m_size; }
    quint64 u64() { return m_size - m_at < 8 ? fail() : qFromLittleEndian<quint64>(take(8)); }
    quint8 u8() { return m_at >= m_size ? quint8(fail()) : quint8(*take(1)); }
    quint64 varint() {
        quint64 value = 0;
        for (int shift = 0; shift < 64 && m_at < m_size; shift += 7) {
            const auto byte = static_cast<unsigned char>(*take(1));
            value |= quint64(byte & 0x7F) << shift;
            if (!(byte & 0x80))
                return value;
        }
        return fail();
    }
    /// Skips `length` bytes; where they began, counted from the start of the whole journal.
    qsizetype skip(quint64 length) {
        if (quint64(m_size - m_at) < length)
            return qsizetype(fail());
        return m_base + (take(qsizetype(length)) - m_data);
    }
    QByteArray bytes(quint64 length) {
        const qsizetype at = skip(length);
        return m_ok ? QByteArray(m_data + (at - m_base), qsizetype(length)) : QByteArray();
    }
    QByteArray rest() { return bytes(quint64(m_size - m_at)); }

private:
    const char* take(qsizetype size) {
        const char* at = m_data + m_at;
        m_at += size;
        return at;
    }
    quint64 fail() {
        m_ok = false;
        m_at = m_size;
        return 0;
    }

    const char* m_data;
    qsizetype m_size;
    qsizetype m_base;
    qsizetype m_at = 0;
    bool m_ok = true;
};

/// A journal's bytes: the whole file, or a window moved along it, so that the many small records
/// after the plan cost one read a window, and skipping a large record reads only its head.
class FileBytes {
public:
    FileBytes(int fd, bool whole)
        : m_fd(fd)
        , m_whole(whole) {
        struct stat status;
        if (whole && ::fstat(fd, &status) != 0)
            m_error = errno;
        else if (whole)
            fill(0, qsizetype(status.st_size));
    }

    /// `size` bytes from `offset` on; null where the file ends before them, or reading fails.
    const char* at(qint64 offset, qsizetype size) {
        if (!m_whole && !holds(offset, size))
            fill(offset, std::max(size, qsizetype(8192)));
        return holds(offset, size) ? m_bytes.constData() + (offset - m_start) : nullptr;
    }
    int error() const { return m_error; }
    QByteArray take() { return std::move(m_bytes); }

private:
    bool holds(qint64 offset, qsizetype size) const {
        return offset >= m_start && offset + size <= m_start + m_bytes.size();
    }
    void fill(qint64 offset, qsizetype size) {
        m_start = offset;
        m_bytes.resize(size);
        qsizetype done = 0;
        while (done < size) {
            const ssize_t got =
                ::pread(m_fd, m_bytes.data() + done, size_t(size - done), offset + done);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                m_error = errno;
            if (got <= 0)
                break;
            done += got;
        }
        m_bytes.resize(done);
    }

    int m_fd;
    bool m_whole;
    int m_error = 0;
    qint64 m_start = 0;
    QByteArray m_bytes;
};

/// Reads a plan's head; one after the first must repeat it.
bool readHead(JournalContents& contents, Fields& fields, bool pathLengthFirst, bool again) {
    const quint64 device = fields.u64();
    const quint64 inode = fields.u64();
    const auto time = qint64(fields.u64());
    const quint64 rows = fields.u64();
    const QByteArray path = pathLengthFirst ? fields.bytes(fields.varint()) : fields.rest();
    if (again)
        return fields.ok() && device == contents.folderDevice && inode == contents.folderInode &&
               time == contents.time && rows == contents.rowCount && path == contents.folderPath;
    contents.folderDevice = device;
    contents.folderInode = inode;
    contents.time = time;
    contents.rowCount = rows;
    contents.folderPath = path;
    return fields.ok();
}

bool readRows(JournalContents& contents, Fields& fields) {
    if (fields.u64() != contents.rows.size())
        return false;
    while (fields.ok() && !fields.atEnd()) {
        PlanRow row{};
        row.oldLength = quint32(fields.varint());
        row.oldAt = fields.skip(row.oldLength);
        row.newLength = quint32(fields.varint());
        row.newAt = fields.skip(row.newLength);
        row.fileId = fields.u64();
        if (fields.ok())
            contents.rows.push_back(row);
    }
    return fields.ok() && contents.rows.size() <= contents.rowCount;
}

void settle(JournalContents& contents) {
    contents.steps.clear();
    contents.stepsPending = false;
}

/// Applies one record to `contents`; false when it does not fit where it stands.
bool applyRecord(JournalContents& contents, RecordType type, Fields fields, bool sawHead,
                 bool full) {
    if (!sawHead && type != RecordType::Header && type != RecordType::Plan)
        return false;
    switch (type) {
    case RecordType::Header:
        return !sawHead && readHead(contents, fields, false, false);
    case RecordType::Plan:
        if (!readHead(contents, fields, true, sawHead) || (full && !readRows(contents, fields)))
            return false;
        if (!full || contents.rows.size() == contents.rowCount)
            contents.status = JournalContents::Status::Whole;
        return true;
    case RecordType::Rows:
        return !full || readRows(contents, fields);
    case RecordType::PlanEnd:
        if (fields.u64() != contents.rowCount ||
            (full && contents.rows.size() != contents.rowCount))
            return false;
        contents.status = JournalContents::Status::Whole;
        return fields.ok();
    case RecordType::Step: {
        contents.stepsPending = true;
        JournalStep step{fields.u64(), fields.u8(), fields.u64(), fields.rest()};
        if (!fields.ok() || step.row >= contents.rowCount)
            return false;
        contents.steps.push_back(std::move(step));
        return true;
    }
    case RecordType::End:
        if (fields.u64() != contents.rowCount)
            return false;
        contents.renamedBits = fields.rest();
        contents.ended = quint64(contents.renamedBits.size()) == (contents.rowCount + 7) / 8;
        settle(contents);
        return contents.ended;
    case RecordType::Closed:
        fields.u64();
        contents.undone = fields.u8() == 1 || contents.undone;
        settle(contents);
        return fields.ok();
    case RecordType::Undone:
        contents.undone = true;
        [[fallthrough]];
    case RecordType::Settled:
        settle(contents);
        return true;
    }
    return true;
}

} // namespace

RecordWriter::RecordWriter(quint32 version) {
    m_buffer.append(kMagic);
    put(m_buffer, version);
}

void RecordWriter::begin(RecordType type) {
    records();
    m_open = m_buffer.size();
    m_buffer.append(4, '\0');
    m_buffer.push_back(char(type));
}

void RecordWriter::u64(quint64 value) {
    put(m_buffer, value);
}

void RecordWriter::u8(quint8 value) {
    m_buffer.push_back(char(value));
}

void RecordWriter::bytes(QByteArrayView bytes) {
    m_buffer.append(bytes.data(), size_t(bytes.size()));
}

void RecordWriter::length(quint64 value) {
    for (; value >= 0x80; value >>= 7)
        m_buffer.push_back(char((value & 0x7F) | 0x80));
    m_buffer.push_back(char(value));
}

void RecordWriter::name(QByteArrayView bytes) {
    length(quint64(bytes.size()));
    this->bytes(bytes);
}

void RecordWriter::fileName(const QString& name) {
    // Nearly every name is plain ASCII: its bytes are its code units, with no encoding to pay.
    if (!std::all_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x80; }))
        return this->name(platform::encodeFileName(name));
    length(quint64(name.size()));
    for (const QChar c : name)
        m_buffer.push_back(char(c.unicode()));
}

void RecordWriter::step(quint64 row, quint8 kind, quint64 inode, QByteArrayView name) {
    begin(RecordType::Step);
    u64(row);
    u8(kind);
    u64(inode);
    bytes(name);
}

void RecordWriter::closed(bool undone) {
    begin(RecordType::Closed);
    u64(quint64(QDateTime::currentMSecsSinceEpoch()));
    u8(undone ? 1 : 0);
}

std::string& RecordWriter::records() {
    if (m_open != std::string::npos) {
        const auto length = quint32(m_buffer.size() - m_open - kRecordHead);
        qToLittleEndian(length, m_buffer.data() + m_open);
        put(m_buffer, checksum(m_buffer.data() + m_open + 4, qsizetype(length) + 1));
        m_open = std::string::npos;
    }
    return m_buffer;
}

QByteArray JournalContents::oldName(quint64 row) const {
    return data.mid(rows[row].oldAt, rows[row].oldLength);
}

QByteArray JournalContents::newName(quint64 row) const {
    return data.mid(rows[row].newAt, rows[row].newLength);
}

bool JournalContents::planIsPlain() const {
    for (quint64 row = 0; row < rows.size(); ++row)
        if (!platform::isPlainName(oldName(row)) || !platform::isPlainName(newName(row)))
            return false;
    return true;
}

JournalContents readJournal(int fd, bool full) {
    JournalContents contents;
    FileBytes file(fd, full);
    const char* start = file.at(0, kFileStart);
    if (start && std::memcmp(start, kMagic.data(), kMagic.size()) == 0)
        contents.version = qFromLittleEndian<quint32>(start + kMagic.size());
    if (contents.version > kFormatVersion)
        contents.status = JournalContents::Status::NewerVersion;
    if (contents.version == 0 || contents.version > kFormatVersion) {
        contents.error = file.error();
        return contents;
    }
    bool sawHead = false;
    qint64 at = kFileStart;
    contents.validEnd = at;
    while (const char* head = file.at(at, kRecordHead)) {
        const auto length = qFromLittleEndian<quint32>(head);
        const auto type = RecordType(head[4]);
        if (length > kMaxPayload)
            break;
        const qint64 next = at + kRecordHead + length + kRecordTail;
        if (!full && sawHead &&
            (type == RecordType::Plan || type == RecordType::Rows || type == RecordType::Step)) {
            // The rows and the steps are the bulk of a journal; their checksums are checked when
            // it is read in full for its undo or its repair.
            contents.stepsPending = contents.stepsPending || type == RecordType::Step;
            at = next;
            continue;
        }
        const char* record = file.at(at, kRecordHead + length + kRecordTail);
        if (!record ||
            qFromLittleEndian<quint32>(record + kRecordHead + length) !=
                checksum(record + 4, qsizetype(length) + 1) ||
            !applyRecord(contents, type, Fields(record + kRecordHead, length, at + kRecordHead),
                         sawHead, full))
            break;
        sawHead = true;
        at = next;
        contents.validEnd = at;
    }
    if (!sawHead)
        contents.status = JournalContents::Status::NotAJournal;
    else if (contents.status != JournalContents::Status::Whole)
        contents.status = JournalContents::Status::Truncated;
    contents.error = file.error();
    if (full)
        contents.data = file.take();
    return contents;
}

int appendRecords(int fd, JournalContents& contents, std::string_view records, bool sync) {
    errno = 0;
    if (!contents.resumed) {
        const quint32 version = qToLittleEndian(kFormatVersion);
        if (::ftruncate(fd, contents.validEnd) != 0 ||
            (contents.version < kFormatVersion &&
             ::pwrite(fd, &version, sizeof version, qint64(kMagic.size())) !=
                 ssize_t(sizeof version)))
            return errno = errno ? errno : EIO;
        contents.resumed = true;
    }
    if (::pwrite(fd, records.data(), records.size(), contents.validEnd) !=
            ssize_t(records.size()) ||
        (sync && ::fdatasync(fd) != 0))
        return errno = errno ? errno : EIO;
    contents.validEnd += qint64(records.size());
    return 0;
}

} // namespace journal
