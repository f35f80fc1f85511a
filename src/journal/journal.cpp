// The journal of every rename pass: written before the first rename, read back for the undo.
#include "journal/journal.h"

#include "filesystem/file_system_kind.h"
#include "platform/file_names.h"
#include "platform/folder_survey.h"
#include "platform/rename_plan.h"

#include <QDateTime>
#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
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
    for (const char byte : path)
        hash = (hash ^ static_cast<unsigned char>(byte)) * 1099511628211ULL;
    return hash;
}

struct JournalName {
    QByteArray name;
    quint64 key = 0;
    qint64 time = 0;
};

/// The journals in the folder of journals open as `directoryFd`, by their names
/// "<key in 16 hex digits>-<ms since the epoch>-<process id>.journal", newest first; none when
/// it cannot be read.
std::vector<JournalName> listJournals(int directoryFd) {
    std::vector<JournalName> journals;
    const auto entries = filesystem::readEntries(directoryFd).value_or(filesystem::FolderEntries());
    for (const filesystem::FolderEntries::Entry& entry : entries.entries) {
        const QByteArray name = entries.name(entry).toByteArray();
        unsigned long long key = 0;
        long long time = 0;
        int consumed = 0;
        const int read =
            std::sscanf(name.constData(), "%16llx-%13lld-%*d.journal%n", &key, &time, &consumed);
        if (read == 2 && consumed == name.size() && name.size() > 16 && name[16] == '-')
            journals.push_back({name, quint64(key), qint64(time)});
    }
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
    if (const int error = slash > 0 ? makeDirectory(directory.left(slash)) : 0)
        return error;
    return ::mkdir(directory.constData(), 0700) != 0 && errno != EEXIST ? errno : 0;
}

QString errorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
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

void closeFd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

void fail(const QString& why) {
    std::fprintf(stderr,
                 "tarvelok: журнал переименования не записан (%s); этот проход нельзя будет "
                 "отменить.\n",
                 platform::encodeFileName(why).constData());
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
    return home.startsWith('/') ? platform::decodeFileName(home) + u"/.local/state/tarvelok"_s
                                : QString();
}

int openJournalDirectory(const QString& directory, bool create, QString& problem) {
    const QByteArray path = platform::encodeFileName(directory);
    const int error = path.isEmpty() || !create ? 0 : makeDirectory(path);
    problem = path.isEmpty() && create ? u"не найдена домашняя папка"_s
              : error != 0             ? errorText(error)
                                       : QString();
    if (path.isEmpty() || error != 0)
        return -1;
    int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat status;
    if (fd < 0 || ::fstat(fd, &status) != 0) {
        const int openError = errno;
        closeFd(fd);
        struct stat link;
        if (::lstat(path.constData(), &link) == 0 && S_ISLNK(link.st_mode))
            problem = u"это символическая ссылка"_s;
        else if (openError != ENOENT || create)
            problem = errorText(openError);
    } else if (status.st_uid != ::geteuid()) {
        problem = u"она принадлежит другому пользователю"_s;
    } else if (status.st_mode & (S_IWGRP | S_IWOTH)) {
        problem = u"в неё могут писать другие пользователи"_s;
    }
    if (!problem.isEmpty())
        closeFd(fd);
    return fd;
}

