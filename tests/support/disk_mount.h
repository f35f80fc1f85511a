// A drive for tests: an image in a temporary folder, mounted there as a desktop mounts a camera
// card or a USB stick. FAT goes through fusefat, exFAT through exfat-fuse on a loop device (the
// FUSE drivers Debian ships), ext4 through the kernel on a loop device.
#pragma once

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <cerrno>
#include <csignal>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statfs.h>

class DiskMount {
public:
    enum class Format { Fat, ExFat, Ext4 };

    /// Mounts a fresh, empty image of `bytes`; isMounted() says whether that worked, whyNot() why
    /// not.
    explicit DiskMount(Format format = Format::Fat, qint64 bytes = 8 << 20)
        : m_format(format) {
        const char* mkfsName = format == Format::Fat     ? "mkfs.vfat"
                               : format == Format::ExFat ? "mkfs.exfat"
                                                         : "mkfs.ext4";
        const QString mkfs = tool(QString::fromLatin1(mkfsName));
        const QString driver = tool(driverName());
        if (mkfs.isEmpty() || driver.isEmpty()) {
            m_whyNot = QStringLiteral("%1 or %2 is not installed")
                           .arg(driverName(), QString::fromLatin1(mkfsName));
            return;
        }
        if (format != Format::Ext4 && !QFile::exists(QStringLiteral("/dev/fuse"))) {
            m_whyNot = QStringLiteral("there is no /dev/fuse here");
            return;
        }
        QFile file(image());
        if (!m_dir.isValid() || !file.open(QIODevice::WriteOnly) || !file.resize(bytes) ||
            !QDir(m_dir.path()).mkdir(QStringLiteral("card"))) {
            m_whyNot = QStringLiteral("cannot make the image");
            return;
        }
        file.close();
        const QStringList quiet =
            format == Format::Ext4 ? QStringList{QStringLiteral("-q")} : QStringList{};
        if (!run(mkfs, quiet + QStringList{image()})) {
            m_whyNot = QStringLiteral("%1 failed").arg(QString::fromLatin1(mkfsName));
            return;
        }
        mount();
    }

    /// Takes the card out and puts it in again: another device number, and a FUSE driver
    /// numbers its files afresh. False when it did not come back.
    bool remount() { return unmount() && mount(); }

    ~DiskMount() { unmount(); }

    /// Unmounts the card, so its image can be checked; false when it stays mounted.
    bool unmount() {
        if (m_mounted && !run(QStringLiteral("fusermount"), {QStringLiteral("-u"), path()}) &&
            !run(QStringLiteral("fusermount3"), {QStringLiteral("-u"), path()}) &&
            !run(QStringLiteral("umount"), {path()}))
            ::umount2(QFile::encodeName(path()).constData(), MNT_DETACH);
        // A FUSE driver writes its last sectors as it exits, after the unmount has returned.
        QDeadlineTimer deadline(10000);
        while (m_mounted && isMountedHere() && !deadline.hasExpired())
            QThread::msleep(20);
        m_mounted = m_mounted && isMountedHere();
        if (!m_mounted && !m_loop.isEmpty() &&
            run(QStringLiteral("losetup"), {QStringLiteral("-d"), m_loop}))
            m_loop.clear();
        return !m_mounted;
    }

