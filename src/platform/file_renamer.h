// The file-rename service: one file, inside one folder, never onto another file.
#pragma once

#include <QString>

namespace platform {

class FileRenamer {
public:
    virtual ~FileRenamer() = default;

    /// Renames `folder`/`oldName` to `folder`/`newName`. Returns 0 on success; on any failure the
    /// errno value that says why (EEXIST for a target that exists, ENOENT for a vanished source,
    /// EINVAL for a name that is not a plain file name or that the file system forbids, EACCES
    /// for a denied access, ...), and nothing has changed. Names are reversible text
    /// (platform::decodeFileName): each maps back to its exact bytes, so names that are not UTF-8
    /// survive.
    [[nodiscard]] virtual int rename(const QString& folder, const QString& oldName,
                                     const QString& newName) = 0;

    /// Lets go of whatever a run of renames kept open (such as the folder); the next rename opens
    /// it afresh, so a folder replaced between two passes is never renamed in by its old handle.
    virtual void releaseFolder() {}

    /// After a failed rename: 0 when only that file failed; otherwise the errno value that says
    /// why the folder itself can no longer be reached (its drive's driver gone, the folder
    /// removed), so that every later rename in it would fail too. A read-only folder is not lost.
    [[nodiscard]] virtual int folderLost() const { return 0; }
};

} // namespace platform
