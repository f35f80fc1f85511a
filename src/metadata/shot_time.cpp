// Reads the time taken through Exiv2, from a copy of the file's head held in memory.
#include "metadata/shot_time.h"

#include <QDateTime>
#include <QMutexLocker>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <exiv2/exiv2.hpp>
#include <exiv2/webpimage.hpp>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace metadata {

namespace {

// JPEG keeps its EXIF in one APP1 segment of at most 64 KiB near the start, TIFF and the raw
// formats built on it keep their first IFDs there; a quarter of a mebibyte leaves room for the
// segments some cameras put before it.
constexpr qint64 headBytes = 256 * 1024;

// What Exiv2 reported as an error while this thread parsed its current file. Exiv2 skips much
// damage with no more than a log line, and that line is all that tells damage from no EXIF.
thread_local QByteArray t_exiv2Error;

void noteExiv2Error(int, const char* message) {
    if (t_exiv2Error.isEmpty())
        t_exiv2Error = QByteArray(message).trimmed();
}

void setUpExiv2() {
    static std::once_flag once;
    std::call_once(once, [] {
        // Nothing of Exiv2's reaches standard error; its errors are kept for the file at hand.
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::error);
        Exiv2::LogMsg::setHandler(noteExiv2Error);
        // The XMP toolkit must be set up once before two threads may parse side by side.
        Exiv2::XmpParser::initialize();
        Exiv2::enableBMFF(true);
        ::tzset();
    });
}

