// A FAT file system for tests: an image in a temporary folder, mounted there through fusefat,
// the FUSE driver Debian ships, as a camera card or USB stick is mounted on many desktops.
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
#include <sys/statfs.h>

class FatMount {
public:
    /// Mounts a fresh, empty FAT image; isMounted() says whether that worked, whyNot() why not.
    FatMount() {
        const QStringList sbin{QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")};
        const QString mkfs = QStandardPaths::findExecutable(QStringLiteral("mkfs.vfat"), sbin);
        const QString fusefat = QStandardPaths::findExecutable(QStringLiteral("fusefat"));
        if (mkfs.isEmpty() || fusefat.isEmpty()) {
            m_whyNot = QStringLiteral("fusefat or mkfs.vfat is not installed");
            return;
        }
        if (!QFile::exists(QStringLiteral("/dev/fuse"))) {
            m_whyNot = QStringLiteral("there is no /dev/fuse here");
            return;
        }
        const QString image = m_dir.filePath(QStringLiteral("card.img"));
        QFile file(image);
        if (!m_dir.isValid() || !file.open(QIODevice::WriteOnly) || !file.resize(8 << 20) ||
            !QDir(m_dir.path()).mkdir(QStringLiteral("card"))) {
            m_whyNot = QStringLiteral("cannot make the image");
            return;
        }
        file.close();
        if (!run(mkfs, {image})) {
            m_whyNot = QStringLiteral("mkfs.vfat failed");
            return;
        }
        mount();
    }

    /// Takes the card out and puts it in again: another device number, and the driver numbers
    /// its files afresh. False when it did not come back.
    bool remount() { return unmount() && mount(); }

    ~FatMount() { unmount(); }

    /// Unmounts the card, so its image can be checked; false when it stays mounted.
    bool unmount() {
        if (m_mounted && !run(QStringLiteral("fusermount"), {QStringLiteral("-u"), path()}) &&
            !run(QStringLiteral("fusermount3"), {QStringLiteral("-u"), path()}))
            ::umount2(QFile::encodeName(path()).constData(), MNT_DETACH);
        // The driver writes its last sectors as it exits, after the unmount has returned.
        QDeadlineTimer deadline(10000);
        while (m_mounted && isFuse() && !deadline.hasExpired())
            QThread::msleep(20);
        m_mounted = m_mounted && isFuse();
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
            if (!arguments.first().endsWith("fusefat") || !arguments.contains(mountPoint))
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

    /// Whether `fsck.vfat -n` finds the unmounted image clean; its report in `report`.
    bool imageIsClean(QString* report) const {
        const QString fsck = QStandardPaths::findExecutable(
            QStringLiteral("fsck.vfat"), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(fsck, {QStringLiteral("-n"), m_dir.filePath(QStringLiteral("card.img"))});
        const bool finished = process.waitForFinished(60000);
        *report = QString::fromLocal8Bit(process.readAll());
        return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }

    FatMount(const FatMount&) = delete;
    FatMount& operator=(const FatMount&) = delete;

    bool isMounted() const { return m_mounted; }
    QString whyNot() const { return m_whyNot; }
    /// The mounted folder.
    QString path() const { return m_dir.filePath(QStringLiteral("card")); }

private:
    bool mount() {
        // fusefat mounts read-only unless told "rw+"; it returns once it has mounted.
        if (!run(QStandardPaths::findExecutable(QStringLiteral("fusefat")),
                 {QStringLiteral("-o"), QStringLiteral("rw+"),
                  m_dir.filePath(QStringLiteral("card.img")), path()})) {
            m_whyNot = QStringLiteral("fusefat could not mount (no FUSE permission here?)");
            return false;
        }
        QDeadlineTimer deadline(10000);
        while (!(m_mounted = isFuse()) && !deadline.hasExpired())
            QThread::msleep(20);
        if (!m_mounted)
            m_whyNot = QStringLiteral("the fusefat mount did not appear");
        return m_mounted;
    }

    /// Runs a tool to its end, quietly (the tools chat on standard output).
    static bool run(const QString& program, const QStringList& arguments) {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(program, arguments);
        return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit &&
               process.exitCode() == 0;
    }

    bool isFuse() const {
        struct statfs fileSystem;
        return ::statfs(QFile::encodeName(path()).constData(), &fileSystem) == 0 &&
               static_cast<unsigned long>(fileSystem.f_type) == 0x65735546;
    }

    QTemporaryDir m_dir;
    QString m_whyNot;
    bool m_mounted = false;
};
