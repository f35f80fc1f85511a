// An exFAT file system for tests: an image on a loop device, mounted through exfat-fuse, the
// driver many desktops use for SD cards and large USB sticks.
#pragma once

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <sys/mount.h>
#include <sys/statfs.h>

class ExfatMount {
public:
    /// Mounts a fresh, empty exFAT image; isMounted() says whether that worked, whyNot() why not.
    ExfatMount() {
        const QStringList sbin{QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")};
        const QString mkfs = QStandardPaths::findExecutable(QStringLiteral("mkfs.exfat"), sbin);
        const QString driver =
            QStandardPaths::findExecutable(QStringLiteral("mount.exfat-fuse"), sbin);
        const QString losetup = QStandardPaths::findExecutable(QStringLiteral("losetup"), sbin);
        if (mkfs.isEmpty() || driver.isEmpty() || losetup.isEmpty()) {
            m_whyNot = QStringLiteral("mkfs.exfat, mount.exfat-fuse or losetup is not installed");
            return;
        }
        const QString image = m_dir.filePath(QStringLiteral("card.img"));
        QFile file(image);
        if (!m_dir.isValid() || !file.open(QIODevice::WriteOnly) || !file.resize(16 << 20) ||
            !QDir(m_dir.path()).mkdir(QStringLiteral("card"))) {
            m_whyNot = QStringLiteral("cannot make the image");
            return;
        }
        file.close();
        if (!run(mkfs, {image})) {
            m_whyNot = QStringLiteral("mkfs.exfat failed");
            return;
        }
        // The driver takes a block device only.
        QString device;
        if (!run(losetup, {QStringLiteral("-f"), QStringLiteral("--show"), image}, &device)) {
            m_whyNot = QStringLiteral("no loop device can be set up here");
            return;
        }
        m_device = device.trimmed();
        if (!run(driver, {m_device, path()})) {
            m_whyNot = QStringLiteral("exfat-fuse could not mount (no FUSE permission here?)");
            return;
        }
        QDeadlineTimer deadline(10000);
        while (!(m_mounted = isFuse()) && !deadline.hasExpired())
            QThread::msleep(20);
        if (!m_mounted)
            m_whyNot = QStringLiteral("the exfat-fuse mount did not appear");
    }

    ~ExfatMount() {
        if (m_mounted && !run(QStringLiteral("fusermount"), {QStringLiteral("-u"), path()}))
            ::umount2(QFile::encodeName(path()).constData(), MNT_DETACH);
        QDeadlineTimer deadline(10000);
        while (m_mounted && isFuse() && !deadline.hasExpired())
            QThread::msleep(20);
        // The driver lets go of the device as it exits, after the unmount has returned.
        while (!m_device.isEmpty() &&
               !run(QStringLiteral("losetup"), {QStringLiteral("-d"), m_device}) &&
               !deadline.hasExpired())
            QThread::msleep(20);
    }

    ExfatMount(const ExfatMount&) = delete;
    ExfatMount& operator=(const ExfatMount&) = delete;

    bool isMounted() const { return m_mounted; }
    QString whyNot() const { return m_whyNot; }
    /// The mounted folder.
    QString path() const { return m_dir.filePath(QStringLiteral("card")); }

private:
    static bool run(const QString& program, const QStringList& arguments,
                    QString* output = nullptr) {
        QProcess process;
        if (!output)
            process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(program, arguments);
        const bool ran = process.waitForFinished(30000) &&
                         process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
        if (output)
            *output = QString::fromLocal8Bit(process.readAllStandardOutput());
        return ran;
    }

    bool isFuse() const {
        struct statfs fileSystem;
        return ::statfs(QFile::encodeName(path()).constData(), &fileSystem) == 0 &&
               static_cast<unsigned long>(fileSystem.f_type) == 0x65735546;
    }

    QTemporaryDir m_dir;
    QString m_whyNot;
    QString m_device;
    bool m_mounted = false;
};
