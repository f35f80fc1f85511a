// The journal's records: built into one buffer, read back from memory or by seeking over a file.
#include "journal/journal_format.h"

#include "platform/file_names.h"

#include <QDateTime>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>
#include <zlib.h>

namespace journal {

namespace {

constexpr qsizetype kRecordHead = 5; // length (u32) and type (u8)
constexpr qsizetype kRecordTail = 4; // CRC-32
constexpr qsizetype kFileStart = qsizetype(kMagic.size()) + 4;
// No record of this program comes near it: a larger length is damage.
constexpr quint32 kMaxPayload = 64u << 20;

void putU32(std::string& out, quint32 value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(char(value >> (8 * i) & 0xFF));
}

quint64 getLittleEndian(const char* bytes, int size) {
    quint64 value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | static_cast<unsigned char>(bytes[i]);
    return value;
}

quint32 checksum(quint8 type, const char* payload, qsizetype size) {
    uLong crc = crc32(0L, Z_NULL, 0);
    const auto typeByte = static_cast<Bytef>(type);
    crc = crc32(crc, &typeByte, 1);
    // zlib counts in uInt; a payload is far below its limit.
    crc = crc32(crc, reinterpret_cast<const Bytef*>(payload), uInt(size));
    return quint32(crc);
}

/// Reads the fields of a payload in order; any read past its end marks it bad.
class PayloadReader {
public:
    PayloadReader(const char* data, qsizetype size, qsizetype base)
        : m_data(data)
        , m_size(size)
        , m_base(base) {}

