// The file-rename service on Linux: renameat2 relative to one folder descriptor, with fallbacks
// that still cannot replace a file where the file system lacks RENAME_NOREPLACE.
#include "filesystem/posix_file_renamer.h"

#include <QFile>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace filesystem {

namespace {

/// A name that stays inside its folder and names an entry of it.
bool isPlainName(const QByteArray& name) {
    return !name.isEmpty() && name != "." && name != ".." && !name.contains('/') &&
           !name.contains('\0');
}

/// link(2) answers these where the file system (FAT, some FUSE drivers) or a protection setting
/// does not allow a second name; the rename then has to do without one.
bool linkUnavailable(int error) {
    return error == EPERM || error == EOPNOTSUPP || error == ENOSYS || error == EMLINK;
}

} // namespace

PosixFileRenamer::PosixFileRenamer(Strategy strategy)
    : m_strategy(strategy) {}

PosixFileRenamer::~PosixFileRenamer() {
    releaseFolder();
}

bool PosixFileRenamer::rename(const QString& folder, const QByteArray& oldName,
                              const QString& newName) {
    // UTF-8 keeps "/", "." and NUL as they are, so checking the bytes checks the text as well.
    const QByteArray target = QFile::encodeName(newName);
    if (!isPlainName(oldName) || !isPlainName(target))
        return fail(EINVAL);
    if (const int error = openFolder(folder))
        return fail(error);

    // A name that is not valid UTF-8 is shown, and so previewed, with replacement marks; a new
    // name equal to that shown form keeps the file's real name instead of writing the marks.
    if (oldName == target || QFile::decodeName(oldName) == newName) {
        // The file keeps its name: nothing to do, unless it has gone.
        struct stat status;
        if (::fstatat(m_folderFd, oldName.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0)
            return fail(errno);
        m_lastError = 0;
        return true;
    }

    int error = moveNoReplace(oldName, target);
    if (error == EEXIST) {
        struct stat source;
        struct stat existing;
        if (::fstatat(m_folderFd, oldName.constData(), &source, AT_SYMLINK_NOFOLLOW) == 0 &&
            ::fstatat(m_folderFd, target.constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0 &&
            source.st_dev == existing.st_dev && source.st_ino == existing.st_ino)
            error = renameOwnFile(oldName, target);
    }
    if (error != 0)
        return fail(error);
    m_lastError = 0;
    return true;
}

void PosixFileRenamer::releaseFolder() {
    if (m_folderFd >= 0)
        ::close(m_folderFd);
    m_folderFd = -1;
    m_folder.clear();
}

int PosixFileRenamer::openFolder(const QString& folder) {
    if (m_folderFd >= 0 && folder == m_folder)
        return 0;
    releaseFolder();
    const QByteArray path = QFile::encodeName(folder);
    if (path.isEmpty() || path.contains('\0'))
        return ENOENT;
    const int fd = ::open(path.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    m_folderFd = fd;
    m_folder = folder;
    return 0;
}

int PosixFileRenamer::moveNoReplace(const QByteArray& from, const QByteArray& to) const {
    if (m_strategy == Strategy::Automatic) {
        if (::renameat2(m_folderFd, from.constData(), m_folderFd, to.constData(),
                        RENAME_NOREPLACE) == 0)
            return 0;
        // EINVAL: the file system does not know the flag (some FUSE drivers, as used for NTFS and
        // FAT drives); ENOSYS: the kernel does not. Any other answer, EEXIST included, is final:
        // such a file system may well look at the target before it looks at the flag.
        if (errno != EINVAL && errno != ENOSYS)
            return errno;
    }
    if (m_strategy != Strategy::CheckThenRename) {
        bool unavailable = false;
        const int error = linkThenUnlink(from, to, unavailable);
        if (!unavailable)
            return error;
    }
    return checkThenRename(from, to);
}

int PosixFileRenamer::linkThenUnlink(const QByteArray& from, const QByteArray& to,
                                     bool& unavailable) const {
    if (::linkat(m_folderFd, from.constData(), m_folderFd, to.constData(), 0) != 0) {
        const int error = errno;
        unavailable = linkUnavailable(error);
        return error;
    }
    if (::unlinkat(m_folderFd, from.constData(), 0) == 0)
        return 0;
    const int error = errno;
    // The file carries both names now; drop the new one, so that a failed rename changes nothing.
    ::unlinkat(m_folderFd, to.constData(), 0);
    return error;
}

int PosixFileRenamer::checkThenRename(const QByteArray& from, const QByteArray& to) const {
    struct stat status;
    if (::fstatat(m_folderFd, to.constData(), &status, AT_SYMLINK_NOFOLLOW) == 0)
        return EEXIST;
    if (errno != ENOENT)
        return errno;
    return ::renameat(m_folderFd, from.constData(), m_folderFd, to.constData()) == 0 ? 0 : errno;
}

int PosixFileRenamer::renameOwnFile(const QByteArray& from, const QByteArray& to) const {
    // The target name finds the source itself: either the file system ignores letter case, so
    // this is the file's own rename, or the target is a second hard link of the same file, which
    // must stay. A plain rename would do nothing in both cases. Moving the file aside first tells
    // them apart: afterwards the target name is free only if it was the file's own name.
    for (int attempt = 0; attempt < 16; ++attempt) {
        // Not a hidden name: should the program stop in between, the user still sees the file.
        const QByteArray aside =
            "tarvelok-" + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
        const int asideError = moveNoReplace(from, aside);
        if (asideError == EEXIST)
            continue;
        if (asideError != 0)
            return asideError;
        const int error = moveNoReplace(aside, to);
        if (error != 0) {
            // Should even the way back fail, the file is still in the folder, under the aside name.
            (void)moveNoReplace(aside, from);
        }
        return error;
    }
    return EEXIST;
}

bool PosixFileRenamer::fail(int error) {
    m_lastError = error;
    return false;
}

} // namespace filesystem
