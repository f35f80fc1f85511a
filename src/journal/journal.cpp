// The journal of every rename pass: written before the first rename, read back for the undo.
#include "journal/journal.h"

#include "platform/file_names.h"
#include "platform/file_view.h"
#include "platform/name_list_model.h"

#include <QDateTime>
#include <QDir>
#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace journal {

namespace {

// A plan is written in records of about this size, so reading it back never holds more than
// one record besides the rows themselves.
constexpr size_t kRowsPerRecordBytes = 64 * 1024;
// The buffer is written out when it grows past this.
constexpr size_t kWriteBytes = 1 << 20;

/// Names a folder's journals by its path: FNV-1a over the bytes, stable across runs.
quint64 folderKey(QByteArrayView path) {
    quint64 hash = 14695981039346656037ULL;
    for (const char byte : path) {
        hash ^= static_cast<unsigned char>(byte);
        hash *= 1099511628211ULL;
    }
    return hash;
}

struct JournalName {
    QByteArray name;
    quint64 key = 0;
    qint64 time = 0;
};

/// "<key in 16 hex digits>-<ms since the epoch>-<process id>.journal"
std::optional<JournalName> parseJournalName(const char* name) {
    unsigned long long key = 0;
    long long time = 0;
    int pid = 0;
    int consumed = 0;
    if (std::sscanf(name, "%16llx-%13lld-%d.journal%n", &key, &time, &pid, &consumed) != 3 ||
        name[consumed] != '\0' || std::strlen(name) < 16 || name[16] != '-')
        return std::nullopt;
    return JournalName{QByteArray(name), quint64(key), qint64(time)};
}

/// The journals in `directory`, newest first; empty when it cannot be read.
std::vector<JournalName> listJournals(const QByteArray& directory) {
    std::vector<JournalName> journals;
    DIR* dir = ::opendir(directory.constData());
    if (!dir)
        return journals;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::optional<JournalName> journal = parseJournalName(entry->d_name))
            journals.push_back(std::move(*journal));
    }
    ::closedir(dir);
    std::sort(journals.begin(), journals.end(), [](const JournalName& a, const JournalName& b) {
        return a.time != b.time ? a.time > b.time : a.name > b.name;
    });
    return journals;
}

/// Makes `directory` and any missing parents, each 0700 (names can be private). errno or 0.
int makeDirectory(const QByteArray& directory) {
    struct stat status;
    if (::stat(directory.constData(), &status) == 0)
        return S_ISDIR(status.st_mode) ? 0 : ENOTDIR;
    const qsizetype slash = directory.lastIndexOf('/');
    if (slash > 0) {
        if (const int error = makeDirectory(directory.left(slash)))
            return error;
    }
    if (::mkdir(directory.constData(), 0700) != 0 && errno != EEXIST)
        return errno;
    return 0;
}

/// Drops the journals older than the kept time, and those of the folder `key` past the number
/// kept, leaving room for one more.
void prune(int directoryFd, const QByteArray& directory, quint64 key, qint64 now) {
    int ofFolder = 0;
    for (const JournalName& journal : listJournals(directory)) {
        const bool mine = journal.key == key;
        if (now - journal.time > kKeptMs || (mine && ofFolder >= kPassesPerFolder - 1))
            ::unlinkat(directoryFd, journal.name.constData(), 0);
        else if (mine)
            ++ofFolder;
    }
}

QByteArray folderBytes(const QString& folder) {
    return platform::encodeFileName(folder);
}

bool writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= size_t(written);
    }
    return true;
}

QString problemText(const QString& what, const QString& file) {
    return u"Отмена невозможна: "_s + what.arg(platform::shownFileName(file));
}