int openJournalFile(int directoryFd, const char* name, int flags, QString& problem) {
    problem.clear();
    int fd = ::openat(directoryFd, name, flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    struct stat status;
    if (fd < 0 && errno == ELOOP)
        problem = u"это символическая ссылка"_s;
    else if (fd >= 0 && ::fstat(fd, &status) != 0)
        problem = errorText(errno);
    else if (fd >= 0 && !S_ISREG(status.st_mode))
        problem = u"это не обычный файл"_s;
    else if (fd >= 0 && status.st_uid != ::geteuid())
        problem = u"он принадлежит другому пользователю"_s;
    else if (fd >= 0 && (status.st_mode & 07777) != 0600)
        problem = u"его могут читать или менять другие пользователи"_s;
    if (fd >= 0 && !problem.isEmpty()) {
        closeFd(fd);
        errno = EPERM;
    }
    return fd;
}

void PassJournal::close() {
    closeFd(m_fd);
    closeFd(m_directoryFd);
    m_recording = false;
}

void PassJournal::begin(const platform::RenamePlan& plan) {
    close();
    const QByteArray folder = platform::encodeFileName(plan.folder);
    struct stat folderStatus;
    if (::stat(folder.constData(), &folderStatus) != 0)
        return fail(plan.folder + u": "_s + errorText(errno));
    QString problem;
    m_directoryFd = openJournalDirectory(m_directory, true, problem);
    if (m_directoryFd < 0)
        return fail(u"папка журналов «"_s + m_directory + u"» не используется: "_s + problem);

    qint64 now = QDateTime::currentMSecsSinceEpoch();
    const quint64 key = folderKey(folder);
    int ofFolder = 0;
    for (const JournalName& journal : listJournals(m_directoryFd)) {
        // Beyond the kept time, and past the number kept of this folder less one for this pass.
        const bool mine = journal.key == key;
        if (now - journal.time > kKeptMs || (mine && ofFolder >= kPassesPerFolder - 1))
            ::unlinkat(m_directoryFd, journal.name.constData(), 0);
        else if (mine)
            ++ofFolder;
    }
    // Passes are told apart, and ordered, by the time in their names: a second pass within the
    // same millisecond takes the next one.
    char name[64];
    for (int attempt = 0; attempt < 1000; ++attempt, ++now) {
        std::snprintf(name, sizeof name, "%016llx-%013lld-%d.journal", qulonglong(key),
                      qlonglong(now), int(::getpid()));
        m_fd = ::openat(m_directoryFd, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                        0600);
        if (m_fd >= 0 || errno != EEXIST)
            break;
    }
    // Held while the pass runs, and let go by the system however the program ends: the repair at
    // the next start leaves a pass alone while its program still holds this.
    if (m_fd >= 0)
        ::flock(m_fd, LOCK_EX | LOCK_NB);
    bool written = m_fd >= 0;
    const qsizetype rows = plan.oldNames.size();
    RecordWriter writer(kFormatVersion);
    qsizetype row = 0;
    do {
        writer.begin(RecordType::Plan);
        writer.u64(quint64(row));
        if (row == 0) {
            for (const quint64 field : {quint64(folderStatus.st_dev), quint64(folderStatus.st_ino),
                                        quint64(now), quint64(rows)})
                writer.u64(field);
            writer.name(plan.folder);
        }
        for (; row < rows && writer.payloadSize() < kRowsPerRecordBytes; ++row) {
            writer.name(plan.oldNames.at(row));
            writer.name(plan.newNames.value(row));
            writer.u64(plan.fileIds.value(row));
        }
        if (writer.records().size() > kWriteBytes)
            written = writeRecords(m_fd, writer.records());
    } while (written && row < rows);
    // The plan must be on disk, and its name in the folder, before the first rename.
    if (!written || !writeRecords(m_fd, writer.records()) || ::fsync(m_fd) != 0 ||
        ::fsync(m_directoryFd) != 0) {
        fail(QString::fromLatin1(name) + u": "_s + errorText(errno ? errno : EIO));
        if (m_fd >= 0)
            ::unlinkat(m_directoryFd, name, 0);
        return close();
    }
    m_recording = true;
    m_leftBehind = false;
    // Without it a pass killed mid-step would be put right only by an undo.
    m_marker = markOpen(m_directoryFd, name);
}

void PassJournal::step(Kind kind, QByteArrayView name, quint64 inode) {
    if (!m_recording)
        return;
    RecordWriter writer;
    writer.step(quint64(m_row), quint8(kind), inode, name);
    // Before the step is made, in one write: a program killed after it leaves the record in the
    // system's cache, and one killed within it leaves a torn record that the repair drops, having
    // made nothing yet that the record would name.
    if (writeRecords(m_fd, writer.records()))
        return;
    // A full disk, say. The pass goes on as if it had no journal (the plan on disk still serves
    // an undo), and the user hears once that a stop from now on may leave names to put right
    // by hand. The journal stays open, and locked, so no repair runs under the pass.
    std::fprintf(stderr,
                 "tarvelok: журнал переименования больше не записывается (%s); переименование "
                 "продолжается, но отменить его целиком может не получиться.\n",
                 std::strerror(errno));
    m_recording = false;
}

void PassJournal::end(const std::vector<bool>& renamed) {
    // A claim or link that could not be removed leaves the pass looking cut off: no end record,
    // which would close its steps, and the marker kept, so that the next start's repair removes
    // what the steps recorded.
    if (m_recording && !m_leftBehind) {
        QByteArray bits((renamed.size() + 7) / 8, '\0');
        for (size_t row = 0; row < renamed.size(); ++row)
            bits[row / 8] = char(bits[row / 8] | (renamed[row] ? 1 : 0) << (row % 8));
        RecordWriter writer;
        writer.begin(RecordType::End);
        writer.u64(quint64(renamed.size()));
        writer.bytes(bits);
        // No fsync: the undo finds every file by its inode, this record or not; it only spares
        // looking at rows the pass left alone.
        writeRecords(m_fd, writer.records());
    }
    // Every step is done now, recorded or not: nothing is left for a repair to look at.
    if (!m_leftBehind)
        dropMarker(m_directoryFd, m_marker);
    close();
}

RecordedPass::~RecordedPass() {
    closeFd(m_fd);
    closeFd(m_directoryFd);
}

namespace {
constexpr quint32 kNoEntry = 0xFFFFFFFF;
}

EntryIndex::EntryIndex(const filesystem::FolderEntries* entries)
    : m_entries(entries) {
    if (!m_entries)
        return;
    m_slots.assign(std::bit_ceil(m_entries->entries.size() * 2 + 2), kNoEntry);
    for (size_t index = 0; index < m_entries->entries.size(); ++index)
        m_slots[slotOf(m_entries->name(m_entries->entries[index]))] = quint32(index);
}

size_t EntryIndex::slotOf(QByteArrayView name) const {
    const size_t mask = m_slots.size() - 1;
    size_t slot = platform::EntryTable::hashOf(name) & mask;
    while (m_slots[slot] != kNoEntry && m_entries->name(m_entries->entries[m_slots[slot]]) != name)
        slot = (slot + 1) & mask;
    return slot;
}

std::optional<quint64> EntryIndex::fileId(QByteArrayView name) const {
    if (m_slots.empty())
        return std::nullopt;
    const quint32 index = m_slots[slotOf(name)];
    if (index == kNoEntry)
        return std::nullopt;
    return m_entries->entries[index].fileId;
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

QString RecordedPass::currentName(qsizetype row) const {
    // Only the names the pass can have left the file under count, by inode: one found elsewhere
    // may be a new file that took over the number of one deleted since. The old name comes
    // first, so a file left under both names (the link fallback) counts as restored. Where the
    // file system numbers files anew, the numbers recorded may since belong to other files (the
    // card was plugged in again, or its driver forgot them): only the row's own names tell.
    const quint64 fileId = m_contents.rows[size_t(row)].fileId;
    for (const QByteArray& name : {m_contents.oldName(row), m_contents.newName(row)})
        if (const std::optional<quint64> entry = m_byName.fileId(name);
            entry && (m_renumbers || *entry == fileId))
            return platform::decodeFileName(name);
    const auto aside = m_asides.constFind(fileId);
    return aside == m_asides.cend() || m_renumbers ? QString() : platform::decodeFileName(*aside);
}

bool RecordedPass::replaced(qsizetype row) const {
    return !m_renumbers && (m_byName.contains(m_contents.newName(row)) ||
                            m_byName.contains(m_contents.oldName(row)));
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
    if (m_writable)
        appendRecords(m_fd, m_contents, writer.records(), false);
    m_steps = true;
}

bool RecordedPass::recordClosed(bool undone) {
    if (!undone && !m_steps)
        return true;
    RecordWriter writer;
    writer.closed(undone);
    errno = EROFS; // when it could be opened for reading alone
    if (!m_writable || !appendRecords(m_fd, m_contents, writer.records(), true))
        return false;
    dropMarker(m_directoryFd, m_marker);
    return true;
}

PassLookup RecordedPass::find(const QString& folder, const QString& directory, bool readIn) {
    PassLookup lookup;
    const auto refuse = [&lookup](const QString& what, const QString& file) {
        lookup.status = PassLookup::Status::Refused;
        lookup.problem = u"Отмена невозможна: "_s + what.arg(platform::shownFileName(file));
    };
    const QByteArray path = platform::encodeFileName(folder);
    QString problem;
    auto pass = std::make_unique<RecordedPass>();
    const int directoryFd = pass->m_directoryFd = openJournalDirectory(directory, false, problem);
    if (!problem.isEmpty())
        refuse(u"папка журналов «%1» не используется: "_s + problem + u'.', directory);
    JournalContents& contents = pass->m_contents;
    using Status = JournalContents::Status;
    for (const JournalName& journal : listJournals(directoryFd)) {
        if (journal.key != folderKey(path))
            continue;
        // Kept open, and locked, for the undo's own records: the repair at another program's
        // start leaves it alone meanwhile, as it does a running pass's journal.
        closeFd(pass->m_fd);
        pass->m_fd = openJournalFile(directoryFd, journal.name.constData(), O_RDWR, problem);
        pass->m_writable = pass->m_fd >= 0;
        if (pass->m_fd < 0 && problem.isEmpty())
            pass->m_fd = openJournalFile(directoryFd, journal.name.constData(), O_RDONLY, problem);
        contents = {};
        contents.error = pass->m_fd < 0 ? errno : 0;
        if (pass->m_fd >= 0)
            contents = readJournal(pass->m_fd, false);
        const bool elsewhere = contents.status != Status::NotAJournal &&
                               contents.status != Status::NewerVersion &&
                               contents.folderPath != path;
        if (problem.isEmpty() &&
            (contents.error == ENOENT || (contents.error == 0 && (contents.undone || elsewhere))))
            continue; // pruned meanwhile, undone, or of another folder whose path has the same key
        const bool found =
            problem.isEmpty() && contents.error == 0 && contents.status != Status::NewerVersion;
        refuse(u"журнал переименования «%1» "_s +
                   (!problem.isEmpty() ? u"не принят: "_s + problem + u'.'
                    : contents.error != 0 ? u"не читается: "_s + errorText(contents.error) + u'.'
                    : !found ? u"записан более новой версией программы."_s
                             : u"повреждён или неполон."_s),
               directory + u'/' + platform::decodeFileName(journal.name));
        pass->m_name = found ? journal.name : QByteArray();
        break;
    }
    if (!readIn || pass->m_name.isEmpty())
        return lookup;
    ::flock(pass->m_fd, LOCK_EX | LOCK_NB);
    contents = readJournal(pass->m_fd, true);
    if (contents.error != 0 || contents.status != Status::Whole || !contents.planIsPlain())
        return lookup;
    int folderFd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat status {};
    // Where the file system numbers files anew, the card plugged in again is the same folder by
    // its path alone; the rows' own names then tell their files.
    const bool opened = folderFd >= 0 && ::fstat(folderFd, &status) == 0;
    pass->m_renumbers = opened && filesystem::fileSystemKind(folderFd).renumbersFiles;
    const bool same = pass->m_renumbers || (quint64(status.st_dev) == contents.folderDevice &&
                                            quint64(status.st_ino) == contents.folderInode);
    auto entries = opened && same ? filesystem::readEntries(folderFd) : std::nullopt;
    const int error = errno;
    closeFd(folderFd);
    // Refused already, as the journal found: the folder now tells why.
    if (!entries) {
        refuse(!opened ? u"папка «%1» не открывается: "_s + errorText(error) + u'.'
               : !same ? u"папка «%1» с тех пор перемещена или заменена другой, а журнал говорит "
                         "о прежней."_s
                       : u"папка «%1» не читается: "_s + errorText(error) + u'.',
               folder);
        return lookup;
    }
    pass->m_entries = std::move(*entries);
    pass->m_byName = EntryIndex(&pass->m_entries);
    for (const filesystem::FolderEntries::Entry& entry : pass->m_entries.entries) {
        const QByteArrayView name = pass->m_entries.name(entry);
        if (platform::isAsideName(name))
            pass->m_asides.insert(entry.fileId, name);
    }
    pass->m_folder = folder;
    return {PassLookup::Status::Ready, {}, std::move(pass)};
}

} // namespace journal