qint64 nanoseconds(const struct timespec& time) {
    return qint64(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

ShotTime failed(Reading reading, QByteArray why = {}) {
    return ShotTime{std::nullopt, reading, std::move(why)};
}

ShotTime fromErrno(int error) {
    if (error == ENOENT || error == ELOOP || error == ENOTDIR)
        return failed(Reading::NotAFile);
    return failed(Reading::Unreadable, std::strerror(error));
}

int digits(const std::string& text, size_t at, size_t count) {
    int value = 0;
    for (size_t k = at; k < at + count; ++k) {
        if (k >= text.size() || text[k] < '0' || text[k] > '9')
            return -1;
        value = value * 10 + (text[k] - '0');
    }
    return value;
}

// "YYYY:MM:DD HH:MM:SS"; some writers use other separators, so any non-digit is taken.
std::optional<QDateTime> parseDateTime(const std::string& text) {
    if (text.size() < 19)
        return std::nullopt;
    for (const size_t at : {4, 7, 10, 13, 16}) {
        if (text[at] >= '0' && text[at] <= '9')
            return std::nullopt;
    }
    const QDate date(digits(text, 0, 4), digits(text, 5, 2), digits(text, 8, 2));
    const QTime time(digits(text, 11, 2), digits(text, 14, 2), digits(text, 17, 2));
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time, Qt::UTC);
}

// The leading digits of SubSecTimeOriginal are the fraction of the second: "5" is half a second.
qint64 fractionNs(const std::string& text) {
    qint64 value = 0;
    int count = 0;
    size_t k = 0;
    while (k < text.size() && text[k] == ' ')
        ++k;
    for (; k < text.size() && count < 9 && text[k] >= '0' && text[k] <= '9'; ++k, ++count)
        value = value * 10 + (text[k] - '0');
    for (; count < 9; ++count)
        value *= 10;
    return value;
}

// "+HH:MM" or "-HH:MM" in seconds east of UTC; a blank or malformed offset is no offset.
std::optional<int> offsetSeconds(const std::string& text) {
    if (text.size() < 6 || (text[0] != '+' && text[0] != '-') || text[3] != ':')
        return std::nullopt;
    const int hours = digits(text, 1, 2);
    const int minutes = digits(text, 4, 2);
    if (hours < 0 || hours > 18 || minutes < 0 || minutes > 59)
        return std::nullopt;
    const int seconds = hours * 3600 + minutes * 60;
    return text[0] == '-' ? -seconds : seconds;
}

qint64 gmtOffsetAt(qint64 instant) {
    const time_t t = time_t(instant);
    struct tm parts {};
    return ::localtime_r(&t, &parts) ? parts.tm_gmtoff : 0;
}

// Seconds east of UTC of this machine's local time at the wall time `wall` (seconds since the
// epoch read as UTC). localtime_r and not mktime (or QDateTime, which calls it): mktime looks up
// the time zone file again on every call, which costs more than parsing the whole EXIF block.
qint64 localOffset(qint64 wall) {
    const qint64 first = gmtOffsetAt(wall);
    const qint64 second = gmtOffsetAt(wall - first);
    if (second == first || gmtOffsetAt(wall - second) == second)
        return second;
    // A wall time in a gap never happened here: the offset from before the gap, the smaller,
    // applies, as a clock not yet set forward would show it.
    return std::min(first, second);
}

std::string tagText(const Exiv2::ExifData& exif, const char* key) {
    const auto found = exif.findKey(Exiv2::ExifKey(key));
    return found == exif.end() ? std::string() : found->toString();
}

ShotTime timeOf(const Exiv2::ExifData& exif) {
    const auto original = exif.findKey(Exiv2::ExifKey("Exif.Photo.DateTimeOriginal"));
    if (original == exif.end())
        return failed(Reading::NoTime);
    const std::string text = original->toString();
    // A camera whose clock was never set writes zeros or blanks; that is no date, not damage.
    if (text.find_first_of("123456789") == std::string::npos)
        return failed(Reading::NoTime);
    const std::optional<QDateTime> wall = parseDateTime(text);
    if (!wall)
        return failed(Reading::Damaged,
                      "DateTimeOriginal \"" + QByteArray::fromStdString(text) + "\" is not a date");
    qint64 seconds = wall->toSecsSinceEpoch();
    if (const auto offset = offsetSeconds(tagText(exif, "Exif.Photo.OffsetTimeOriginal")))
        seconds -= *offset;
    else
        seconds -= localOffset(seconds);
    const qint64 fraction = fractionNs(tagText(exif, "Exif.Photo.SubSecTimeOriginal"));
    return ShotTime{seconds * 1'000'000'000 + fraction, Reading::Found, {}};
}

// Parses an image Exiv2 has opened. Exiv2 decodes the EXIF block before it meets damage further
// on, so a time it found before failing is kept.
ShotTime parse(Exiv2::Image& image) {
    t_exiv2Error.clear();
    QByteArray error;
    try {
        image.readMetadata();
    } catch (const std::exception& caught) {
        error = caught.what();
    }
    ShotTime time;
    try {
        time = timeOf(image.exifData());
    } catch (const std::exception& caught) {
        return failed(Reading::Damaged, caught.what());
    }
    if (error.isEmpty())
        error = t_exiv2Error;
    if (time.reading == Reading::NoTime && !error.isEmpty())
        return failed(Reading::Damaged, error);
    return time;
}

int typeOf(const Exiv2::byte* data, qint64 size) {
    try {
        return size > 0 ? Exiv2::ImageFactory::getType(data, long(size)) : Exiv2::ImageType::none;
    } catch (const std::exception&) {
        // Too short for some format's signature: no image Exiv2 knows.
        return Exiv2::ImageType::none;
    }
}

ShotTime parseHead(const Exiv2::byte* data, qint64 size) {
    if (typeOf(data, size) == Exiv2::ImageType::none)
        return failed(Reading::NoTime);
    try {
        const Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(data, long(size));
        return image.get() ? parse(*image) : failed(Reading::NoTime);
    } catch (const std::exception& caught) {
        return failed(Reading::Damaged, caught.what());
    }
}

// PNG may keep its eXIf chunk after the image data, WebP keeps EXIF after it, and a HEIF item may
// lie anywhere in the file; for those the whole file is handed to Exiv2, which seeks to what it
// needs. /proc/self/fd reopens the very regular file already checked, never a path by name.
ShotTime parseWhole(int fd) {
    try {
        const std::string path = "/proc/self/fd/" + std::to_string(fd);
        const Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(path, false);
        return image.get() ? parse(*image) : failed(Reading::NoTime);
    } catch (const std::exception& caught) {
        return failed(Reading::Damaged, caught.what());
    }
}

bool needsWholeFile(const Exiv2::byte* data, qint64 size) {
    const int type = typeOf(data, size);
    return type == Exiv2::ImageType::png || type == Exiv2::ImageType::webp ||
           type == Exiv2::ImageType::bmff;
}

FileStamp stampOf(const struct stat& status) {
    return FileStamp{quint64(status.st_dev), quint64(status.st_ino), qint64(status.st_size),
                     nanoseconds(status.st_mtim)};
}

bool sameVersion(const struct stat& a, const struct stat& b) {
    return stampOf(a) == stampOf(b);
}

// The buffer of each reading thread, kept between files so that no file pays for fresh pages.
Exiv2::byte* headBuffer() {
    thread_local const std::unique_ptr<Exiv2::byte[]> buffer(new Exiv2::byte[headBytes]);
    return buffer.get();
}

// Reads the regular file `name` and reports in `after` what fstat saw once it was read;
// `steady` is false when the file changed meanwhile, so the result must not be kept.
ShotTime readRegular(int folderFd, const QByteArray& name, struct stat& after, bool& steady) {
    steady = false;
    const int fd =
        ::openat(folderFd, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fromErrno(errno);
    struct stat before {};
    if (::fstat(fd, &before) != 0 || !S_ISREG(before.st_mode)) {
        ::close(fd);
        return failed(Reading::NotAFile);
    }
    Exiv2::byte* const data = headBuffer();
    const qint64 wanted = std::min<qint64>(before.st_size, headBytes);
    qint64 size = 0;
    while (size < wanted) {
        const ssize_t got = ::pread(fd, data + size, size_t(wanted - size), size);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            const int error = errno;
            ::close(fd);
            return failed(Reading::Unreadable, std::strerror(error));
        }
        if (got == 0)
            break;
        size += got;
    }
    ShotTime time = parseHead(data, size);
    if (time.reading != Reading::Found && before.st_size > size && needsWholeFile(data, size))
        time = parseWhole(fd);
    const bool statted = ::fstat(fd, &after) == 0;
    ::close(fd);
    steady = statted && sameVersion(before, after);
    // Bytes from two versions of a file give no time of either.
    if (!steady)
        return failed(Reading::NotAFile);
    return time;
}

bool isPlain(const QByteArray& name) {
    return !name.isEmpty() && !name.contains('/') && !name.contains('\0') && name != "." &&
           name != "..";
}

// Only a regular file is ever opened: a pipe or a device named like a photo is left alone, and
// only a plain name is looked up, so nothing outside the folder is reached.
std::optional<ShotTime> statRegular(int folderFd, const QByteArray& name, struct stat& status) {
    if (!isPlain(name))
        return failed(Reading::NotAFile);
    if (::fstatat(folderFd, name.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        return fromErrno(errno);
    if (!S_ISREG(status.st_mode))
        return failed(Reading::NotAFile);
    return std::nullopt;
}

} // namespace

ShotTime readShotTime(int folderFd, const QByteArray& name) {
    setUpExiv2();
    struct stat status {};
    if (auto refused = statRegular(folderFd, name, status))
        return *refused;
    struct stat after {};
    bool steady = false;
    return readRegular(folderFd, name, after, steady);
}

ShotTime ShotTimeCache::read(int folderFd, const QByteArray& name) {
    setUpExiv2();
    struct stat status {};
    if (auto refused = statRegular(folderFd, name, status))
        return *refused;
    return read(folderFd, name, stampOf(status));
}

ShotTime ShotTimeCache::read(int folderFd, const QByteArray& name, const FileStamp& listed) {
    setUpExiv2();
    if (!isPlain(name))
        return failed(Reading::NotAFile);
    {
        QMutexLocker lock(&m_mutex);
        const auto found = m_times.constFind(listed);
        if (found != m_times.cend())
            return *found;
    }
    // The name was a regular file when listed; if it has become a pipe since, O_NONBLOCK keeps
    // the open from waiting and fstat turns it away unread.
    struct stat after {};
    bool steady = false;
    ShotTime time = readRegular(folderFd, name, after, steady);
    QMutexLocker lock(&m_mutex);
    ++m_filesRead;
    // Only a file that held still while it was read is remembered by what it looked like.
    if (steady)
        m_times.insert(stampOf(after), time);
    return time;
}

qint64 ShotTimeCache::filesRead() const {
    QMutexLocker lock(&m_mutex);
    return m_filesRead;
}

} // namespace metadata