/// Makes the open marker of the journal `journalPath`: its path, or "" when it cannot be made.
QByteArray markOpen(const QByteArray& journalPath) {
    const QByteArray marker = journalPath + kOpenSuffix;
    const int fd = ::open(marker.constData(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    return fd >= 0 && ::close(fd) == 0 ? marker : QByteArray();
}

/// Removes the marker `marker` holds the path of, if any, and forgets it.
void dropMarker(QByteArray& marker) {
    if (!marker.isEmpty())
        ::unlink(marker.constData());
    marker.clear();
}

} // namespace

QString defaultDirectory() {
    const QByteArray state = qgetenv("XDG_STATE_HOME");
    // A relative XDG_STATE_HOME is not to be trusted (it would follow the working folder): the
    // default under the home folder serves instead, as other desktop programs do.
    if (state.startsWith('/'))
        return platform::decodeFileName(state) + u"/tarvelok"_s;
    const QByteArray home = qgetenv("HOME");
    const QString base = home.startsWith('/') ? platform::decodeFileName(home) : QDir::homePath();
    return base + u"/.local/state/tarvelok"_s;
}

PassJournal::PassJournal(QString directory)
    : m_directory(std::move(directory)) {}

PassJournal::~PassJournal() {
    if (m_fd >= 0)
        ::close(m_fd);
}

void PassJournal::fail(const char* what, int error) {
    std::fprintf(stderr,
                 "tarvelok: журнал переименования не записан (%s: %s); этот проход нельзя будет "
                 "отменить.\n",
                 what, std::strerror(error));
}

bool PassJournal::writeOut(std::string& buffer) {
    const bool written = writeAll(m_fd, buffer.data(), buffer.size());
    buffer.clear();
    return written;
}

void PassJournal::begin(const platform::FileView& files, const platform::NameListModel& newNames) {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    const QByteArray folder = folderBytes(files.path());
    struct stat folderStatus;
    if (::stat(folder.constData(), &folderStatus) != 0)
        return fail(folder.constData(), errno);
    const QByteArray directory = folderBytes(m_directory);
    if (const int error = makeDirectory(directory))
        return fail(directory.constData(), error);
    const int directoryFd = ::open(directory.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directoryFd < 0)
        return fail(directory.constData(), errno);

    qint64 now = QDateTime::currentMSecsSinceEpoch();
    const quint64 key = folderKey(folder);
    prune(directoryFd, directory, key, now);
    // Passes are told apart, and ordered, by the time in their names: a second pass within the
    // same millisecond takes the next one.
    char name[64];
    for (int attempt = 0; attempt < 1000; ++attempt, ++now) {
        std::snprintf(name, sizeof name, "%016" PRIx64 "-%013" PRId64 "-%d.journal", uint64_t(key),
                      int64_t(now), int(::getpid()));
        m_fd = ::openat(directoryFd, name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (m_fd >= 0 || errno != EEXIST)
            break;
    }
    if (m_fd < 0) {
        fail(name, errno);
        ::close(directoryFd);
        return;
    }
    // Held while the pass runs, and let go by the system however the program ends: the repair at
    // the next start leaves a pass alone while its program still holds this.
    ::flock(m_fd, LOCK_EX | LOCK_NB);

    const qsizetype rows = files.count();
    RecordWriter writer;
    writer.appendFileStart();
    std::string payload;
    putU64(payload, folderStatus.st_dev);
    putU64(payload, folderStatus.st_ino);
    putU64(payload, quint64(now));
    putU64(payload, quint64(rows));
    payload.append(folder.constData(), size_t(folder.size()));
    writer.append(RecordType::Header, payload);

    bool written = true;
    qsizetype first = 0;
    while (written && first < rows) {
        payload.clear();
        putU64(payload, quint64(first));
        qsizetype row = first;
        for (; row < rows && payload.size() < kRowsPerRecordBytes; ++row) {
            putName(payload, files.name(row));
            putName(payload, newNames.item(row));
            putU64(payload, files.fileId(row));
        }
        writer.append(RecordType::Rows, payload);
        first = row;
        if (writer.buffer().size() > kWriteBytes)
            written = writeOut(writer.buffer());
    }
    payload.clear();
    putU64(payload, quint64(rows));
    writer.append(RecordType::PlanEnd, payload);
    // The plan must be on disk, and its name in the folder, before the first rename.
    written =
        written && writeOut(writer.buffer()) && ::fsync(m_fd) == 0 && ::fsync(directoryFd) == 0;
    if (!written) {
        fail(name, errno ? errno : EIO);
        ::unlinkat(directoryFd, name, 0);
        ::close(m_fd);
        m_fd = -1;
    } else {
        // Without it a pass killed mid-step would be put right only by an undo.
        m_marker = markOpen(directory + '/' + name);
    }
    ::close(directoryFd);
}

void PassJournal::step(Kind kind, QByteArrayView name, quint64 inode) {
    if (m_fd < 0)
        return;
    RecordWriter writer;
    writer.append(RecordType::Step, stepPayload(quint64(m_row), quint8(kind), inode, name));
    // Before the step is made, in one write: a program killed after it leaves the record in the
    // system's cache, and one killed within it leaves a torn record that the repair drops, having
    // made nothing yet that the record would name.
    writeOut(writer.buffer());
}

void PassJournal::end(const std::vector<bool>& renamed) {
    if (m_fd < 0)
        return;
    std::string payload;
    putU64(payload, quint64(renamed.size()));
    std::string bits((renamed.size() + 7) / 8, '\0');
    for (size_t row = 0; row < renamed.size(); ++row)
        if (renamed[row])
            bits[row / 8] = char(bits[row / 8] | 1 << (row % 8));
    payload += bits;
    RecordWriter writer;
    writer.append(RecordType::Ended, payload);
    // No fsync: the undo finds every file by its inode, this record or not; it only spares
    // looking at rows the pass left alone.
    writeOut(writer.buffer());
    ::close(m_fd);
    m_fd = -1;
    dropMarker(m_marker);
}

RecordedPass::~RecordedPass() {
    if (m_fd >= 0)
        ::close(m_fd);
}

QByteArrayView RecordedPass::oldBytes(qsizetype row) const {
    const PlanRow& plan = m_contents.rows[size_t(row)];
    return QByteArrayView(m_data.constData() + plan.oldAt, plan.oldLength);
}

QByteArrayView RecordedPass::newBytes(qsizetype row) const {
    const PlanRow& plan = m_contents.rows[size_t(row)];
    return QByteArrayView(m_data.constData() + plan.newAt, plan.newLength);
}

QByteArrayView RecordedPass::entryName(const Entry& entry) const {
    return QByteArrayView(m_names.data() + entry.at, entry.length);
}

QString RecordedPass::oldName(qsizetype row) const {
    return platform::decodeFileName(oldBytes(row));
}

QString RecordedPass::newName(qsizetype row) const {
    return platform::decodeFileName(newBytes(row));
}

bool RecordedPass::leftAlone(qsizetype row) const {
    return m_contents.ended &&
           !(static_cast<unsigned char>(m_contents.renamedBits[row / 8]) >> (row % 8) & 1);
}

const RecordedPass::Entry* RecordedPass::entryNamed(QByteArrayView name) const {
    if (m_byName.empty() && !m_entries.empty()) {
        m_byName.resize(m_entries.size());
        for (size_t i = 0; i < m_entries.size(); ++i)
            m_byName[i] = quint32(i);
        std::sort(m_byName.begin(), m_byName.end(), [this](quint32 a, quint32 b) {
            return entryName(m_entries[a]) < entryName(m_entries[b]);
        });
    }
    const auto found = std::lower_bound(
        m_byName.begin(), m_byName.end(), name,
        [this](quint32 index, QByteArrayView key) { return entryName(m_entries[index]) < key; });
    if (found == m_byName.end() || entryName(m_entries[*found]) != name)
        return nullptr;
    return &m_entries[*found];
}

QString RecordedPass::currentName(qsizetype row) const {
    if (m_renumbers) {
        // The numbers recorded may since belong to other files (the card was plugged in again,
        // or its driver forgot them): only the row's own names tell, the old one first as below.
        for (const QByteArrayView name : {oldBytes(row), newBytes(row)})
            if (entryNamed(name))
                return platform::decodeFileName(name);
        return {};
    }
    const quint64 fileId = m_contents.rows[size_t(row)].fileId;
    const auto [first, last] =
        std::equal_range(m_entries.begin(), m_entries.end(), Entry{fileId, 0, 0},
                         [](const Entry& a, const Entry& b) { return a.fileId < b.fileId; });
    // Only the names the pass can have left the file under count: an inode found elsewhere may
    // be a new file that took over the number of one deleted since. The old name comes first,
    // so a file left under both names (the link fallback) counts as restored.
    const auto named = [&](auto matches) -> const Entry* {
        const auto found = std::find_if(first, last, matches);
        return found == last ? nullptr : &*found;
    };
    const Entry* chosen = named([&](const Entry& e) { return entryName(e) == oldBytes(row); });
    if (!chosen)
        chosen = named([&](const Entry& e) { return entryName(e) == newBytes(row); });
    if (!chosen)
        chosen = named([&](const Entry& e) { return entryName(e).startsWith("tarvelok-"); });
    if (chosen)
        return platform::decodeFileName(entryName(*chosen));
    return {};
}

bool RecordedPass::append(RecordType type, std::string_view payload, bool sync) {
    if (m_fd < 0) {
        m_fd = ::open(folderBytes(m_file).constData(), O_WRONLY | O_CLOEXEC);
        if (m_fd < 0)
            return false;
        // Held while the undo runs, as a pass holds its journal: the repair at another program's
        // start leaves it alone.
        ::flock(m_fd, LOCK_EX | LOCK_NB);
        // From the end of the last whole record: a torn one after it would hide what follows.
        if (::ftruncate(m_fd, m_contents.validEnd) != 0)
            return false;
    }
    return writeRecordAt(m_fd, m_contents.validEnd, type, payload, sync) == 0;
}

void RecordedPass::restoring(qsizetype row, const QString& from) {
    m_row = row;
    m_from = folderBytes(from);
}

void RecordedPass::step(Kind kind, QByteArrayView name, quint64 inode) {
    if (!m_steps)
        m_marker = markOpen(folderBytes(m_file));
    // Unsynced, as the pass's steps: a killed program leaves them in the system's cache.
    if (!m_from.isEmpty()) {
        append(RecordType::Step, stepPayload(quint64(m_row), kSourceStep, 0, m_from), false);
        m_from.clear();
    }
    append(RecordType::Step, stepPayload(quint64(m_row), quint8(kind), inode, name), false);
    m_steps = true;
}

bool RecordedPass::markUndone() {
    if (!append(RecordType::Undone, timePayload(), true))
        return false;
    m_contents.undone = true;
    dropMarker(m_marker);
    return true;
}

bool RecordedPass::settleSteps() {
    if (!m_steps)
        return true;
    if (!append(RecordType::Settled, timePayload(), true))
        return false;
    dropMarker(m_marker);
    return true;
}

namespace {

/// The journals of `folder` that are not undone, newest first, stopping at the first that
/// `accept` takes; the status and message when one cannot be read.
template <class Accept>
PassLookup findPass(const QString& folder, const QString& directory, Accept accept) {
    PassLookup lookup;
    const QByteArray path = folderBytes(folder);
    const quint64 key = folderKey(path);
    const QByteArray directoryBytes = folderBytes(directory);
    for (const JournalName& journal : listJournals(directoryBytes)) {
        if (journal.key != key)
            continue;
        const QString file = directory + u'/' + platform::decodeFileName(journal.name);
        const int fd =
            ::open((directoryBytes + '/' + journal.name).constData(), O_RDONLY | O_CLOEXEC);
        JournalContents contents;
        const int error = fd < 0 ? errno : scanJournal(fd, contents);
        if (fd >= 0)
            ::close(fd);
        if (error != 0) {
            lookup.status = PassLookup::Status::Refused;
            lookup.problem = problemText(u"журнал переименования «%1» не читается: "_s +
                                             QString::fromLocal8Bit(std::strerror(error)) + u'.',
                                         file);
            return lookup;
        }
        if (contents.status == JournalContents::Status::NewerVersion) {
            lookup.status = PassLookup::Status::Refused;
            lookup.problem = problemText(
                u"журнал переименования «%1» записан более новой версией программы."_s, file);
            return lookup;
        }
        if (contents.status != JournalContents::Status::NotAJournal && contents.folderPath != path)
            continue; // another folder whose path has the same key
        if (contents.undone)
            continue;
        if (accept(file, contents, lookup))
            return lookup;
    }
    return lookup;
}

QString damagedText(const QString& file) {
    return problemText(u"журнал переименования «%1» повреждён или неполон."_s, file);
}

} // namespace

PassLookup latestPass(const QString& folder, const QString& directory) {
    return findPass(
        folder, directory,
        [&](const QString& file, const JournalContents& summary, PassLookup& lookup) {
            lookup.status = PassLookup::Status::Refused;
            if (summary.status != JournalContents::Status::Whole) {
                lookup.problem = damagedText(file);
                return true;
            }
            auto pass = std::make_unique<RecordedPass>();
            pass->m_folder = folder;
            pass->m_file = file;
            {
                const int fd = ::open(folderBytes(file).constData(), O_RDONLY | O_CLOEXEC);
                const bool read = fd >= 0 && readJournal(fd, pass->m_data) == 0;
                if (fd >= 0)
                    ::close(fd);
                if (!read) {
                    lookup.problem = damagedText(file);
                    return true;
                }
            }
            pass->m_contents = parseJournal(pass->m_data);
            if (pass->m_contents.status != JournalContents::Status::Whole) {
                lookup.problem = damagedText(file);
                return true;
            }

            const QByteArray path = folderBytes(folder);
            const int folderFd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            struct stat status;
            if (folderFd < 0 || ::fstat(folderFd, &status) != 0) {
                lookup.problem =
                    problemText(u"папка «%1» не открывается: "_s +
                                    QString::fromLocal8Bit(std::strerror(errno)) + u'.',
                                folder);
                if (folderFd >= 0)
                    ::close(folderFd);
                return true;
            }
            // Where the file system numbers files anew, the card plugged in again is the same
            // folder by its path alone; the rows' own names then tell their files.
            pass->m_renumbers = numbersFilesAnew(folderFd);
            if (!pass->m_renumbers && (quint64(status.st_dev) != pass->m_contents.folderDevice ||
                                       quint64(status.st_ino) != pass->m_contents.folderInode)) {
                ::close(folderFd);
                lookup.problem = problemText(
                    u"папка «%1» с тех пор перемещена или заменена другой, а журнал говорит о "
                    "прежней."_s,
                    folder);
                return true;
            }
            DIR* dir = ::fdopendir(folderFd);
            if (!dir) {
                ::close(folderFd);
                lookup.problem = damagedText(file);
                return true;
            }
            for (;;) {
                errno = 0;
                const dirent* entry = ::readdir(dir);
                if (!entry)
                    break;
                const char* name = entry->d_name;
                if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                    continue;
                const size_t length = std::strlen(name);
                pass->m_entries.push_back(
                    {entry->d_ino, qsizetype(pass->m_names.size()), qsizetype(length)});
                pass->m_names.append(name, length);
            }
            const int readError = errno;
            ::closedir(dir);
            if (readError != 0) {
                lookup.problem =
                    problemText(u"папка «%1» не читается: "_s +
                                    QString::fromLocal8Bit(std::strerror(readError)) + u'.',
                                folder);
                return true;
            }
            std::sort(pass->m_entries.begin(), pass->m_entries.end(),
                      [](const auto& a, const auto& b) { return a.fileId < b.fileId; });
            lookup.status = PassLookup::Status::Ready;
            lookup.pass = std::move(pass);
            return true;
        });
}

bool hasPassToUndo(const QString& folder, const QString& directory) {
    const PassLookup lookup =
        findPass(folder, directory, [](const QString&, const JournalContents&, PassLookup& found) {
            found.status = PassLookup::Status::Ready;
            return true;
        });
    return lookup.status != PassLookup::Status::Nothing;
}

} // namespace journal
