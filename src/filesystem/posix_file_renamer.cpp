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
    m_fatNames = folderHasFatNames(fd);
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
    if (::unlinkat(m_folderFd, to.constData(), 0) != 0)
        std::fprintf(stderr, "tarvelok: файл «%s» остался и под именем «%s»: %s\n",
                     pathOf(from).constData(), to.constData(), std::strerror(errno));
    return error;
}

int PosixFileRenamer::claimThenRename(const QByteArray& from, const QByteArray& to) const {
    // An exclusive create takes the target name atomically, so nobody else can create a file
    // there before the plain rename below replaces what is only the claim.
    // The claim stays open: a program that opens the name without O_EXCL meanwhile writes into
    // the claim, and what it wrote can still be read from here after the rename replaced it.
    // Told only while the name is free: a claim the program was killed in the middle of making
    // (a FUSE driver finishes the create all the same) then cannot be another program's file
    // that was there before.
    struct stat existing;
    if (::fstatat(m_folderFd, to.constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0)
        return EEXIST;
    tellStep(platform::RenameSteps::Kind::Claim, to);
    const int claim = ::openat(m_folderFd, to.constData(),
                               O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (claim < 0)
        return errno;
    if (m_steps) {
        struct stat made;
        if (::fstat(claim, &made) == 0)
            tellStep(platform::RenameSteps::Kind::Claim, to, made.st_ino);
    }
    announceRename(from, to);
    int error = 0;
    if (::renameat(m_folderFd, from.constData(), m_folderFd, to.constData()) == 0) {
        keepWriteIntoClaim(claim, to);
    } else {
        error = errno;
        removeClaim(claim, to);
    }
    ::close(claim);
    return error;
}

void PosixFileRenamer::removeClaim(int claim, const QByteArray& to) const {
    // Only the empty claim itself goes: what another program wrote into it, or put in its place,
    // is that program's file now.
    struct stat own;
    struct stat named;
    if (::fstat(claim, &own) != 0 ||
        ::fstatat(m_folderFd, to.constData(), &named, AT_SYMLINK_NOFOLLOW) != 0 ||
        own.st_dev != named.st_dev || own.st_ino != named.st_ino || own.st_size != 0)
        return;
    if (::unlinkat(m_folderFd, to.constData(), 0) != 0)
        std::fprintf(stderr, "tarvelok: пустой файл «%s» остался на месте: %s\n",
                     pathOf(to).constData(), std::strerror(errno));
}

void PosixFileRenamer::keepWriteIntoClaim(int claim, const QByteArray& to) const {
    struct stat own;
    if (::fstat(claim, &own) != 0 || own.st_size == 0)
        return;
    // Saved beside the file under a name that replaces nothing, so no one's data is lost.
    for (int attempt = 1; attempt <= 100; ++attempt) {
        const QByteArray saved =
            to + ".saved" + (attempt > 1 ? "-" + QByteArray::number(attempt) : QByteArray());
        const int copy = ::openat(m_folderFd, saved.constData(),
                                  O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (copy < 0 && errno == EEXIST)
            continue;
        bool copied = copy >= 0;
        char buffer[65536];
        off_t offset = 0;
        for (ssize_t got = 0; copied && (got = ::pread(claim, buffer, sizeof buffer, offset)) != 0;
             offset += got)
            copied = got > 0 && ::write(copy, buffer, size_t(got)) == got;
        const int why = errno;
        if (copy >= 0 && ::close(copy) != 0)
            copied = false;
        if (copied)
            std::fprintf(stderr,
                         "tarvelok: другая программа записала в «%s», пока файл переименовывался; "
                         "её данные сохранены в «%s»\n",
                         pathOf(to).constData(), saved.constData());
        else
            std::fprintf(stderr,
                         "tarvelok: другая программа записала в «%s», пока файл переименовывался; "
                         "её данные сохранить не удалось: %s\n",
                         pathOf(to).constData(), std::strerror(why));
        return;
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
