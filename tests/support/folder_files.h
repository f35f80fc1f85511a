// Real files for the rename tests: made by their byte names, read back as name -> content.
#pragma once

#include "platform/file_names.h"

#include <QByteArrayList>
#include <QCryptographicHash>
#include <QFile>
#include <QMap>
#include <QTest>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

/// The text a name holds for byte `byte` where that byte is not part of valid UTF-8.
inline QString escaped(unsigned char byte) {
    return QString(QChar(char16_t(0xDC00 + byte)));
}

/// Every entry of a folder, hidden ones included: a file's content, "<folder>" for a folder,
/// "-> target" for a symbolic link.
using FolderFiles = QMap<QByteArray, QByteArray>;

/// Creates `name` (any bytes but "/" and NUL) in `folder` holding `content`.
inline bool writeFile(const QString& folder, const QByteArray& name, const QByteArray& content) {
    const QByteArray path = platform::encodeFileName(folder) + '/' + name;
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool written =
        ::write(fd, content.constData(), size_t(content.size())) == ssize_t(content.size());
    return ::close(fd) == 0 && written;
}

/// Creates files whose content is their own name; a name ending in "/" makes a folder, and
/// "link -> target" a symbolic link.
inline bool makeFiles(const QString& folder, const QByteArrayList& names) {
    const QByteArray base = platform::encodeFileName(folder) + '/';
    for (const QByteArray& name : names) {
        const qsizetype arrow = name.indexOf(" -> ");
        const bool made = arrow >= 0           ? ::symlink(name.mid(arrow + 4).constData(),
                                                           (base + name.left(arrow)).constData()) == 0
                          : name.endsWith('/') ? ::mkdir((base + name).constData(), 0755) == 0
                                               : writeFile(folder, name, name);
        if (!made)
            return false;
    }
    return true;
}

inline FolderFiles folderFiles(const QString& folder);

/// Creates an empty file at `path`.
inline void touch(const QString& path) {
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
}

/// Creates `name` in `folder` with its own name as content, so a test can tell afterwards which
/// file became which.
inline void writeFile(const QString& folder, const QString& name) {
    QVERIFY2(writeFile(folder, name.toUtf8(), name.toUtf8()), qPrintable(name));
}

/// A file's content, read by its byte path so that names which are not UTF-8 work too.
inline QByteArray readFile(const QByteArray& path) {
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return "<unreadable>";
    QByteArray content;
    char buffer[4096];
    ssize_t got = 0;
    while ((got = ::read(fd, buffer, sizeof buffer)) > 0)
        content.append(buffer, got);
    ::close(fd);
    return got < 0 ? QByteArray("<unreadable>") : content;
}

/// Removes the plain entries of `folder` by their bytes: QTemporaryDir cannot see names that
/// are not UTF-8, and would leave them behind.
inline void removeFiles(const QString& folder) {
    const QByteArray base = platform::encodeFileName(folder) + '/';
    for (const QByteArray& name : folderFiles(folder).keys())
        ::unlink((base + name).constData());
}

inline FolderFiles folderFiles(const QString& folder) {
    FolderFiles files;
    const QByteArray base = platform::encodeFileName(folder) + '/';
    DIR* dir = ::opendir(base.constData());
    if (!dir)
        return files;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        struct stat status;
        if (::lstat((base + name).constData(), &status) != 0)
            continue;
        if (S_ISDIR(status.st_mode)) {
            files.insert(name, "<folder>");
        } else if (S_ISLNK(status.st_mode)) {
            QByteArray target(4096, '\0');
            const ssize_t size = ::readlink((base + name).constData(), target.data(), 4096);
            files.insert(name, "-> " + target.left(size < 0 ? 0 : size));
        } else {
            files.insert(name, readFile(base + name));
        }
    }
    ::closedir(dir);
    return files;
}

/// A file's content by its hash, so that large or random contents compare briefly.
inline QByteArray contentHash(const QByteArray& content) {
    return QCryptographicHash::hash(content, QCryptographicHash::Sha256);
}

/// Each name with the hash of its content: of a folder, so a test sees which file went where, or
/// of the name-to-content map that the folder must hold.
using ContentHashes = QMap<QByteArray, QByteArray>;
inline ContentHashes contentHashes(const FolderFiles& files) {
    ContentHashes hashes;
    for (auto file = files.cbegin(); file != files.cend(); ++file)
        hashes.insert(file.key(), contentHash(file.value()));
    return hashes;
}
inline ContentHashes contentHashes(const QString& folder) {
    return contentHashes(folderFiles(folder));
}
