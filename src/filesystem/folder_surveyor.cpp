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
bool readEntries(int folderFd, platform::EntryTable& entries) {
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
        entries.insert(QByteArrayView(name), entryType(folderFd, *entry));
        errno = 0;
    }
    const bool complete = errno == 0;
    ::closedir(dir);
    return complete;
}

/// Whether some entry, asked for in another letter case that no entry carries, is found: then
/// the file system folds case here. nullopt when no entry has letters to ask with.
std::optional<bool> foundInOtherCase(int folderFd, const platform::EntryTable& entries) {
    std::optional<bool> found;
    entries.forEach([&](QByteArrayView name, platform::EntryType) {
        if (found)
            return;
        const QString text = platform::decodeFileName(name);
        QString other = platform::upperCase(text);
        if (other == text)
            other = text.toLower();
        if (other == text)
            return;
        const QByteArray otherName = platform::encodeFileName(other);
        if (entries.contains(otherName))
            return;
        struct stat status;
        found = ::fstatat(folderFd, otherName.constData(), &status, AT_SYMLINK_NOFOLLOW) == 0;
    });
    return found;
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
    survey.nameMax = fileSystem.f_namelen;
    const FileSystemKind kind = fileSystemKind(fd);
    survey.fatNames = kind.fatNames;
    const std::optional<bool> folds = foundInOtherCase(fd, survey.entries);
    survey.ignoresCase = folds ? *folds : kind.foldsCase;
    ::close(fd);
    return survey;
}

} // namespace filesystem
