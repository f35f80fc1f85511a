// The one table of file-system kinds: what a folder's file system does with names and numbers.
#pragma once

#include <QByteArray>

namespace filesystem {

struct FileSystemKind {
    /// It may give a file another inode number later (FUSE drivers number files as they meet
    /// them, the kernel's FAT driver as it reads them in), or the folder another device when its
    /// drive is plugged in again: there a recorded number tells nothing about a file.
    bool renumbersFiles = false;
    /// It ignores letter case: FAT and exFAT, in the kernel or through FUSE. NTFS keeps case
    /// apart as Linux drivers mount it.
    bool foldsCase = false;
    /// It keeps to FAT's rules for names (platform::isFatName): the FAT family, exFAT and NTFS.
    bool fatNames = false;
    /// It counts a name's length in UTF-16 units, 255 at most, as FAT, exFAT and NTFS store
    /// names; a Cyrillic name may then take up to 510 bytes, and other scripts 765. Elsewhere
    /// the limit is in bytes.
    bool countsUtf16Units = false;
    /// Where it ignores case, only ASCII letters fold, as FAT's drivers fold them; exFAT folds
    /// by its up-case table instead.
    bool foldsAsciiOnly = false;
    /// Its driver takes only ASCII names: fusefat answers a rename to any other name by losing
    /// the file.
    bool asciiNamesOnly = false;
};

/// The kind of a file system by the mount table's name for its type ("vfat", "fuse.fusefat",
/// "fuseblk"). Every FUSE type renumbers files; other types the table does not know are of no
/// kind.
FileSystemKind fileSystemKindOfType(const QByteArray& type);

/// The kind of the file system of the folder open as `fd`. The kernel's own drivers tell by
/// their magic number, a FUSE driver only by its type in the mount table; of no kind when the
/// file system cannot be asked.
FileSystemKind fileSystemKind(int fd);

} // namespace filesystem
