// The folder survey on Linux.
#include "filesystem/folder_surveyor.h"

#include "filesystem/file_system_kind.h"
#include "platform/file_names.h"
#include "platform/text.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace filesystem {

namespace {

platform::EntryType entryType(int folderFd, const dirent& entry) {
    using platform::EntryType;
    unsigned char type = entry.d_type;
    if (type == DT_UNKNOWN) {
        struct stat status;
        if (::fstatat(folderFd, entry.d_name, &status, AT_SYMLINK_NOFOLLOW) != 0)
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
bool readEntries(int folderFd, QHash<QString, platform::EntryType>& entries) {
    const int listFd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listFd < 0)
        return false;
    DIR* dir = ::fdopendir(listFd);
    if (!dir) {
        ::close(listFd);
        return false;
    }
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        entries.insert(platform::decodeFileName(name), entryType(folderFd, *entry));
        errno = 0;
    }
    const bool complete = errno == 0;
    ::closedir(dir);
    return complete;
}

/// Whether some entry, asked for in another letter case that no entry carries, is found: then
/// the file system folds case here. nullopt when no entry has letters to ask with.
std::optional<bool> foundInOtherCase(int folderFd,
                                     const QHash<QString, platform::EntryType>& entries) {
    for (auto entry = entries.cbegin(); entry != entries.cend(); ++entry) {
        QString other = platform::upperCase(entry.key());
        if (other == entry.key())
            other = entry.key().toLower();
        if (other == entry.key() || entries.contains(other))
            continue;
        struct stat status;
        return ::fstatat(folderFd, platform::encodeFileName(other).constData(), &status,
                         AT_SYMLINK_NOFOLLOW) == 0;
    }
    return std::nullopt;
}

} // namespace

platform::FolderSurvey PosixFolderSurveyor::survey(const QString& folder) const {
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
    // Access answers EROFS on a read-only mount already; the mount flag says so for root too.
    survey.writable =
        !(mount.f_flag & ST_RDONLY) && ::faccessat(fd, ".", W_OK | X_OK, AT_EACCESS) == 0;
    const FileSystemKind kind = fileSystemKind(fd);
    // The drivers of UTF-16 file systems report their limit in bytes of very different
    // reckonings (255, 1530); the format's own 255 units is what decides.
    survey.nameMax = kind.countsUtf16Units ? 255 : fileSystem.f_namelen;
    survey.nameMaxInUtf16Units = kind.countsUtf16Units;
    survey.fatNames = kind.fatNames;
    const std::optional<bool> folds = foundInOtherCase(fd, survey.entries);
    survey.ignoresCase = folds ? *folds : kind.foldsCase;
    ::close(fd);
    return survey;
}

} // namespace filesystem
