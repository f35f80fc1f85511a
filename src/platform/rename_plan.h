// What a rename pass is to do: the folder, and for each row its file and the name it is to take.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace platform {

class FileView;

/// Names are reversible text (platform::decodeFileName), as the listing read them.
struct RenamePlan {
    QString folder;
    /// The current names, one per row.
    QStringList oldNames;
    /// The new name of each row; a row past its end is to take "", which no rename accepts.
    QStringList newNames;
    /// The inode each row's listing read (FileView::fileId), which the journal keeps.
    QList<quint64> fileIds;
};

/// The plan of renaming the rows of `files` to `newNames`.
RenamePlan renamePlan(const FileView& files, QStringList newNames);

} // namespace platform
