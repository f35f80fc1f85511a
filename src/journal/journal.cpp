// The journal of every rename pass: written before the first rename, read back for the undo.
#include "journal/journal.h"

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
#include <dirent.h>
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

/// The journals in the folder of journals open as `directoryFd`, newest first; empty when it
/// cannot be read.
std::vector<JournalName> listJournals(int directoryFd) {
    std::vector<JournalName> journals;
    const int fd = ::openat(directoryFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (!dir) {
        if (fd >= 0)
            ::close(fd);
        return journals;
    }
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
    const QByteArray path = folderBytes(directory);
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

bool PassJournal::writeOut(std::string& buffer) {
    const bool written = writeAll(m_fd, buffer.data(), buffer.size());
    buffer.clear();
    return written;
}

void PassJournal::begin(const platform::RenamePlan& plan) {
    close();
    const QByteArray folder = folderBytes(plan.folder);
    struct stat folderStatus;
    if (::stat(folder.constData(), &folderStatus) != 0)
        return fail(plan.folder + u": "_s + errorText(errno));
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

    const qsizetype rows = plan.oldNames.size();
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
            putName(payload, plan.oldNames.at(row));
            putName(payload, plan.newNames.value(row));
            putU64(payload, plan.fileIds.value(row));
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
    writer.append(RecordType::Step, stepPayload(quint64(m_row), quint8(kind), inode, name));
    // Before the step is made, in one write: a program killed after it leaves the record in the
    // system's cache, and one killed within it leaves a torn record that the repair drops, having
    // made nothing yet that the record would name.
    if (writeOut(writer.buffer()))
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
    dropMarker(m_directoryFd, m_marker);
    close();
}

RecordedPass::~RecordedPass() {
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_directoryFd >= 0)
        ::close(m_directoryFd);
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
        chosen = named([&](const Entry& e) { return platform::isAsideName(entryName(e)); });
    if (chosen)
        return platform::decodeFileName(entryName(*chosen));
    return {};
}

bool RecordedPass::replaced(qsizetype row) const {
    return !m_renumbers && (entryNamed(newBytes(row)) || entryNamed(oldBytes(row)));
}

bool RecordedPass::append(RecordType type, std::string_view payload, bool sync) {
    if (!m_writable) {
        errno = EROFS;
        return false;
    }
    // From the end of the last whole record: a torn one after it would hide what follows.
    if (!m_resumed && ::ftruncate(m_fd, m_contents.validEnd) != 0)
        return false;
    m_resumed = true;
    return writeRecordAt(m_fd, m_contents.validEnd, type, payload, sync) == 0;
}

void RecordedPass::restoring(qsizetype row, const QString& from) {
    m_row = row;
    m_from = folderBytes(from);
}

void RecordedPass::step(Kind kind, QByteArrayView name, quint64 inode) {
    if (!m_steps)
        m_marker = markOpen(m_directoryFd, m_name);
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
    dropMarker(m_directoryFd, m_marker);
    return true;
}

bool RecordedPass::settleSteps() {
    if (!m_steps)
        return true;
    if (!append(RecordType::Settled, timePayload(), true))
        return false;
    dropMarker(m_directoryFd, m_marker);
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
    QString problem;
    const int directoryFd = openJournalDirectory(directory, false, problem);
    if (directoryFd < 0) {
        if (!problem.isEmpty()) {
            lookup.status = PassLookup::Status::Refused;
            lookup.problem =
                problemText(u"папка журналов «%1» не используется: "_s + problem + u'.', directory);
        }
        return lookup;
    }
    for (const JournalName& journal : listJournals(directoryFd)) {
        if (journal.key != key)
            continue;
        const QString file = directory + u'/' + platform::decodeFileName(journal.name);
        const int fd = openJournalFile(directoryFd, journal.name.constData(), O_RDONLY, problem);
        if (fd < 0 && !problem.isEmpty()) {
            lookup.status = PassLookup::Status::Refused;
            lookup.problem =
                problemText(u"журнал переименования «%1» не принят: "_s + problem + u'.', file);
            break;
        }
        JournalContents contents;
        const int error = fd < 0 ? errno : scanJournal(fd, contents);
        if (fd >= 0)
            ::close(fd);
        if (error == ENOENT)
            continue; // pruned meanwhile by another program's pass
        if (error != 0) {
            lookup.status = PassLookup::Status::Refused;
            lookup.problem = problemText(
                u"журнал переименования «%1» не читается: "_s + errorText(error) + u'.', file);
            break;
        }
        if (contents.status == JournalContents::Status::NewerVersion) {
            lookup.status = PassLookup::Status::Refused;
            lookup.problem = problemText(
                u"журнал переименования «%1» записан более новой версией программы."_s, file);
            break;
        }
        if (contents.status != JournalContents::Status::NotAJournal && contents.folderPath != path)
            continue; // another folder whose path has the same key
        if (contents.undone)
            continue;
        if (accept(directoryFd, journal.name, file, contents, lookup))
            break;
    }
    ::close(directoryFd);
    return lookup;
}

/// Whether every row of `contents` (read in full from `data`) names a file of its folder by
/// plain names: anything else was not written by a pass, and is never acted on.
bool planIsPlain(const JournalContents& contents, const QByteArray& data) {
    for (const PlanRow& row : contents.rows)
        if (!platform::isPlainName(data.mid(row.oldAt, row.oldLength)) ||
            !platform::isPlainName(data.mid(row.newAt, row.newLength)))
            return false;
    return true;
}

QString damagedText(const QString& file) {
    return problemText(u"журнал переименования «%1» повреждён или неполон."_s, file);
}

} // namespace

