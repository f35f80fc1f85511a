// Reading the mount table. /proc/self/mountinfo escapes blanks and a few other bytes in octal.
#include "filesystem/mount_table.h"

#include "filesystem/natural_order.h"
#include "platform/file_names.h"

#include <QFile>
#include <QSet>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace filesystem {

namespace {

QByteArray unescapeOctal(QByteArrayView field) {
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field.at(i) == '\\' && i + 3 < field.size() && field.at(i + 1) >= '0' &&
            field.at(i + 1) <= '7' && field.at(i + 2) >= '0' && field.at(i + 2) <= '7' &&
            field.at(i + 3) >= '0' && field.at(i + 3) <= '7') {
            out.append(char((field.at(i + 1) - '0') * 64 + (field.at(i + 2) - '0') * 8 +
                            (field.at(i + 3) - '0')));
            i += 3;
        } else {
            out.append(field.at(i));
        }
    }
    return out;
}

/// The fields of one line of the mount table that the drives and the renamer read.
struct Mount {
    QByteArray device;     ///< major:minor
    QByteArray mountPoint; ///< octal escapes still in
    QByteArray type;
};

/// The well-formed lines of /proc/self/mountinfo text:
/// id parent major:minor root mount-point options [optional...] - type source super-options
QList<Mount> mountsOf(const QByteArray& mountInfo) {
    QList<Mount> mounts;
    for (const QByteArray& line : mountInfo.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype separator = fields.indexOf(QByteArrayLiteral("-"));
        if (fields.size() < 5 || separator < 6 || separator + 1 >= fields.size())
            continue;
        mounts.append({fields.at(2), fields.at(4), fields.at(separator + 1)});
    }
    return mounts;
}

bool isPseudoFileSystem(const QByteArray& type) {
    static const QSet<QByteArray> pseudo = {
        "autofs",    "binfmt_misc", "bpf",      "cgroup",          "cgroup2",     "configfs",
        "debugfs",   "devpts",      "devtmpfs", "efivarfs",        "fusectl",     "hugetlbfs",
        "mqueue",    "nsfs",        "proc",     "pstore",          "rpc_pipefs",  "securityfs",
        "selinuxfs", "sysfs",       "tracefs",  "fuse.gvfsd-fuse", "fuse.portal", "overlay",
        "squashfs",  "ramfs",
    };
    return pseudo.contains(type);
}

bool isUserPlace(const QString& mountPoint) {
    if (mountPoint == u"/home"_s || mountPoint.startsWith(u"/home/"_s))
        return true;
    for (const QString& parent : {u"/media/"_s, u"/mnt/"_s, u"/run/media/"_s}) {
        if (mountPoint.startsWith(parent) && mountPoint.size() > parent.size())
            return true;
    }
    return false;
}

} // namespace

QStringList userVolumes(const QByteArray& mountInfo) {
    QStringList volumes;
    QSet<QString> seen;
    for (const Mount& mount : mountsOf(mountInfo)) {
        const QString mountPoint = platform::decodeFileName(unescapeOctal(mount.mountPoint));
        if (mountPoint == u"/"_s || (isUserPlace(mountPoint) && !isPseudoFileSystem(mount.type))) {
            if (!seen.contains(mountPoint)) {
                seen.insert(mountPoint);
                volumes.append(mountPoint);
            }
        }
    }
    volumes.removeAll(u"/"_s);
    std::sort(volumes.begin(), volumes.end(),
              [](const QString& a, const QString& b) { return naturalLess(a, b); });
    volumes.prepend(u"/"_s);
    return volumes;
}

QByteArray fileSystemType(const QByteArray& mountInfo, quint32 major, quint32 minor) {
    const QByteArray device = QByteArray::number(major) + ':' + QByteArray::number(minor);
    QByteArray type;
    for (const Mount& mount : mountsOf(mountInfo))
        if (mount.device == device)
            type = mount.type;
    return type;
}

QStringList mountedVolumes() {
    QFile table(u"/proc/self/mountinfo"_s);
    if (!table.open(QIODevice::ReadOnly))
        return {u"/"_s};
    // /proc files report size 0, so read until the end rather than by size.
    return userVolumes(table.readAll());
}

QString volumeHolding(const QStringList& roots, const QString& path) {
    QString best;
    for (const QString& root : roots) {
        const bool holds =
            root == u"/"_s
                ? path.startsWith(u'/')
                : (path == root || (path.startsWith(root) && path.at(root.size()) == u'/'));
        if (holds && root.size() > best.size())
            best = root;
    }
    return best;
}

} // namespace filesystem
