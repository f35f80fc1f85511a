// The volumes a user would recognise among the mounted file systems: the drives of the drive view.
#pragma once

#include <QByteArray>
#include <QStringList>

namespace filesystem {

/// The mount points of /proc/self/mountinfo text that a user would call drives: the root always,
/// then a separate /home (or a home of its own), and whatever is mounted under /media, /mnt and
/// /run/media, where desktops put removable media; pseudo file systems are left out. Each mount
/// point once, in natural order after the root.
QStringList userVolumes(const QByteArray& mountInfo);

/// userVolumes() of the running system; just "/" when the table cannot be read.
QStringList mountedVolumes();

/// The type /proc/self/mountinfo text gives the file system of device `major`:`minor` ("vfat",
/// "fuse.fusefat", "fuseblk"); "" when no mount has it. The last mount of the device counts.
QByteArray fileSystemType(const QByteArray& mountInfo, quint32 major, quint32 minor);

/// The longest of `roots` that holds `path` (both clean and absolute); "" when none does.
QString volumeHolding(const QStringList& roots, const QString& path);

} // namespace filesystem