PassLookup latestPass(const QString& folder, const QString& directory) {
    return findPass(
        folder, directory,
        [&](int directoryFd, const QByteArray& name, const QString& file,
            const JournalContents& summary, PassLookup& lookup) {
            lookup.status = PassLookup::Status::Refused;
            if (summary.status != JournalContents::Status::Whole) {
                lookup.problem = damagedText(file);
                return true;
            }
            auto pass = std::make_unique<RecordedPass>();
            pass->m_folder = folder;
            pass->m_file = file;
            pass->m_name = name;
            // Kept open, and locked, for the undo's own records: the repair at another program's
            // start leaves it alone meanwhile, as it does a running pass's journal.
            QString problem;
            pass->m_fd = openJournalFile(directoryFd, name.constData(), O_RDWR, problem);
            pass->m_writable = pass->m_fd >= 0;
            if (pass->m_fd < 0 && problem.isEmpty())
                pass->m_fd = openJournalFile(directoryFd, name.constData(), O_RDONLY, problem);
            if (pass->m_fd < 0 || readJournal(pass->m_fd, pass->m_data) != 0) {
                lookup.problem = damagedText(file);
                return true;
            }
            ::flock(pass->m_fd, LOCK_EX | LOCK_NB);
            pass->m_directoryFd = ::fcntl(directoryFd, F_DUPFD_CLOEXEC, 0);
            pass->m_contents = parseJournal(pass->m_data);
            if (pass->m_contents.status != JournalContents::Status::Whole ||
                !planIsPlain(pass->m_contents, pass->m_data)) {
                lookup.problem = damagedText(file);
                return true;
            }

            const QByteArray path = folderBytes(folder);
            const int folderFd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            struct stat status;
            if (folderFd < 0 || ::fstat(folderFd, &status) != 0) {
                lookup.problem =
                    problemText(u"папка «%1» не открывается: "_s + errorText(errno) + u'.', folder);
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
                lookup.problem = problemText(
                    u"папка «%1» не читается: "_s + errorText(readError) + u'.', folder);
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
    const PassLookup lookup = findPass(
        folder, directory,
        [](int, const QByteArray&, const QString&, const JournalContents&, PassLookup& found) {
            found.status = PassLookup::Status::Ready;
            return true;
        });
    return lookup.status != PassLookup::Status::Nothing;
}

} // namespace journal
