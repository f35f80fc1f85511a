// The stat of each listed file, relative to one open folder.
#include "filesystem/file_stats.h"

#include "filesystem/folder_lister.h"
#include "platform/file_names.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace filesystem {

std::vector<FileStat> statFiles(const QString& folder, const NameList& names) {
    std::vector<FileStat> stats(size_t(names.size()));
    const int folderFd =
        ::open(platform::encodeFileName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0)
        return stats;
    for (qsizetype row = 0; row < names.size(); ++row) {
        const QByteArray name = platform::encodeFileName(names.at(row));
        struct stat status {};
        if (::fstatat(folderFd, name.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        FileStat& stat = stats[size_t(row)];
        stat.regular = S_ISREG(status.st_mode);
        if (S_ISLNK(status.st_mode) && ::fstatat(folderFd, name.constData(), &status, 0) != 0)
            continue;
        stat.modifiedNs = qint64(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec;
        stat.size = qint64(status.st_size);
        stat.device = quint64(status.st_dev);
        stat.inode = quint64(status.st_ino);
    }
    ::close(folderFd);
    return stats;
}

} // namespace filesystem
