// The folder survey on Linux.
#include "filesystem/folder_surveyor.h"

#include "filesystem/file_system_kind.h"
#include "filesystem/folder_lister.h"
#include "platform/file_names.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <linux/capability.h>
#include <optional>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace filesystem {

namespace {

platform::EntryType entryType(int folderFd, const EntryReader::Entry& entry) {
    using platform::EntryType;
    unsigned char type = entry.type;
    if (type == DT_UNKNOWN) {
        struct stat status;
        if (::fstatat(folderFd, entry.name.toByteArray().constData(), &status,
                      AT_SYMLINK_NOFOLLOW) != 0)
            return EntryType::Other;
        type = S_ISREG(status.st_mode)   ? DT_REG
               : S_ISLNK(status.st_mode) ? DT_LNK
               : S_ISDIR(status.st_mode) ? DT_DIR
                                         : DT_UNKNOWN;
    }
    switch (type) {
    case DT_REG:
        return EntryType::File;
    case DT_LNK:
        return EntryType::Link;
    case DT_DIR:
        return EntryType::Folder;
    default:
        return EntryType::Other;
    }
}

/// Reads every entry of the folder open as `folderFd`; false when the read fails part-way.
bool readEntries(int folderFd, platform::EntryTable& entries) {
    const int listFd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listFd < 0)
        return false;
    EntryReader reader(listFd);
    while (const std::optional<EntryReader::Entry> entry = reader.next()) {
        if (entry->name != "." && entry->name != "..")
            entries.insert(entry->name, entryType(folderFd, *entry));
    }
    ::close(listFd);
    return !reader.failed();
}

/// `name` with its ASCII letters in the other case; empty when it has none. Every file system
/// that ignores case folds these, so finding the result proves folding, where a letter beyond
/// ASCII may be one that the driver keeps apart (ı, µ, the Kelvin sign).
QByteArray asciiCaseTurned(QByteArray name) {
    bool turned = false;
    for (char& byte : name) {
        if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z')) {
            byte ^= 0x20;
            turned = true;
        }
    }
    return turned ? name : QByteArray();
}

/// Whether some entry, asked for in another letter case that no entry carries, is found: then
/// the file system folds case here. nullopt when no entry has ASCII letters to ask with.
std::optional<bool> foundInOtherCase(int folderFd, const platform::EntryTable& entries) {
    std::optional<bool> found;
    entries.forEach([&](QByteArrayView name, platform::EntryType) {
        if (found)
            return;
        const QByteArray other = asciiCaseTurned(name.toByteArray());
        if (other.isEmpty() || entries.contains(other))
            return;
        struct stat status;
        found = ::fstatat(folderFd, other.constData(), &status, AT_SYMLINK_NOFOLLOW) == 0;
    });
    return found;
}

constexpr quint64 kUnchangeable = STATX_ATTR_IMMUTABLE | STATX_ATTR_APPEND;

/// Whether the sticky bit keeps nothing from this process: it may act as any file's owner.
bool actsAsAnyOwner() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (::syscall(SYS_capget, &header, data) != 0)
        return ::geteuid() == 0;
    return (data[CAP_FOWNER / 32].effective & (1u << (CAP_FOWNER % 32))) != 0;
}

/// The renamed files the user may not move though the folder is writable. A call per file, so
/// only where something could stop them: flags where the file system keeps them (FUSE reports
/// none), owners where the folder is sticky and neither the user's nor open to the user anyway.
void readGuards(int folderFd, const struct statx& folder, const QStringList& renamed,
                QHash<QString, platform::FileGuard>& guarded) {
    using platform::FileGuard;
    const uid_t user = ::geteuid();
    const bool flagsKept = (folder.stx_attributes_mask & kUnchangeable) != 0;
    const bool sticky = (folder.stx_mode & S_ISVTX) && folder.stx_uid != user && !actsAsAnyOwner();
    if (!flagsKept && !sticky)
        return;
    for (const QString& name : renamed) {
        const QByteArray bytes = platform::encodeFileName(name);
        struct statx file;
        if (!platform::isPlainName(bytes) ||
            ::statx(folderFd, bytes.constData(), AT_SYMLINK_NOFOLLOW | AT_STATX_DONT_SYNC,
                    STATX_UID, &file) != 0)
            continue;
        if (sticky && file.stx_uid != user)
            guarded.insert(name, FileGuard::OthersInStickyFolder);
        else if (flagsKept && (file.stx_attributes & kUnchangeable))
            guarded.insert(name, FileGuard::Unchangeable);
    }
}

} // namespace

platform::FolderSurvey PosixFolderSurveyor::survey(const QString& folder,
                                                   const QStringList& renamed) const {
    platform::FolderSurvey survey;
    const QByteArray path = platform::encodeFileName(folder);
    if (path.isEmpty() || path.contains('\0'))
        return survey;
    const int fd = ::open(path.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return survey;
    struct statfs fileSystem;
    struct statvfs mount;
    if (::fstatfs(fd, &fileSystem) != 0 || ::fstatvfs(fd, &mount) != 0 ||
        !readEntries(fd, survey.entries)) {
        ::close(fd);
        survey.entries.clear();
        return survey;
    }
    survey.readable = true;
    struct statx self;
    const bool statted = ::statx(fd, "", AT_EMPTY_PATH | AT_STATX_DONT_SYNC,
                                 STATX_TYPE | STATX_MODE | STATX_UID, &self) == 0;
    survey.unchangeable =
        statted && (self.stx_attributes & self.stx_attributes_mask & kUnchangeable) != 0;
    // Access answers EROFS on a read-only mount already; the mount flag says so for root too.
    // It answers EPERM for an immutable folder, which the kernel tells before any permission.
    const int access = ::faccessat(fd, ".", W_OK | X_OK, AT_EACCESS) == 0 ? 0 : errno;
    survey.writable =
        !(mount.f_flag & ST_RDONLY) && (access == 0 || (access == EPERM && survey.unchangeable));
    if (statted)
        readGuards(fd, self, renamed, survey.guardedFiles);
    const FileSystemKind kind = fileSystemKind(fd);
    // The drivers of UTF-16 file systems report their limit in bytes of very different
    // reckonings (255, 1530); the format's own 255 units is what decides.
    survey.nameMax = kind.countsUtf16Units ? 255 : fileSystem.f_namelen;
    survey.nameMaxInUtf16Units = kind.countsUtf16Units;
    survey.fatNames = kind.fatNames;
    survey.asciiNamesOnly = kind.asciiNamesOnly;
    survey.foldsAsciiOnly = kind.foldsAsciiOnly;
    const std::optional<bool> folds = foundInOtherCase(fd, survey.entries);
    survey.ignoresCase = folds ? *folds : kind.foldsCase;
    ::close(fd);
    return survey;
}

} // namespace filesystem
