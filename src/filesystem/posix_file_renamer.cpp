// The file-rename service on Linux: renameat2 relative to one folder descriptor, with fallbacks
// that still cannot replace a file where the file system lacks RENAME_NOREPLACE.
#include "filesystem/posix_file_renamer.h"

#include "filesystem/file_system_kind.h"
#include "platform/file_names.h"
#include "platform/folder_survey.h"
#include "platform/text.h"

#include <QRandomGenerator>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace filesystem {

namespace {

/// link(2) answers these where the file system (FAT, some FUSE drivers) or a protection setting
/// does not allow a second name; the rename then has to do without one.
bool linkUnavailable(int error) {
    return error == EPERM || error == EOPNOTSUPP || error == ENOSYS || error == EMLINK;
}

} // namespace

bool hasFatNames(const QByteArray& fileSystemType) {
    return fileSystemKindOfType(fileSystemType).fatNames;
}

bool folderHasFatNames(int fd) {
    return fileSystemKind(fd).fatNames;
}

PosixFileRenamer::PosixFileRenamer(Strategy strategy)
    : m_strategy(strategy) {}

PosixFileRenamer::~PosixFileRenamer() {
    releaseFolder();
}

int PosixFileRenamer::rename(const QString& folder, const QString& oldName,
                             const QString& newName) {
    const int error = renameInFolder(folder, oldName, newName);
    m_folderLost = error != 0 ? lostFolderError(error) : 0;
    return error;
}

int PosixFileRenamer::lostFolderError(int error) const {
    if (m_openError != 0) {
        switch (m_openError) {
        case ENOENT:
        case ENOTDIR:
        case ENOTCONN:
        case ENODEV:
        case EIO:
        case ESTALE:
            return m_openError;
        default:
            return 0;
        }
    }
    if (m_folderFd < 0)
        return 0;
    // These say the drive's driver has gone, whatever the file.
    if (error == ENOTCONN || error == ENODEV)
        return error;
    // A folder removed from under the pass still stats, but with no name left.
    struct stat status;
    if (::fstat(m_folderFd, &status) != 0)
        return errno;
    return status.st_nlink == 0 ? ENOENT : 0;
}

