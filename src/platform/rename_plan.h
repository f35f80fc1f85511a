// What a rename pass is to do: the folder, and for each row its file and the name it is to take.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

namespace platform {

class FileView;

/// The current names of a plan's rows, read through a listing that the plan shares with the
/// views instead of copying: a pass over a million files holds its folder's names once.
class RowNames {
public:
    RowNames() = default;
    explicit RowNames(std::shared_ptr<const FileView> rows);

    qsizetype size() const;
    /// "" at or past the end.
    QString at(qsizetype row) const;
    QString value(qsizetype row) const { return at(row); }

private:
    std::shared_ptr<const FileView> m_rows;
};

/// Names are reversible text (platform::decodeFileName), as the listing read them.
struct RenamePlan {
    QString folder;
    /// The current names, one per row.
    RowNames oldNames;
    /// The new name of each row; a row past its end is to take "", which no rename accepts.
    QStringList newNames;
    /// The inode each row's listing read (FileView::fileId), which the journal keeps.
    QList<quint64> fileIds;
};

/// The plan of renaming the rows of `files` to `newNames`, on the rows as they are now.
RenamePlan renamePlan(const FileView& files, QStringList newNames);

} // namespace platform