    /// Kills the driver, as a crash of it would end it: the mount stays, and every call on it
    /// fails (with ENOTCONN once the kernel has let go of the driver). False when the driver is
    /// not found or its mount still answers.
    bool killDriver() {
        const QByteArray mountPoint = QFile::encodeName(path());
        for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
            QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
            if (pid.toInt() <= 0 || !cmdline.open(QIODevice::ReadOnly))
                continue;
            // A file of /proc tells no size, and readAll() believes it.
            const QByteArrayList arguments = cmdline.read(1 << 16).split('\0');
            if (!arguments.first().endsWith(QFile::encodeName(driverName())) ||
                !arguments.contains(mountPoint))
                continue;
            if (::kill(pid.toInt(), SIGKILL) != 0)
                return false;
            QDeadlineTimer deadline(10000);
            struct statfs fileSystem;
            while (::statfs(mountPoint.constData(), &fileSystem) == 0 && !deadline.hasExpired())
                QThread::msleep(10);
            return !deadline.hasExpired();
        }
        return false;
    }

    /// Whether the file system's own check (`fsck.vfat -n`, `fsck.exfat -n`, `e2fsck -fn`) finds
    /// the unmounted image clean; its report in `report`.
    bool imageIsClean(QString* report) const {
        const char* fsck = m_format == Format::Fat     ? "fsck.vfat"
                           : m_format == Format::ExFat ? "fsck.exfat"
                                                       : "e2fsck";
        const QStringList options = m_format == Format::Ext4
                                        ? QStringList{QStringLiteral("-f"), QStringLiteral("-n")}
                                        : QStringList{QStringLiteral("-n")};
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(tool(QString::fromLatin1(fsck)), options + QStringList{image()});
        const bool finished = process.waitForFinished(60000);
        *report = QString::fromLocal8Bit(process.readAll());
        return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }

    DiskMount(const DiskMount&) = delete;
    DiskMount& operator=(const DiskMount&) = delete;

    bool isMounted() const { return m_mounted; }
    QString whyNot() const { return m_whyNot; }
    /// The mounted folder.
    QString path() const { return m_dir.filePath(QStringLiteral("card")); }

private:
    QString driverName() const {
        return m_format == Format::Fat     ? QStringLiteral("fusefat")
               : m_format == Format::ExFat ? QStringLiteral("mount.exfat-fuse")
                                           : QStringLiteral("mount");
    }

    QString image() const { return m_dir.filePath(QStringLiteral("card.img")); }

    static QString tool(const QString& name) {
        const QString found = QStandardPaths::findExecutable(name);
        return found.isEmpty() ? QStandardPaths::findExecutable(
                                     name, {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")})
                               : found;
    }

    bool mount() {
        QStringList arguments;
        if (m_format == Format::Fat) {
            // fusefat mounts read-only unless told "rw+"; it returns once it has mounted.
            arguments = {QStringLiteral("-o"), QStringLiteral("rw+"), image(), path()};
        } else if (m_format == Format::ExFat) {
            // exfat-fuse takes only a block device.
            QProcess losetup;
            losetup.start(tool(QStringLiteral("losetup")),
                          {QStringLiteral("-f"), QStringLiteral("--show"), image()});
            if (!losetup.waitForFinished(30000) || losetup.exitCode() != 0) {
                m_whyNot = QStringLiteral("no loop device here (not root?)");
                return false;
            }
            m_loop = QString::fromLocal8Bit(losetup.readAllStandardOutput()).trimmed();
            arguments = {m_loop, path()};
        } else {
            arguments = {QStringLiteral("-o"), QStringLiteral("loop"), image(), path()};
        }
        if (!run(tool(driverName()), arguments)) {
            m_whyNot = QStringLiteral("%1 could not mount (no permission here?)").arg(driverName());
            return false;
        }
        QDeadlineTimer deadline(10000);
        while (!(m_mounted = isMountedHere()) && !deadline.hasExpired())
            QThread::msleep(20);
        if (!m_mounted)
            m_whyNot = QStringLiteral("the %1 mount did not appear").arg(driverName());
        return m_mounted;
    }

    /// Runs a tool to its end, quietly (the tools chat on standard output).
    static bool run(const QString& program, const QStringList& arguments) {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(tool(program), arguments);
        return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit &&
               process.exitCode() == 0;
    }

    bool isMountedHere() const {
        struct statfs fileSystem;
        if (::statfs(QFile::encodeName(path()).constData(), &fileSystem) != 0)
            return false;
        const auto magic = static_cast<unsigned long>(fileSystem.f_type);
        // The temporary folder may lie on ext4 itself: only another device than its own tells.
        struct stat card;
        struct stat folder;
        return m_format == Format::Ext4
                   ? magic == 0xEF53 && ::stat(QFile::encodeName(path()).constData(), &card) == 0 &&
                         ::stat(QFile::encodeName(m_dir.path()).constData(), &folder) == 0 &&
                         card.st_dev != folder.st_dev
                   : magic == 0x65735546;
    }

    Format m_format;
    QTemporaryDir m_dir;
    QString m_whyNot;
    QString m_loop;
    bool m_mounted = false;
};