int PosixFileRenamer::renameInFolder(const QString& folder, const QString& oldName,
                                     const QString& newName) {
    // Escapes stand only for bytes from 0x80 up, so "/", "." and NUL in the bytes are those of
    // the text: checking the bytes checks the text as well.
    const QByteArray source = platform::encodeFileName(oldName);
    const QByteArray target = platform::encodeFileName(newName);
    if (!platform::isPlainName(source) || !platform::isPlainName(target))
        return EINVAL;
    if (const int error = openFolder(folder))
        return error;

    // What the preview listed may have been replaced since: only files and links are renamed.
    struct stat status;
    if (::fstatat(m_folderFd, source.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    if (!S_ISREG(status.st_mode) && !S_ISLNK(status.st_mode))
        return S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
    if (source == target)
        return 0;
    // A FUSE driver of FAT may answer such a name by deleting the source: it never gets one.
    if (m_fatNames && !platform::isFatName(target))
        return EINVAL;
    if (m_asciiNames && !platform::isAsciiName(target))
        return EINVAL;

    int error = 0;
    if (platform::equalsIgnoringCase(oldName, newName)) {
        // Where the file system ignores letter case the target name finds the source itself,
        // though not always under the same inode number (FUSE FAT drivers number each spelling
        // apart), and where it does not a twin may carry the target: either way the file goes
        // the own-file way, which tells the two apart.
        error = renameOwnFile(source, target);
    } else {
        error = moveNoReplace(source, target);
        if (error == EEXIST) {
            // The file system may fold letter case otherwise than upperCase, or the target is a
            // second hard link of the file: the own-file way keeps a second link.
            struct stat existing;
            if (::fstatat(m_folderFd, target.constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0 &&
                status.st_dev == existing.st_dev && status.st_ino == existing.st_ino)
                error = renameOwnFile(source, target);
        }
    }
    return error;
}

void PosixFileRenamer::releaseFolder() {
    if (m_folderFd >= 0)
        ::close(m_folderFd);
    m_folderFd = -1;
    m_openError = 0;
    m_folder.clear();
    m_fatNames = false;
    m_asciiNames = false;
    m_numbersKept = true;
}

int PosixFileRenamer::openFolder(const QString& folder) {
    if (m_folderFd >= 0 && folder == m_folder)
        return 0;
    releaseFolder();
    const QByteArray path = platform::encodeFileName(folder);
    if (path.isEmpty() || path.contains('\0'))
        return m_openError = ENOENT;
    const int fd = ::open(path.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return m_openError = errno;
    m_folderFd = fd;
    m_folder = folder;
    const FileSystemKind kind = fileSystemKind(fd);
    m_fatNames = kind.fatNames;
    m_asciiNames = kind.asciiNamesOnly;
    m_numbersKept = !kind.renumbersFiles;
    return 0;
}

void PosixFileRenamer::announceRename(const QByteArray& from, const QByteArray& to) const {
    if (m_beforeRename)
        m_beforeRename(from, to);
}

void PosixFileRenamer::tellStep(platform::RenameSteps::Kind kind, const QByteArray& name,
                                quint64 inode) const {
    if (m_steps)
        m_steps->step(kind, name, inode);
}

int PosixFileRenamer::moveNoReplace(const QByteArray& from, const QByteArray& to) const {
    if (m_strategy == Strategy::Automatic) {
        announceRename(from, to);
        if (::renameat2(m_folderFd, from.constData(), m_folderFd, to.constData(),
                        RENAME_NOREPLACE) == 0)
            return 0;
        // EINVAL: the file system does not know the flag (some FUSE drivers, as used for NTFS and
        // FAT drives); ENOSYS: the kernel does not. Any other answer, EEXIST included, is final:
        // such a file system may well look at the target before it looks at the flag.
        if (errno != EINVAL && errno != ENOSYS)
            return errno;
    }
    if (m_strategy != Strategy::ClaimThenRename) {
        bool unavailable = false;
        const int error = linkThenUnlink(from, to, unavailable);
        if (!unavailable)
            return error;
    }
    return claimThenRename(from, to);
}

int PosixFileRenamer::linkThenUnlink(const QByteArray& from, const QByteArray& to,
                                     bool& unavailable) const {
    tellStep(platform::RenameSteps::Kind::Link, to);
    if (::linkat(m_folderFd, from.constData(), m_folderFd, to.constData(), 0) != 0) {
        const int error = errno;
        unavailable = linkUnavailable(error);
        return error;
    }
    announceRename(from, to);
    if (::unlinkat(m_folderFd, from.constData(), 0) == 0)
        return 0;
    const int error = errno;
    // Another program may have taken the old name away meanwhile: the file then lives on under
    // the new name alone, and dropping that would lose it.
    struct stat source;
    struct stat target;
    if (::fstatat(m_folderFd, from.constData(), &source, AT_SYMLINK_NOFOLLOW) != 0 ||
        ::fstatat(m_folderFd, to.constData(), &target, AT_SYMLINK_NOFOLLOW) != 0 ||
        source.st_dev != target.st_dev || source.st_ino != target.st_ino)
        return 0;
    // The file carries both names now; drop the new one, so that a failed rename changes nothing.
    if (::unlinkat(m_folderFd, to.constData(), 0) != 0) {
        std::fprintf(stderr, "tarvelok: файл «%s» остался и под именем «%s»: %s\n",
                     pathOf(from).constData(), to.constData(), std::strerror(errno));
        if (m_steps)
            m_steps->leftBehind(to);
    }
    return error;
}

int PosixFileRenamer::claimThenRename(const QByteArray& from, const QByteArray& to) const {
    // Another program may remove the empty claim meanwhile; the name is then claimed afresh,
    // since a plain rename onto a free name could still replace a file made in between.
    int error = 0;
    bool claimGone = true;
    for (int attempt = 0; attempt < 3 && claimGone; ++attempt)
        error = claimOnceThenRename(from, to, claimGone);
    return error;
}

int PosixFileRenamer::claimOnceThenRename(const QByteArray& from, const QByteArray& to,
                                          bool& claimGone) const {
    claimGone = false;
    // An exclusive create takes the target name atomically, so nobody else can create a file
    // there before the plain rename below replaces what is only the claim.
    // Told only while the name is free: a claim the program was killed in the middle of making
    // (a FUSE driver finishes the create all the same) then cannot be another program's file
    // that was there before.
    struct stat existing;
    if (::fstatat(m_folderFd, to.constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0)
        return EEXIST;
    tellStep(platform::RenameSteps::Kind::Claim, to);
    const int fd = ::openat(m_folderFd, to.constData(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return errno;
    struct stat claim;
    if (::fstat(fd, &claim) != 0) {
        // Without its number the claim cannot be told from a file put there since: it stays.
        const int error = errno;
        ::close(fd);
        std::fprintf(stderr, "tarvelok: пустой файл «%s» остался на месте: %s\n",
                     pathOf(to).constData(), std::strerror(error));
        return error;
    }
    tellStep(platform::RenameSteps::Kind::Claim, to, claim.st_ino);
    // Closed before anything is renamed over it, on every file system: FUSE drivers mishandle a
    // rename over an open file (fusefat hides the open one, and its folder then loses files or
    // hands one file's bytes to another). A write of another program into the claim is found
    // below by the claim's size and number instead of being read back from here.
    if (::close(fd) != 0) {
        const int error = errno;
        removeClaim(claim, to);
        return error;
    }
    announceRename(from, to);
    struct stat source;
    if (::fstatat(m_folderFd, from.constData(), &source, AT_SYMLINK_NOFOLLOW) != 0) {
        const int error = errno;
        removeClaim(claim, to);
        return error;
    }
    struct stat named;
    if (::fstatat(m_folderFd, to.constData(), &named, AT_SYMLINK_NOFOLLOW) != 0) {
        claimGone = errno == ENOENT;
        return errno;
    }
    if (!isEmptyClaim(claim, named)) {
        // What the name holds now is another program's: its write into the claim, or a file it
        // put in the claim's place. Replacing it would lose that, so this rename fails instead.
        std::fprintf(stderr,
                     "tarvelok: другая программа записала в «%s», пока файл переименовывался; "
                     "файл «%s» остался под прежним именем\n",
                     pathOf(to).constData(), from.constData());
        return EEXIST;
    }
    if (::renameat(m_folderFd, from.constData(), m_folderFd, to.constData()) != 0) {
        const int error = errno;
        removeClaim(claim, to);
        return error;
    }
    // Where the file system numbers each name's file afresh, what a rename keeps is the file's
    // type and size.
    struct stat renamed;
    const bool sameFile =
        ::fstatat(m_folderFd, to.constData(), &renamed, AT_SYMLINK_NOFOLLOW) == 0 &&
        renamed.st_dev == source.st_dev &&
        (m_numbersKept ? renamed.st_ino == source.st_ino
                       : (renamed.st_mode & S_IFMT) == (source.st_mode & S_IFMT) &&
                             renamed.st_size == source.st_size);
    // The rename itself was made: reported as a failure, the row would be left out of its undo.
    if (!sameFile)
        std::fprintf(stderr, "tarvelok: после переименования «%s» под именем «%s» не тот файл\n",
                     from.constData(), pathOf(to).constData());
    return 0;
}

bool PosixFileRenamer::isEmptyClaim(const struct stat& claim, const struct stat& named) {
    return S_ISREG(named.st_mode) && named.st_size == 0 && named.st_dev == claim.st_dev &&
           named.st_ino == claim.st_ino;
}

void PosixFileRenamer::removeClaim(const struct stat& claim, const QByteArray& to) const {
    // Only the empty claim itself goes: what another program wrote into it, or put in its place,
    // is that program's file now.
    struct stat named;
    if (::fstatat(m_folderFd, to.constData(), &named, AT_SYMLINK_NOFOLLOW) != 0 ||
        !isEmptyClaim(claim, named))
        return;
    if (::unlinkat(m_folderFd, to.constData(), 0) != 0) {
        std::fprintf(stderr, "tarvelok: пустой файл «%s» остался на месте: %s\n",
                     pathOf(to).constData(), std::strerror(errno));
        if (m_steps)
            m_steps->leftBehind(to);
    }
}

QByteArray PosixFileRenamer::pathOf(const QByteArray& name) const {
    return platform::encodeFileName(m_folder) + '/' + name;
}

int PosixFileRenamer::renameOwnFile(const QByteArray& from, const QByteArray& to) const {
    // A plain rename may do nothing here: where the file system ignores letter case the target
    // is the source itself. Moving the file aside first tells that apart from a second file (or
    // hard link) under the target name: afterwards the target name is free only if it was the
    // file's own.
    for (int attempt = 0; attempt < 16; ++attempt) {
        // Not a hidden name: should the program stop in between, the user still sees the file.
        const QByteArray aside =
            "tarvelok-" + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
        tellStep(platform::RenameSteps::Kind::Aside, aside);
        const int asideError = moveNoReplace(from, aside);
        if (asideError == EEXIST)
            continue;
        if (asideError != 0)
            return asideError;
        const int error = moveNoReplace(aside, to);
        if (error != 0) {
            if (const int backError = moveNoReplace(aside, from)) {
                // The file is still in the folder, under the aside name: say where, since the
                // message box names only the new name.
                std::fprintf(stderr, "tarvelok: файл «%s» остался под именем «%s»: %s\n",
                             from.constData(), pathOf(aside).constData(), std::strerror(backError));
            }
        }
        return error;
    }
    return EEXIST;
}

} // namespace filesystem
