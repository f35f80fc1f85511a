// Puts right the rows a rename pass left mid-step: from the steps its journal recorded before
// making them, and from what the folder holds under those names now.
#include "journal/repair.h"

#include "filesystem/file_system_kind.h"
#include "filesystem/folder_lister.h"
#include "journal/folder_lock.h"
#include "platform/file_names.h"
#include "platform/file_renamer.h"
#include "platform/folder_survey.h"

#include <QByteArrayList>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace journal {

namespace {

using Kind = platform::RenameSteps::Kind;

/// Puts right row `row` of `contents` from its `steps`, in the order they were made, in the
/// folder open as `folder`, where `numbersKept` when a recorded inode number still tells the
/// file: the line that reports it, or "" when there was nothing to do.
QByteArray repairRow(const JournalContents& contents, int folder, bool numbersKept,
                     platform::FileRenamer& renamer, quint64 row,
                     const std::vector<const JournalStep*>& steps) {
    QByteArrayList done;
    QByteArray problem;
    const auto remove = [&](const QByteArray& name, const char* what) {
        if (::unlinkat(folder, name.constData(), 0) == 0)
            done.append(QByteArray(what).replace("%1", name));
        else
            problem = "не удалось удалить «" + name + "»: " + std::strerror(errno);
    };
    // The name of the last step of `kind` up to `at`, within the undo begun last for an aside.
    const auto last = [&steps](size_t at, quint8 kind) {
        for (size_t i = at + 1; i-- > 0;)
            if (steps[i]->kind == kind || steps[i]->kind == kSourceStep)
                return steps[i]->kind == kind ? steps[i]->name : QByteArray();
        return QByteArray();
    };
    const bool undo = !last(steps.size() - 1, kSourceStep).isEmpty();
    // From the last step back: a claim or a second link made on the way to the new name goes
    // before the file leaves the aside name.
    for (size_t at = steps.size(); at-- > 0;) {
        const JournalStep& step = *steps[at];
        // Where the row's file goes back to: its old name, or for an undo's row the name the
        // undo moved it back from. Where the step's move starts: there, or for the move on from
        // an aside name, that name.
        const QByteArray source = last(at, kSourceStep);
        const QByteArray home = source.isEmpty() ? contents.oldName(row) : source;
        const QByteArray aside = last(at, quint8(Kind::Aside));
        const QByteArray from = !aside.isEmpty() && step.name != aside ? aside : home;
        struct stat named;
        struct stat original;
        if (step.kind == kSourceStep || step.name == home ||
            ::fstatat(folder, step.name.constData(), &named, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        const bool sourceHere =
            ::fstatat(folder, from.constData(), &original, AT_SYMLINK_NOFOLLOW) == 0;
        const bool same =
            sourceHere && original.st_dev == named.st_dev && original.st_ino == named.st_ino;
        if (Kind(step.kind) == Kind::Aside && (S_ISREG(named.st_mode) || S_ISLNK(named.st_mode))) {
            const int error =
                renamer.rename(platform::decodeFileName(contents.folderPath),
                               platform::decodeFileName(step.name), platform::decodeFileName(home));
            if (error == 0)
                done.append("файл возвращён из «" + step.name + "»");
            else
                problem = "файл остался под именем «" + step.name + "»: " + std::strerror(error);
        } else if (Kind(step.kind) == Kind::Link && same && !S_ISDIR(named.st_mode) &&
                   named.st_nlink >= 2) {
            // Only while the move's source still holds the very same file: then the pass made
            // this second name and had not yet removed the first.
            remove(step.name, "удалено второе имя «%1»");
        } else if (Kind(step.kind) == Kind::Claim && step.inode == 0 && S_ISREG(named.st_mode) &&
                   named.st_size == 0 && sourceHere && !same) {
            // Once made, the claim's inode is recorded: only an empty file with that inode, while
            // the file it was to make way for is still at the move's source. A claim whose inode
            // was never recorded was being made when the program was killed: the name was free
            // just before, so the empty file there is the claim. So is one made last where inode
            // numbers are not kept: nothing happened after.
            const auto claim = std::find_if(steps.rbegin(), steps.rend(), [&](const auto* made) {
                return Kind(made->kind) == Kind::Claim && made->inode != 0 &&
                       made->name == step.name;
            });
            const JournalStep& last = contents.steps.back();
            const bool madeLast = &step == &last || (Kind(last.kind) == Kind::Claim &&
                                                     last.row == row && last.name == step.name);
            if (claim != steps.rend() && numbersKept ? named.st_ino == (*claim)->inode : madeLast)
                remove(step.name, "удалён пустой файл «%1»");
        }
    }
    const bool fixed = problem.isEmpty();
    if (!fixed)
        done.append(problem);
    if (done.isEmpty())
        return {};
    const QByteArray from = undo ? contents.newName(row) : contents.oldName(row);
    const QByteArray to = undo ? contents.oldName(row) : contents.newName(row);
    return QByteArray(undo ? "tarvelok: прерванная отмена переименования «"
                           : "tarvelok: прерванное переименование «") +
           (contents.folderPath == "/" ? QByteArray() : contents.folderPath) + '/' + from +
           "» → «" + to + "» " + (fixed ? "" : "не ") + (undo ? "исправлена" : "исправлено") +
           ": " + done.join("; ") + '\n';
}

/// Why the repair must not act on `contents`, read in full: "" when every name it would touch
/// is a plain name the pass itself can have made for that row. A row's own old and new names,
/// the aside names its steps recorded before, and where an undo moved it back from; nothing
/// else, so a damaged or planted journal cannot point the repair at another file.
QByteArray untrusted(const JournalContents& contents) {
    if (!contents.folderPath.startsWith('/') || contents.folderPath.contains('\0'))
        return "путь папки не абсолютный";
    if (!contents.planIsPlain())
        return "имя в плане не простое";
    std::map<quint64, std::set<QByteArray>> made; // per row: the names its steps may touch
    for (const JournalStep& step : contents.steps) {
        if (!platform::isPlainName(step.name))
            return "имя шага «" + step.name + "» не простое";
        std::set<QByteArray>& names = made[step.row];
        if (names.empty())
            names = {contents.oldName(step.row), contents.newName(step.row)};
        const bool aside = platform::isAsideName(step.name);
        if (step.kind < quint8(Kind::Aside) || step.kind > kSourceStep)
            return "неизвестный шаг";
        if (step.kind == quint8(Kind::Aside) && !aside)
            return "имя «" + step.name + "» не похоже на промежуточное";
        if (step.kind == kSourceStep && !aside && step.name != contents.newName(step.row))
            return "отмена начата с чужого имени «" + step.name + "»";
        if ((step.kind == quint8(Kind::Claim) || step.kind == quint8(Kind::Link)) &&
            !names.count(step.name))
            return "имя «" + step.name + "» не из плана";
        if (step.kind == quint8(Kind::Aside) || step.kind == kSourceStep)
            names.insert(step.name);
    }
    return {};
}

/// Repairs the pass of the journal open as `fd`, whose program is gone, if it was cut off
/// mid-step; how many rows it reported. False in `done` when it is to be tried again at the next
/// start: the journal is refused, or its folder cannot be reached now.
qsizetype repairJournal(int fd, const QByteArray& path, platform::FileRenamer& renamer,
                        bool& done) {
    JournalContents contents = readJournal(fd, true);
    done = true;
    if (contents.error != 0 || contents.status != JournalContents::Status::Whole ||
        contents.steps.empty())
        return 0;
    if (const QByteArray why = untrusted(contents); !why.isEmpty()) {
        // Left as it is, marker and all: the user hears of it at every start until it goes.
        std::fprintf(stderr,
                     "tarvelok: журнал переименования «%s» отклонён (%s); по нему ничего не "
                     "исправлено.\n",
                     path.constData(), why.constData());
        done = false;
        return 0;
    }
    // Only the folder the pass renamed in: one moved away or replaced since is left alone. A
    // card plugged in again is known by its path alone, as its undo knows it.
    // Not while a pass or an undo works in the folder: this journal's own lock is gone with
    // its program, and the files may be moving under the repair. Tried again at the next start.
    const FolderLock lock(platform::decodeFileName(contents.folderPath));
    const int folder = lock.fd();
    struct stat status;
    const bool renumbers = folder >= 0 && filesystem::fileSystemKind(folder).renumbersFiles;
    done = folder >= 0 && !lock.busy() && ::fstat(folder, &status) == 0 &&
           (renumbers || (quint64(status.st_dev) == contents.folderDevice &&
                          quint64(status.st_ino) == contents.folderInode));
    qsizetype reported = 0;
    if (done) {
        std::map<quint64, std::vector<const JournalStep*>> rows;
        for (const JournalStep& step : contents.steps)
            rows[step.row].push_back(&step);
        // The last row first, as the pass would be undone.
        for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
            const QByteArray line =
                repairRow(contents, folder, !renumbers, renamer, row->first, row->second);
            std::fputs(line.constData(), stderr);
            reported += line.isEmpty() ? 0 : 1;
        }
        renamer.releaseFolder();
        RecordWriter settled;
        settled.closed(false);
        if (!appendRecords(fd, contents, settled.records(), true))
            std::fprintf(stderr,
                         "tarvelok: журнал переименования не дописан (%s); исправление будет "
                         "повторено при следующем запуске.\n",
                         std::strerror(errno));
    }
    return reported;
}

} // namespace

qsizetype repairInterruptedPasses(platform::FileRenamer& renamer, const QString& directory) {
    const QByteArray path = platform::encodeFileName(directory);
    QString problem;
    const int directoryFd = openJournalDirectory(directory, false, problem);
    if (!problem.isEmpty())
        std::fprintf(stderr,
                     "tarvelok: папка журналов «%s» не используется (%s); прерванные "
                     "переименования не исправлены.\n",
                     path.constData(), platform::encodeFileName(problem).constData());
    // Only the journals marked open: a pass or an undo that ended took its marker away, so a
    // start reads the folder of journals and nothing more, however many there are.
    const auto entries = filesystem::readEntries(directoryFd).value_or(filesystem::FolderEntries());
    qsizetype reported = 0;
    for (const filesystem::FolderEntries::Entry& entry : entries.entries) {
        const QByteArray marker = entries.name(entry).toByteArray();
        if (!marker.endsWith(kOpenSuffix))
            continue;
        const QByteArray journal = marker.chopped(qsizetype(std::strlen(kOpenSuffix)));
        const int fd = openJournalFile(directoryFd, journal.constData(), O_RDWR, problem);
        bool done = fd < 0 && errno == ENOENT; // its journal was pruned
        if (!problem.isEmpty())
            std::fprintf(stderr, "tarvelok: журнал переименования «%s/%s» не принят (%s).\n",
                         path.constData(), journal.constData(),
                         platform::encodeFileName(problem).constData());
        // A pass or an undo still running holds its journal locked; the lock goes with its
        // program.
        if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            reported += repairJournal(fd, path + '/' + journal, renamer, done);
        if (done)
            ::unlinkat(directoryFd, marker.constData(), 0);
        if (fd >= 0)
            ::close(fd);
    }
    if (directoryFd >= 0)
        ::close(directoryFd);
    return reported;
}

} // namespace journal
