// Puts right the rows a rename pass left mid-step: from the steps its journal recorded before
// making them, and from what the folder holds under those names now.
#include "journal/repair.h"

#include "filesystem/file_system_kind.h"
#include "filesystem/folder_lister.h"
#include "platform/file_names.h"
#include "platform/file_renamer.h"
#include "platform/folder_survey.h"

#include <QByteArrayList>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace journal {

namespace {

using Kind = platform::RenameSteps::Kind;

/// The entry `name` of the folder open as `folder`, not followed if a link.
bool entryOf(int folder, const QByteArray& name, struct stat& status) {
    return ::fstatat(folder, name.constData(), &status, AT_SYMLINK_NOFOLLOW) == 0;
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

/// One row's steps, in the order they were made, and what their repair did.
struct RowRepair {
    std::vector<const JournalStep*> steps;
    QByteArrayList done;
    QByteArray problem;
    bool undo = false; ///< the steps are those of the pass's undo
};

class PassRepair {
public:
    PassRepair(const JournalContents& contents, int folder, bool numbersKept,
               platform::FileRenamer& renamer)
        : m_contents(contents)
        , m_folder(folder)
        , m_numbersKept(numbersKept)
        , m_renamer(renamer) {}

    /// Repairs every row with steps, the last first; how many rows it reported.
    qsizetype run() {
        std::map<quint64, RowRepair> rows;
        for (const JournalStep& step : m_contents.steps)
            rows[step.row].steps.push_back(&step);
        qsizetype reported = 0;
        for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
            repairRow(row->first, row->second);
            if (report(row->first, row->second))
                ++reported;
        }
        m_renamer.releaseFolder();
        return reported;
    }

private:
    void repairRow(quint64 row, RowRepair& repair) {
        // Where the row's file goes back to: its old name, or for an undo's row the name the
        // undo moved it back from. Where each step's move starts: there, or for the move on from
        // an aside name, that name.
        std::vector<QByteArray> homes;
        std::vector<QByteArray> sources;
        QByteArray home = m_contents.oldName(row);
        QByteArray aside;
        for (const JournalStep* step : repair.steps) {
            if (step->kind == kSourceStep) {
                home = step->name;
                aside.clear();
                repair.undo = true;
            } else if (Kind(step->kind) == Kind::Aside) {
                aside = step->name;
            }
            homes.push_back(home);
            sources.push_back(!aside.isEmpty() && step->name != aside ? aside : home);
        }
        // The inode each claim got once made.
        std::map<QByteArray, quint64> claims;
        for (const JournalStep* step : repair.steps)
            if (Kind(step->kind) == Kind::Claim && step->inode != 0)
                claims[step->name] = step->inode;
        // From the last step back: a claim or a second link made on the way to the new name goes
        // before the file leaves the aside name.
        for (size_t at = repair.steps.size(); at-- > 0;) {
            const JournalStep& step = *repair.steps[at];
            const QByteArray& source = sources[at];
            struct stat named;
            if (step.kind == kSourceStep || step.name == homes[at] ||
                !entryOf(m_folder, step.name, named))
                continue;
            struct stat original;
            const bool sourceHere = entryOf(m_folder, source, original);
            switch (Kind(step.kind)) {
            case Kind::Aside:
                if (S_ISREG(named.st_mode) || S_ISLNK(named.st_mode))
                    moveBack(step.name, homes[at], repair);
                break;
            case Kind::Link:
                // Only while the move's source still holds the very same file: then the pass
                // made this second name and had not yet removed the first.
                if (sourceHere && sameFile(original, named) && !S_ISDIR(named.st_mode) &&
                    named.st_nlink >= 2)
                    remove(step.name, "удалено второе имя «%1»", repair);
                break;
            case Kind::Claim: {
                // Once made, the claim's inode is recorded: only an empty file with that inode,
                // while the file it was to make way for is still at the move's source.
                if (step.inode != 0 || !S_ISREG(named.st_mode) || named.st_size != 0 ||
                    !sourceHere || sameFile(original, named))
                    break;
                // A claim whose inode was never recorded was being made when the program was
                // killed: the name was free just before, so the empty file there is the claim.
                // So is one made last where inode numbers are not kept: nothing happened after.
                const auto claim = claims.find(step.name);
                const JournalStep& last = m_contents.steps.back();
                const bool madeLast = &step == &last || (Kind(last.kind) == Kind::Claim &&
                                                         last.row == row && last.name == step.name);
                if (claim != claims.end() && m_numbersKept ? named.st_ino == claim->second
                                                           : madeLast)
                    remove(step.name, "удалён пустой файл «%1»", repair);
                break;
            }
            }
        }
    }

    void moveBack(const QByteArray& aside, const QByteArray& home, RowRepair& repair) {
        const QString folder = platform::decodeFileName(m_contents.folderPath);
        const int error = m_renamer.rename(folder, platform::decodeFileName(aside),
                                           platform::decodeFileName(home));
        if (error == 0)
            repair.done.append("файл возвращён из «" + aside + "»");
        else
            repair.problem =
                "файл остался под именем «" + aside + "»: " + QByteArray(std::strerror(error));
    }

    void remove(const QByteArray& name, const char* what, RowRepair& repair) {
        const QByteArray text = QByteArray(what).replace("%1", name);
        if (::unlinkat(m_folder, name.constData(), 0) == 0)
            repair.done.append(text);
        else
            repair.problem = "не удалось удалить «" + name + "»: " + std::strerror(errno);
    }

    bool report(quint64 row, const RowRepair& repair) const {
        if (repair.done.isEmpty() && repair.problem.isEmpty())
            return false;
        const QByteArray from = repair.undo ? m_contents.newName(row) : m_contents.oldName(row);
        const QByteArray to = repair.undo ? m_contents.oldName(row) : m_contents.newName(row);
        const QByteArray path =
            m_contents.folderPath == "/" ? "/" + from : m_contents.folderPath + '/' + from;
        const bool fixed = repair.problem.isEmpty();
        QByteArray line = repair.undo ? "tarvelok: прерванная отмена переименования «"
                                      : "tarvelok: прерванное переименование «";
        line += path + "» → «" + to + "» ";
        line += repair.undo ? (fixed ? "исправлена" : "не исправлена")
                            : (fixed ? "исправлено" : "не исправлено");
        QByteArrayList parts = repair.done;
        if (!repair.problem.isEmpty())
            parts.append(repair.problem);
        line += ": " + parts.join("; ") + '\n';
        std::fputs(line.constData(), stderr);
        return true;
    }

    const JournalContents& m_contents;
    int m_folder;
    bool m_numbersKept; ///< a recorded inode number still tells the file
    platform::FileRenamer& m_renamer;
};

/// Why the repair must not act on `contents`, read in full: "" when every name it
/// would touch is a plain name the pass itself can have made for that row. A row's own old and
/// new names, the aside names its steps recorded before, and where an undo moved it back from;
/// nothing else, so a damaged or planted journal cannot point the repair at another file.
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
        switch (step.kind) {
        case quint8(Kind::Aside):
            if (!aside)
                return "имя «" + step.name + "» не похоже на промежуточное";
            names.insert(step.name);
            break;
        case kSourceStep:
            if (!aside && step.name != contents.newName(step.row))
                return "отмена начата с чужого имени «" + step.name + "»";
            names.insert(step.name);
            break;
        case quint8(Kind::Claim):
        case quint8(Kind::Link):
            if (!names.count(step.name))
                return "имя «" + step.name + "» не из плана";
            break;
        default:
            return "неизвестный шаг";
        }
    }
    return {};
}

