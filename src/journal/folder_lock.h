// One rename pass or undo per folder at a time: a lock on the folder itself, which the system
// lets go however the program that holds it ends.
#pragma once

#include <QString>
#include <QtGlobal>

namespace journal {

/// Locks `folder` against every other pass or undo of it, in this program or another, for as
/// long as it lives. The folder's own descriptor carries the lock: it follows the folder by
/// device and inode whatever path leads there, writes nothing, and needs no journal.
class FolderLock {
public:
    explicit FolderLock(const QString& folder);
    ~FolderLock();
    Q_DISABLE_COPY_MOVE(FolderLock)

    /// Another pass or undo holds the folder: nothing is to be renamed in it now. A folder that
    /// cannot be opened, or whose file system cannot lock, is not busy: the pass goes ahead
    /// unguarded, as before there was a lock, and meets the folder's own errors.
    bool busy() const { return m_busy; }
    /// The folder, open for reading while the lock lives; -1 when it cannot be opened.
    int fd() const { return m_fd; }

private:
    int m_fd = -1;
    bool m_busy = false;
};

} // namespace journal