    bool ok() const { return m_ok; }
    bool atEnd() const { return m_at >= m_size; }
    quint64 u64() { return integer(8); }
    quint8 u8() { return quint8(integer(1)); }
    /// A little-endian integer of `size` bytes.
    quint64 integer(int size) {
        if (m_size - m_at < size)
            return fail();
        const quint64 value = getLittleEndian(m_data + m_at, size);
        m_at += size;
        return value;
    }
    quint64 varint() {
        quint64 value = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            if (m_at >= m_size)
                return fail();
            const auto byte = static_cast<unsigned char>(m_data[m_at++]);
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
        const qsizetype at = m_base + m_at;
        m_at += qsizetype(length);
        return at;
    }
    QByteArray rest() {
        const QByteArray bytes(m_data + m_at, m_size - m_at);
        m_at = m_size;
        return bytes;
    }

private:
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

/// Applies one record to `contents`; false when it does not fit where it stands.
bool applyRecord(JournalContents& contents, quint8 type, PayloadReader payload, bool sawHeader,
                 bool fullRows) {
    if (!sawHeader && type != quint8(RecordType::Header))
        return false;
    switch (RecordType(type)) {
    case RecordType::Header:
        if (sawHeader)
            return false;
        contents.folderDevice = payload.u64();
        contents.folderInode = payload.u64();
        contents.time = qint64(payload.u64());
        contents.rowCount = payload.u64();
        contents.folderPath = payload.rest();
        return payload.ok();
    case RecordType::Rows: {
        if (!fullRows)
            return true;
        if (payload.u64() != contents.rows.size())
            return false;
        while (payload.ok() && !payload.atEnd()) {
            PlanRow row{};
            row.oldLength = quint32(payload.varint());
            row.oldAt = payload.skip(row.oldLength);
            row.newLength = quint32(payload.varint());
            row.newAt = payload.skip(row.newLength);
            row.fileId = payload.u64();
            if (payload.ok())
                contents.rows.push_back(row);
        }
        return payload.ok() && contents.rows.size() <= contents.rowCount;
    }
    case RecordType::PlanEnd:
        if (payload.u64() != contents.rowCount ||
            (fullRows && contents.rows.size() != contents.rowCount))
            return false;
        contents.status = JournalContents::Status::Whole;
        return payload.ok();
    case RecordType::Ended:
        if (payload.u64() != contents.rowCount)
            return false;
        contents.renamedBits = payload.rest();
        contents.ended =
            qsizetype(contents.renamedBits.size()) == qsizetype((contents.rowCount + 7) / 8);
        contents.steps.clear();
        contents.stepsPending = false;
        return contents.ended;
    case RecordType::Undone:
        contents.undone = true;
        contents.steps.clear();
        contents.stepsPending = false;
        return true;
    case RecordType::Settled:
        contents.steps.clear();
        contents.stepsPending = false;
        return true;
    case RecordType::Step: {
        contents.stepsPending = true;
        if (!fullRows)
            return true;
        JournalStep step;
        step.row = payload.u64();
        step.kind = payload.u8();
        step.inode = payload.u64();
        step.name = payload.rest();
        if (!payload.ok() || step.row >= contents.rowCount)
            return false;
        contents.steps.push_back(std::move(step));
        return true;
    }
    default:
        return true;
    }
}

/// Checks the start of a journal; the status it implies when it is not one this version reads.
bool checkFileStart(const char* data, qsizetype size, JournalContents& contents) {
    if (size < kFileStart || std::memcmp(data, kMagic.data(), kMagic.size()) != 0) {
        contents.status = JournalContents::Status::NotAJournal;
        return false;
    }
    if (getLittleEndian(data + kMagic.size(), 4) > kFormatVersion) {
        contents.status = JournalContents::Status::NewerVersion;
        return false;
    }
    return true;
}

/// Reads up to `size` bytes at `offset`: how many, fewer only at the end of the file; -1 on an
/// error, with errno set.
qsizetype readAt(int fd, char* into, qsizetype size, qint64 offset) {
    qsizetype done = 0;
    while (done < size) {
        const ssize_t got = ::pread(fd, into + done, size_t(size - done), offset + done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

/// Reads a file at given offsets through one small window of it: the many small records after the
/// plan then cost one read per window instead of two per record, while skipping a large record
/// still reads only the window at its head.
class WindowReader {
public:
    explicit WindowReader(int fd)
        : m_fd(fd) {}

    /// Copies up to `size` bytes from `offset`: how many, fewer at the end of the file; -1 on a
    /// read error, with errno set.
    qsizetype read(char* into, qsizetype size, qint64 offset) {
        qsizetype done = 0;
        while (done < size) {
            const qint64 at = offset + done;
            if (at < m_start || at >= m_start + m_window.size()) {
                if (!fill(at))
                    return -1;
                if (m_window.isEmpty())
                    break;
            }
            const qsizetype count =
                std::min(size - done, qsizetype(m_start + m_window.size() - at));
            std::memcpy(into + done, m_window.constData() + (at - m_start), size_t(count));
            done += count;
        }
        return done;
    }

private:
    static constexpr qsizetype kWindow = 8192;

    bool fill(qint64 at) {
        m_start = at;
        m_window.resize(kWindow);
        const qsizetype got = readAt(m_fd, m_window.data(), kWindow, at);
        m_window.resize(std::max(got, qsizetype(0)));
        return got >= 0;
    }

    int m_fd;
    qint64 m_start = 0;
    QByteArray m_window;
};

void finish(JournalContents& contents, bool sawHeader) {
    if (!sawHeader)
        contents.status = JournalContents::Status::NotAJournal;
    else if (contents.status != JournalContents::Status::Whole)
        contents.status = JournalContents::Status::Truncated;
}

} // namespace

void putU64(std::string& out, quint64 value) {
    for (int i = 0; i < 8; ++i)
        out.push_back(char(value >> (8 * i) & 0xFF));
}

void putVarint(std::string& out, quint64 value) {
    while (value >= 0x80) {
        out.push_back(char((value & 0x7F) | 0x80));
        value >>= 7;
    }
    out.push_back(char(value));
}

void putName(std::string& out, const QString& name) {
    const QChar* text = name.constData();
    const qsizetype length = name.size();
    qsizetype i = 0;
    while (i < length && text[i].unicode() < 0x80)
        ++i;
    if (i == length) {
        putVarint(out, quint64(length));
        const size_t at = out.size();
        out.resize(at + size_t(length));
        for (qsizetype k = 0; k < length; ++k)
            out[at + size_t(k)] = char(text[k].unicode());
        return;
    }
    const QByteArray bytes = platform::encodeFileName(name);
    putVarint(out, quint64(bytes.size()));
    out.append(bytes.constData(), size_t(bytes.size()));
}

void RecordWriter::appendFileStart() {
    m_buffer.append(kMagic);
    putU32(m_buffer, kFormatVersion);
}

void RecordWriter::append(RecordType type, std::string_view payload) {
    putU32(m_buffer, quint32(payload.size()));
    m_buffer.push_back(char(type));
    m_buffer.append(payload);
    putU32(m_buffer, checksum(quint8(type), payload.data(), qsizetype(payload.size())));
}

JournalContents parseJournal(const QByteArray& data) {
    JournalContents contents;
    if (!checkFileStart(data.constData(), data.size(), contents))
        return contents;
    bool sawHeader = false;
    qsizetype at = kFileStart;
    contents.validEnd = at;
    while (data.size() - at >= kRecordHead + kRecordTail) {
        const quint32 length = quint32(getLittleEndian(data.constData() + at, 4));
        const auto type = static_cast<quint8>(data[at + 4]);
        if (length > kMaxPayload ||
            data.size() - at - kRecordHead - kRecordTail < qsizetype(length))
            break;
        const char* payload = data.constData() + at + kRecordHead;
        if (getLittleEndian(payload + length, 4) != checksum(type, payload, length))
            break;
        if (!applyRecord(contents, type, PayloadReader(payload, length, at + kRecordHead),
                         sawHeader, true))
            break;
        sawHeader = true;
        at += kRecordHead + qsizetype(length) + kRecordTail;
        contents.validEnd = at;
    }
    finish(contents, sawHeader);
    return contents;
}

std::string stepPayload(quint64 row, quint8 kind, quint64 inode, QByteArrayView name) {
    std::string payload;
    putU64(payload, row);
    payload.push_back(char(kind));
    putU64(payload, inode);
    payload.append(name.data(), size_t(name.size()));
    return payload;
}

std::string timePayload() {
    std::string payload;
    putU64(payload, quint64(QDateTime::currentMSecsSinceEpoch()));
    return payload;
}

int writeRecordAt(int fd, qint64& end, RecordType type, std::string_view payload, bool sync) {
    RecordWriter writer;
    writer.append(type, payload);
    const std::string& record = writer.buffer();
    errno = 0;
    if (::pwrite(fd, record.data(), record.size(), end) != ssize_t(record.size()) ||
        (sync && ::fdatasync(fd) != 0))
        return errno = errno ? errno : EIO;
    end += qint64(record.size());
    return 0;
}

int readJournal(int fd, QByteArray& data) {
    struct stat status;
    if (::fstat(fd, &status) != 0)
        return errno;
    data.resize(qsizetype(status.st_size));
    const qsizetype got = readAt(fd, data.data(), data.size(), 0);
    if (got < 0)
        return errno;
    data.resize(got);
    return 0;
}

int scanJournal(int fd, JournalContents& contents) {
    contents = {};
    WindowReader reader(fd);
    const auto readAt = [&reader](char* into, qsizetype size, qint64 offset) {
        return reader.read(into, size, offset);
    };
    char start[kFileStart];
    const qsizetype got = readAt(start, kFileStart, 0);
    if (got < 0)
        return errno;
    if (!checkFileStart(start, got, contents))
        return 0;
    bool sawHeader = false;
    qint64 at = kFileStart;
    contents.validEnd = at;
    QByteArray record;
    for (;;) {
        char head[kRecordHead];
        const qsizetype headSize = readAt(head, kRecordHead, at);
        if (headSize < 0)
            return errno;
        if (headSize < kRecordHead)
            break;
        const quint32 length = quint32(getLittleEndian(head, 4));
        const auto type = static_cast<quint8>(head[4]);
        if (length > kMaxPayload)
            break;
        const qint64 next = at + kRecordHead + length + kRecordTail;
        if (sawHeader && (type == quint8(RecordType::Rows) || type == quint8(RecordType::Step))) {
            // The rows and the steps are the bulk of a journal; their checksums are checked when
            // the pass is read in full for its undo or its repair.
            if (type == quint8(RecordType::Step))
                contents.stepsPending = true;
            at = next;
            continue;
        }
        record.resize(qsizetype(length) + kRecordTail);
        const qsizetype size = readAt(record.data(), record.size(), at + kRecordHead);
        if (size < 0)
            return errno;
        if (size < record.size() ||
            getLittleEndian(record.constData() + length, 4) !=
                checksum(type, record.constData(), length) ||
            !applyRecord(contents, type, PayloadReader(record.constData(), length, 0), sawHeader,
                         false))
            break;
        sawHeader = true;
        at = next;
        contents.validEnd = at;
    }
    finish(contents, sawHeader);
    return 0;
}

bool numbersFilesAnew(int fd) {
    // FUSE (fuseblk too), vfat and msdos, exfat, ntfs, ntfs3.
    static constexpr std::array types{0x65735546UL, 0x4d44UL, 0x2011BAB0UL, 0x5346544eUL,
                                      0x7366746eUL};
    struct statfs fileSystem;
    return ::fstatfs(fd, &fileSystem) == 0 &&
           std::find(types.begin(), types.end(), static_cast<unsigned long>(fileSystem.f_type)) !=
               types.end();
}

} // namespace journal