/// Repairs the pass of the journal open as `fd`, whose program is gone, if it was cut off
/// mid-step; how many rows it reported. False in `done` when it is to be tried again at the next
/// start: its folder cannot be reached now.
qsizetype repairJournal(int fd, const QByteArray& path, platform::FileRenamer& renamer,
                        bool& done) {
    done = true;
    const JournalContents summary = readJournal(fd, false);
    if (summary.error != 0 || !summary.stepsPending)
        return 0;
    JournalContents contents = readJournal(fd, true);
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
    const int folder = ::open(contents.folderPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat status;
    const bool renumbers = folder >= 0 && filesystem::fileSystemKind(folder).renumbersFiles;
    const bool same = folder >= 0 && ::fstat(folder, &status) == 0 &&
                      (renumbers || (quint64(status.st_dev) == contents.folderDevice &&
                                     quint64(status.st_ino) == contents.folderInode));
    qsizetype reported = 0;
    done = same;
    if (same) {
        reported = PassRepair(contents, folder, !renumbers, renamer).run();
        RecordWriter settled;
        settled.closed(false);
        if (appendRecords(fd, contents, settled.records(), true) != 0)
            std::fprintf(stderr,
                         "tarvelok: журнал переименования не дописан (%s); исправление будет "
                         "повторено при следующем запуске.\n",
                         std::strerror(errno));
    }
    if (folder >= 0)
        ::close(folder);
    return reported;
}

} // namespace

qsizetype repairInterruptedPasses(platform::FileRenamer& renamer, const QString& directory) {
    QString problem;
    const int directoryFd = openJournalDirectory(directory, false, problem);
    if (directoryFd < 0) {
        if (!problem.isEmpty())
            std::fprintf(stderr,
                         "tarvelok: папка журналов «%s» не используется (%s); прерванные "
                         "переименования не исправлены.\n",
                         platform::encodeFileName(directory).constData(),
                         platform::encodeFileName(problem).constData());
        return 0;
    }
    // Only the journals marked open: a pass or an undo that ended took its marker away, so a
    // start reads the folder of journals and nothing more, however many there are.
    QByteArrayList markers;
    if (const auto entries = filesystem::readEntries(directoryFd))
        for (const filesystem::FolderEntries::Entry& entry : entries->entries)
            if (entries->name(entry).endsWith(kOpenSuffix))
                markers.append(entries->name(entry).toByteArray());
    const QByteArray path = platform::encodeFileName(directory);
    qsizetype reported = 0;
    for (const QByteArray& marker : markers) {
        const QByteArray journal = marker.chopped(qsizetype(std::strlen(kOpenSuffix)));
        const int fd = openJournalFile(directoryFd, journal.constData(), O_RDWR, problem);
        if (fd < 0 && errno == ENOENT) {
            ::unlinkat(directoryFd, marker.constData(), 0); // its journal was pruned
            continue;
        }
        if (fd < 0) {
            if (!problem.isEmpty())
                std::fprintf(stderr, "tarvelok: журнал переименования «%s/%s» не принят (%s).\n",
                             path.constData(), journal.constData(),
                             platform::encodeFileName(problem).constData());
            continue;
        }
        // A pass or an undo still running holds its journal locked; the lock goes with its
        // program.
        bool done = false;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            reported += repairJournal(fd, path + '/' + journal, renamer, done);
            if (done)
                ::unlinkat(directoryFd, marker.constData(), 0);
        }
        ::close(fd);
    }
    ::close(directoryFd);
    return reported;
}

} // namespace journal
