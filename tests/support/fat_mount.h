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
        // fusefat mounts read-only unless told "rw+"; it returns once it has mounted.
        if (!run(fusefat, {QStringLiteral("-o"), QStringLiteral("rw+"), image, path()})) {
            m_whyNot = QStringLiteral("fusefat could not mount (no FUSE permission here?)");
            return;
        }
        QDeadlineTimer deadline(10000);
        while (!(m_mounted = isFuse()) && !deadline.hasExpired())
            QThread::msleep(20);
        if (!m_mounted)
            m_whyNot = QStringLiteral("the fusefat mount did not appear");
    }

    ~FatMount() {
        if (m_mounted && !run(QStringLiteral("fusermount"), {QStringLiteral("-u"), path()}) &&
            !run(QStringLiteral("fusermount3"), {QStringLiteral("-u"), path()}))
            ::umount2(QFile::encodeName(path()).constData(), MNT_DETACH);
    }

    FatMount(const FatMount&) = delete;
    FatMount& operator=(const FatMount&) = delete;

    bool isMounted() const { return m_mounted; }
    QString whyNot() const { return m_whyNot; }
    /// The mounted folder.
    QString path() const { return m_dir.filePath(QStringLiteral("card")); }

private:
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
