// The moment a photo was taken, as its EXIF block records it.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <optional>

namespace metadata {

/// What reading a file's time taken found.
enum class Reading : quint8 {
    Found,      ///< a time
    NoTime,     ///< no EXIF, no DateTimeOriginal, a date left blank or zero, or not an image
    Damaged,    ///< metadata that could not be decoded, or a date that is no date
    Unreadable, ///< the file could not be opened or read (permissions, I/O error)
    NotAFile,   ///< gone or changed while read, or not a regular file (a link, a pipe, a device)
};

struct ShotTime {
    /// Nanoseconds since the epoch, UTC; set only when `reading` is Found.
    std::optional<qint64> nanoseconds;
    Reading reading = Reading::NotAFile;
    /// For Damaged and Unreadable: what went wrong, for a log line.
    QByteArray why;
};

/// Reads DateTimeOriginal with SubSecTimeOriginal and OffsetTimeOriginal of the regular file
/// `name` in the open folder `folderFd`; without an offset the time is the local time of this
/// machine. Never follows a link, never blocks on a pipe or device, never throws.
ShotTime readShotTime(int folderFd, const QByteArray& name);

inline std::optional<qint64> shotTime(int folderFd, const QByteArray& name) {
    return readShotTime(folderFd, name).nanoseconds;
}

/// What a listing saw of a regular file: the version whose time is remembered.
struct FileStamp {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
    friend size_t qHash(const FileStamp& key, size_t seed = 0) {
        return qHashMulti(seed, key.device, key.inode, key.size, key.modifiedNs);
    }
};

/// readShotTime that reads each file once while its device, inode, size and modification time
/// stay the same. Safe to share between threads.
class ShotTimeCache {
public:
    ShotTime read(int folderFd, const QByteArray& name);
    /// The same for a file the caller has just seen, by fstatat without following links, to be
    /// a regular file with this stamp; that spares a lookup of the name.
    ShotTime read(int folderFd, const QByteArray& name, const FileStamp& listed);
    /// How many files were actually read (not answered from the cache).
    qint64 filesRead() const;

private:
    mutable QMutex m_mutex;
    QHash<FileStamp, ShotTime> m_times;
    qint64 m_filesRead = 0;
};

} // namespace metadata
