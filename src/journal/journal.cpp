// The journal of every rename pass: written before the first rename, read back for the undo.
#include "journal/journal.h"

#include "filesystem/file_system_kind.h"
#include "platform/file_names.h"
#include "platform/file_view.h"
#include "platform/folder_survey.h"
#include "platform/name_list_model.h"

#include <QDateTime>
#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <pwd.h>
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
std::optional<JournalName> parseJournalName(const QByteArray& name) {
    unsigned long long key = 0;
    long long time = 0;
    int pid = 0;
    int consumed = 0;
    if (std::sscanf(name.constData(), "%16llx-%13lld-%d.journal%n", &key, &time, &pid, &consumed) !=
            3 ||
        consumed != name.size() || name.size() < 16 || name[16] != '-')
        return std::nullopt;
    return JournalName{name, quint64(key), qint64(time)};
}

/// The journals in the folder of journals open as `directoryFd`, newest first; empty when it
/// cannot be read.
std::vector<JournalName> listJournals(int directoryFd) {
    std::vector<JournalName> journals;
    if (const auto entries = filesystem::readEntries(directoryFd))
        for (const filesystem::FolderEntries::Entry& entry : entries->entries)
            if (auto journal = parseJournalName(entries->name(entry).toByteArray()))
                journals.push_back(std::move(*journal));
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
void prune(int directoryFd, quint64 key, qint64 now) {
    int ofFolder = 0;
    for (const JournalName& journal : listJournals(directoryFd)) {
        const bool mine = journal.key == key;
        if (now - journal.time > kKeptMs || (mine && ofFolder >= kPassesPerFolder - 1))
            ::unlinkat(directoryFd, journal.name.constData(), 0);
        else if (mine)
            ++ofFolder;
    }
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

/// Makes the open marker of the journal `journal` in the folder of journals open as
/// `directoryFd`: its name, or "" when it cannot be made.
QByteArray markOpen(int directoryFd, const QByteArray& journal) {
    const QByteArray marker = journal + kOpenSuffix;
    const int fd = ::openat(directoryFd, marker.constData(),
                            O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    return fd >= 0 && ::close(fd) == 0 ? marker : QByteArray();
}

/// Removes the marker `marker` holds the name of, if any, and forgets it.
void dropMarker(int directoryFd, QByteArray& marker) {
    if (!marker.isEmpty() && directoryFd >= 0)
        ::unlinkat(directoryFd, marker.constData(), 0);
    marker.clear();
}

QString errorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

QString defaultDirectory() {
    // A relative XDG_STATE_HOME or HOME would follow the working folder, maybe into the very
    // folder being renamed: the next one down serves instead, the account's own home last.
    const QByteArray state = qgetenv("XDG_STATE_HOME");
    if (state.startsWith('/'))
        return platform::decodeFileName(state) + u"/tarvelok"_s;
    QByteArray home = qgetenv("HOME");
    if (!home.startsWith('/')) {
        const passwd* account = ::getpwuid(::getuid());
        home = account && account->pw_dir ? QByteArray(account->pw_dir) : QByteArray();
    }
    if (!home.startsWith('/'))
        return {};
    return platform::decodeFileName(home) + u"/.local/state/tarvelok"_s;
}

int openJournalDirectory(const QString& directory, bool create, QString& problem) {
    problem.clear();
    const QByteArray path = platform::encodeFileName(directory);
    if (path.isEmpty()) {
        if (create)
            problem = u"не найдена домашняя папка"_s;
        return -1;
    }
    if (create) {
        if (const int error = makeDirectory(path)) {
            problem = errorText(error);
            return -1;
        }
    }
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat status;
    if (fd < 0 || ::fstat(fd, &status) != 0) {
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        struct stat link;
        if (::lstat(path.constData(), &link) == 0 && S_ISLNK(link.st_mode))
            problem = u"это символическая ссылка"_s;
        else if (error != ENOENT || create)
            problem = errorText(error);
        return -1;
    }
    if (status.st_uid != ::geteuid())
        problem = u"она принадлежит другому пользователю"_s;
    else if (status.st_mode & (S_IWGRP | S_IWOTH))
        problem = u"в неё могут писать другие пользователи"_s;
    if (!problem.isEmpty()) {
        ::close(fd);
        return -1;
    }
    return fd;
}

int openJournalFile(int directoryFd, const char* name, int flags, QString& problem) {
    problem.clear();
    const int fd = ::openat(directoryFd, name, flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ELOOP)
            problem = u"это символическая ссылка"_s;
        return -1;
    }
    struct stat status;
    if (::fstat(fd, &status) != 0)
        problem = errorText(errno);
    else if (!S_ISREG(status.st_mode))
        problem = u"это не обычный файл"_s;
    else if (status.st_uid != ::geteuid())
        problem = u"он принадлежит другому пользователю"_s;
    else if ((status.st_mode & 07777) != 0600)
        problem = u"его могут читать или менять другие пользователи"_s;
    if (!problem.isEmpty()) {
        ::close(fd);
        errno = EPERM;
        return -1;
    }
    return fd;
}

PassJournal::PassJournal(QString directory)
    : m_directory(std::move(directory)) {}

PassJournal::~PassJournal() {
    close();
}

void PassJournal::close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_recording = false;
    if (m_directoryFd >= 0)
        ::close(m_directoryFd);
    m_directoryFd = -1;
}

void PassJournal::fail(const QString& why) {
    std::fprintf(stderr,
                 "tarvelok: журнал переименования не записан (%s); этот проход нельзя будет "
                 "отменить.\n",
                 platform::encodeFileName(why).constData());
}

bool PassJournal::writeOut(RecordWriter& writer) {
    std::string& records = writer.records();
    const bool written = writeAll(m_fd, records.data(), records.size());
    records.clear();
    return written;
}

void PassJournal::begin(const platform::FileView& files, const platform::NameListModel& newNames) {
    close();
    const QByteArray folder = platform::encodeFileName(files.path());
    struct stat folderStatus;
    if (::stat(folder.constData(), &folderStatus) != 0)
        return fail(files.path() + u": "_s + errorText(errno));
    QString problem;
    const int directoryFd = openJournalDirectory(m_directory, true, problem);
    if (directoryFd < 0)
        return fail(u"папка журналов «"_s + m_directory + u"» не используется: "_s + problem);

    qint64 now = QDateTime::currentMSecsSinceEpoch();
    const quint64 key = folderKey(folder);
    prune(directoryFd, key, now);
    // Passes are told apart, and ordered, by the time in their names: a second pass within the
    // same millisecond takes the next one.
    char name[64];
    for (int attempt = 0; attempt < 1000; ++attempt, ++now) {
        std::snprintf(name, sizeof name, "%016" PRIx64 "-%013" PRId64 "-%d.journal", uint64_t(key),
                      int64_t(now), int(::getpid()));
        m_fd =
            ::openat(directoryFd, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (m_fd >= 0 || errno != EEXIST)
            break;
    }
    if (m_fd < 0) {
        fail(QString::fromLatin1(name) + u": "_s + errorText(errno));
        ::close(directoryFd);
        return;
    }
    // Held while the pass runs, and let go by the system however the program ends: the repair at
    // the next start leaves a pass alone while its program still holds this.
    ::flock(m_fd, LOCK_EX | LOCK_NB);

    const qsizetype rows = files.count();
    RecordWriter writer(kFormatVersion);
    bool written = true;
    qsizetype row = 0;
    do {
        writer.begin(RecordType::Plan);
        writer.u64(folderStatus.st_dev);
        writer.u64(folderStatus.st_ino);
        writer.u64(quint64(now));
        writer.u64(quint64(rows));
        writer.name(folder);
        writer.u64(quint64(row));
        for (; row < rows && writer.payloadSize() < kRowsPerRecordBytes; ++row) {
            writer.fileName(files.name(row));
            writer.fileName(newNames.item(row));
            writer.u64(files.fileId(row));
        }
        if (writer.records().size() > kWriteBytes)
            written = writeOut(writer);
    } while (written && row < rows);
    // The plan must be on disk, and its name in the folder, before the first rename.
    written = written && writeOut(writer) && ::fsync(m_fd) == 0 && ::fsync(directoryFd) == 0;
    if (!written) {
        fail(QString::fromLatin1(name) + u": "_s + errorText(errno ? errno : EIO));
        ::unlinkat(directoryFd, name, 0);
        ::close(directoryFd);
        close();
        return;
    }
    m_directoryFd = directoryFd;
    m_recording = true;
    // Without it a pass killed mid-step would be put right only by an undo.
    m_marker = markOpen(directoryFd, name);
}

void PassJournal::step(Kind kind, QByteArrayView name, quint64 inode) {
    if (!m_recording)
        return;
    RecordWriter writer;
    writer.step(quint64(m_row), quint8(kind), inode, name);
    // Before the step is made, in one write: a program killed after it leaves the record in the
    // system's cache, and one killed within it leaves a torn record that the repair drops, having
    // made nothing yet that the record would name.
    if (writeOut(writer))
        return;
    // A full disk, say. The pass goes on as if it had no journal (the plan on disk still serves
    // an undo), and the user hears once that a stop from now on may leave names to put right
    // by hand. The journal stays open, and locked, so no repair runs under the pass.
    const int error = errno ? errno : EIO;
    std::fprintf(stderr,
                 "tarvelok: журнал переименования больше не записывается (%s); переименование "
                 "продолжается, но отменить его целиком может не получиться.\n",
                 std::strerror(error));
    m_recording = false;
}

void PassJournal::end(const std::vector<bool>& renamed) {
    if (m_fd < 0)
        return;
    if (!m_recording) {
        // Every step is done now: nothing is left for a repair to look at.
        dropMarker(m_directoryFd, m_marker);
        close();
        return;
    }
    QByteArray bits((renamed.size() + 7) / 8, '\0');
    for (size_t row = 0; row < renamed.size(); ++row)
        if (renamed[row])
            bits[row / 8] = char(bits[row / 8] | 1 << (row % 8));
    RecordWriter writer;
    writer.begin(RecordType::End);
    writer.u64(quint64(renamed.size()));
    writer.bytes(bits);
    // No fsync: the undo finds every file by its inode, this record or not; it only spares
    // looking at rows the pass left alone.
    writeOut(writer);
    dropMarker(m_directoryFd, m_marker);
    close();
}

RecordedPass::~RecordedPass() {
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_directoryFd >= 0)
        ::close(m_directoryFd);
}

QString RecordedPass::oldName(qsizetype row) const {
    return platform::decodeFileName(m_contents.oldName(quint64(row)));
}

QString RecordedPass::newName(qsizetype row) const {
    return platform::decodeFileName(m_contents.newName(quint64(row)));
}

bool RecordedPass::leftAlone(qsizetype row) const {
    return m_contents.ended &&
           !(static_cast<unsigned char>(m_contents.renamedBits[row / 8]) >> (row % 8) & 1);
}

const RecordedPass::Entry* RecordedPass::entryNamed(QByteArrayView name) const {
    const auto found = std::lower_bound(
        m_byName.begin(), m_byName.end(), name,
        [this](const Entry& entry, QByteArrayView key) { return m_entries.name(entry) < key; });
    return found != m_byName.end() && m_entries.name(*found) == name ? &*found : nullptr;
}

QString RecordedPass::currentName(qsizetype row) const {
    // Only the names the pass can have left the file under count, by inode: one found elsewhere
    // may be a new file that took over the number of one deleted since. The old name comes
    // first, so a file left under both names (the link fallback) counts as restored. Where the
    // file system numbers files anew, the numbers recorded may since belong to other files (the
    // card was plugged in again, or its driver forgot them): only the row's own names tell.
    const quint64 fileId = m_contents.rows[size_t(row)].fileId;
    for (const QByteArray& name :
         {m_contents.oldName(quint64(row)), m_contents.newName(quint64(row))})
        if (const Entry* entry = entryNamed(name);
            entry && (m_renumbers || entry->fileId == fileId))
            return platform::decodeFileName(name);
    if (m_renumbers)
        return {};
    const auto [first, last] =
        std::equal_range(m_entries.entries.begin(), m_entries.entries.end(), Entry{fileId, 0, 0},
                         [](const Entry& a, const Entry& b) { return a.fileId < b.fileId; });
    const auto aside = std::find_if(first, last, [this](const Entry& entry) {
        return platform::isAsideName(m_entries.name(entry));
    });
    return aside == last ? QString() : platform::decodeFileName(m_entries.name(*aside));
}

bool RecordedPass::replaced(qsizetype row) const {
    return !m_renumbers && (entryNamed(m_contents.newName(quint64(row))) ||
                            entryNamed(m_contents.oldName(quint64(row))));
}

bool RecordedPass::append(RecordWriter& writer, bool sync) {
    if (!m_writable) {
        errno = EROFS;
        return false;
    }
    return appendRecords(m_fd, m_contents, writer.records(), sync) == 0;
}

void RecordedPass::restoring(qsizetype row, const QString& from) {
    m_row = row;
    m_from = platform::encodeFileName(from);
}

void RecordedPass::step(Kind kind, QByteArrayView name, quint64 inode) {
    if (!m_steps)
        m_marker = markOpen(m_directoryFd, m_name);
    RecordWriter writer;
    if (!m_from.isEmpty())
        writer.step(quint64(m_row), kSourceStep, 0, m_from);
    m_from.clear();
    writer.step(quint64(m_row), quint8(kind), inode, name);
    // Unsynced, as the pass's steps: a killed program leaves them in the system's cache.
    append(writer, false);
    m_steps = true;
}

bool RecordedPass::markUndone() {
    RecordWriter writer;
    writer.closed(true);
    if (!append(writer, true))
        return false;
    m_contents.undone = true;
    dropMarker(m_directoryFd, m_marker);
    return true;
}

bool RecordedPass::settleSteps() {
    if (!m_steps)
        return true;
    RecordWriter writer;
    writer.closed(false);
    if (!append(writer, true))
        return false;
    dropMarker(m_directoryFd, m_marker);
    return true;
}

namespace {

/// The most recent journal of `folder` not undone yet, handed to `accept` with the folder of
/// journals; the lookup Refused when one of the folder's journals cannot be read.
template <class Accept>
PassLookup findPass(const QString& folder, const QString& directory, Accept accept) {
    PassLookup lookup;
    const auto refuse = [&lookup](const QString& what, const QString& file) {
        lookup.status = PassLookup::Status::Refused;
        lookup.problem = problemText(what, file);
    };
    const QByteArray path = platform::encodeFileName(folder);
    const quint64 key = folderKey(path);
    QString problem;
    const int directoryFd = openJournalDirectory(directory, false, problem);
    if (directoryFd < 0) {
        if (!problem.isEmpty())
            refuse(u"папка журналов «%1» не используется: "_s + problem + u'.', directory);
        return lookup;
    }
    for (const JournalName& journal : listJournals(directoryFd)) {
        if (journal.key != key)
            continue;
        const QString file = directory + u'/' + platform::decodeFileName(journal.name);
        const int fd = openJournalFile(directoryFd, journal.name.constData(), O_RDONLY, problem);
        if (fd < 0 && !problem.isEmpty()) {
            refuse(u"журнал переименования «%1» не принят: "_s + problem + u'.', file);
            break;
        }
        JournalContents contents;
        if (fd < 0) {
            contents.error = errno;
        } else {
            contents = readJournal(fd, false);
            ::close(fd);
        }
        if (contents.error == ENOENT)
            continue; // pruned meanwhile by another program's pass
        if (contents.error != 0) {
            refuse(u"журнал переименования «%1» не читается: "_s + errorText(contents.error) + u'.',
                   file);
            break;
        }
        if (contents.status == JournalContents::Status::NewerVersion) {
            refuse(u"журнал переименования «%1» записан более новой версией программы."_s, file);
            break;
        }
        if (contents.status != JournalContents::Status::NotAJournal && contents.folderPath != path)
            continue; // another folder whose path has the same key
        if (contents.undone)
            continue;
        lookup.status = PassLookup::Status::Refused;
        lookup.problem = problemText(u"журнал переименования «%1» повреждён или неполон."_s, file);
        accept(directoryFd, journal.name, lookup);
        break;
    }
    ::close(directoryFd);
    return lookup;
}

} // namespace

PassLookup latestPass(const QString& folder, const QString& directory) {
    return findPass(
        folder, directory, [&](int directoryFd, const QByteArray& name, PassLookup& lookup) {
            auto pass = std::make_unique<RecordedPass>();
            pass->m_folder = folder;
            pass->m_name = name;
            // Kept open, and locked, for the undo's own records: the repair at another program's
            // start leaves it alone meanwhile, as it does a running pass's journal.
            QString problem;
            pass->m_fd = openJournalFile(directoryFd, name.constData(), O_RDWR, problem);
            pass->m_writable = pass->m_fd >= 0;
            if (pass->m_fd < 0 && problem.isEmpty())
                pass->m_fd = openJournalFile(directoryFd, name.constData(), O_RDONLY, problem);
            if (pass->m_fd < 0)
                return;
            ::flock(pass->m_fd, LOCK_EX | LOCK_NB);
            pass->m_directoryFd = ::fcntl(directoryFd, F_DUPFD_CLOEXEC, 0);
            pass->m_contents = readJournal(pass->m_fd, true);
            if (pass->m_contents.error != 0 ||
                pass->m_contents.status != JournalContents::Status::Whole ||
                !pass->m_contents.planIsPlain())
                return;

            const int folderFd = ::open(platform::encodeFileName(folder).constData(),
                                        O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            struct stat status;
            if (folderFd < 0 || ::fstat(folderFd, &status) != 0) {
                lookup.problem =
                    problemText(u"папка «%1» не открывается: "_s + errorText(errno) + u'.', folder);
                if (folderFd >= 0)
                    ::close(folderFd);
                return;
            }
            // Where the file system numbers files anew, the card plugged in again is the same
            // folder by its path alone; the rows' own names then tell their files.
            pass->m_renumbers = filesystem::fileSystemKind(folderFd).renumbersFiles;
            const bool same =
                pass->m_renumbers || (quint64(status.st_dev) == pass->m_contents.folderDevice &&
                                      quint64(status.st_ino) == pass->m_contents.folderInode);
            std::optional<filesystem::FolderEntries> entries;
            if (same)
                entries = filesystem::readEntries(folderFd);
            const int readError = errno;
            ::close(folderFd);
            if (!same) {
                lookup.problem =
                    problemText(u"папка «%1» с тех пор перемещена или заменена другой, а "
                                "журнал говорит о прежней."_s,
                                folder);
                return;
            }
            if (!entries) {
                lookup.problem = problemText(
                    u"папка «%1» не читается: "_s + errorText(readError) + u'.', folder);
                return;
            }
            pass->m_entries = std::move(*entries);
            using Entry = filesystem::FolderEntries::Entry;
            std::vector<Entry>& byId = pass->m_entries.entries;
            std::sort(byId.begin(), byId.end(),
                      [](const Entry& a, const Entry& b) { return a.fileId < b.fileId; });
            pass->m_byName = byId;
            std::sort(pass->m_byName.begin(), pass->m_byName.end(),
                      [&](const Entry& a, const Entry& b) {
                          return pass->m_entries.name(a) < pass->m_entries.name(b);
                      });
            lookup.status = PassLookup::Status::Ready;
            lookup.pass = std::move(pass);
        });
}

bool hasPassToUndo(const QString& folder, const QString& directory) {
    return findPass(folder, directory, [](int, const QByteArray&, PassLookup&) {}).status !=
           PassLookup::Status::Nothing;
}

} // namespace journal
