// The table of file-system kinds, looked up by statfs's magic number or the mount table's type.
#include "filesystem/file_system_kind.h"

#include "filesystem/mount_table.h"

#include <QFile>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>

using namespace Qt::StringLiterals;

namespace filesystem {

namespace {

constexpr unsigned long kFuseMagic = 0x65735546; // fuse and fuseblk alike

struct KindRow {
    const char* type;
    unsigned long magic; ///< 0 where the kernel has no driver of that name
    FileSystemKind kind;
};

constexpr FileSystemKind kFat{true, true, true, true, true};
constexpr FileSystemKind kFusefat{true, true, true, true, true, true};
constexpr FileSystemKind kExfat{true, true, true, true};
constexpr FileSystemKind kNtfs{true, false, true, true};

// fuseblk is what the FUSE drivers of block devices show, and on a desktop these are the drivers
// of NTFS and exFAT drives: FAT's names, but no folding that can be relied on.
constexpr KindRow kKinds[] = {
    {"vfat", 0x4d44, kFat},         {"msdos", 0x4d44, kFat},       {"umsdos", 0, kFat},
    {"exfat", 0x2011BAB0, kExfat},  {"ntfs", 0x5346544e, kNtfs},   {"ntfs3", 0x7366746e, kNtfs},
    {"fuse.fusefat", 0, kFusefat},  {"fuse.vfat", 0, kFat},        {"fuse.exfat", 0, kExfat},
    {"fuse.exfat-fuse", 0, kExfat}, {"fuseblk", 0, kNtfs},         {"fuse.ntfs", 0, kNtfs},
    {"fuse.ntfs-3g", 0, kNtfs},     {"fuse.lowntfs-3g", 0, kNtfs},
};

} // namespace

FileSystemKind fileSystemKindOfType(const QByteArray& type) {
    for (const KindRow& row : kKinds)
        if (type == row.type)
            return row.kind;
    FileSystemKind kind;
    kind.renumbersFiles = type == "fuse" || type == "fuseblk" || type.startsWith("fuse.");
    return kind;
}

FileSystemKind fileSystemKind(int fd) {
    struct statfs fileSystem;
    if (::fstatfs(fd, &fileSystem) != 0)
        return {};
    const auto magic = static_cast<unsigned long>(fileSystem.f_type);
    if (magic != kFuseMagic) {
        for (const KindRow& row : kKinds)
            if (row.magic == magic)
                return row.kind;
        return {};
    }
    FileSystemKind kind;
    struct stat status;
    QFile table(u"/proc/self/mountinfo"_s);
    if (::fstat(fd, &status) == 0 && table.open(QIODevice::ReadOnly))
        kind = fileSystemKindOfType(
            fileSystemType(table.readAll(), ::major(status.st_dev), ::minor(status.st_dev)));
    kind.renumbersFiles = true;
    return kind;
}

} // namespace filesystem
