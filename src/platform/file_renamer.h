// The file-rename service: one file, inside one folder, never onto another file.
#pragma once

#include <QString>

namespace platform {

class FileRenamer {
public:
    virtual ~FileRenamer() = default;

    /// Renames `folder`/`oldName` to `folder`/`newName`. Returns false, and changes nothing, on any
    /// failure: a target that exists, a vanished source, a name that is not a plain file name, a
    /// denied access. Names are reversible text (platform::decodeFileName): each maps back to its
    /// exact bytes, so names that are not UTF-8 survive.
    [[nodiscard]] virtual bool rename(const QString& folder, const QString& oldName,
                                      const QString& newName) = 0;

    /// Lets go of whatever a run of renames kept open (such as the folder); the next rename opens
    /// it afresh, so a folder replaced between two passes is never renamed in by its old handle.
    virtual void releaseFolder() {}
};

} // namespace platform
