// Reads a folder the way the views show it: files under a mask, or subfolders, in natural order.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace filesystem {

class FileMask;

/// One listed entry: the name as reversible text (platform::decodeFileName) and the bytes it has
/// on disk, which may not be UTF-8.
struct ListedName {
    QByteArray bytes;
    QString name;
};

/// The regular files of `folder`, and the links to regular files, whose names match `mask`;
/// no folders, no hidden names (starting with "."). Sorted by naturalLess. Empty optional when
/// the folder cannot be read.
std::optional<QList<ListedName>> listFiles(const QString& folder, const FileMask& mask);

/// The subfolders of `folder`, and the links to folders, without hidden ones. Names that are not
/// valid UTF-8 are left out: no path written as text could open them again.
std::optional<QList<ListedName>> listSubfolders(const QString& folder);

/// Whether `folder` can be opened and read as a folder.
bool canOpenFolder(const QString& folder);

} // namespace filesystem
