// The lock that keeps a second pass or undo out of a folder while one runs there.
#include "journal/folder_lock.h"

#include "platform/file_names.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace journal {

FolderLock::FolderLock(const QString& folder) {
    m_fd = ::open(platform::encodeFileName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // flock, not a byte-range lock: it belongs to this open folder, not to the process, so a
    // second pass in the same program is kept out too. Any other failure (EBADF where NFS
    // will not lock a folder opened for reading, ENOLCK) means no locking here at all.
    m_busy = m_fd >= 0 && ::flock(m_fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
}

FolderLock::~FolderLock() {
    if (m_fd >= 0)
        ::close(m_fd);
}

} // namespace journal
