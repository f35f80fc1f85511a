// The file-rename service: one file, inside one folder, never onto another file.
#pragma once

#include <QByteArrayView>
#include <QString>

namespace platform {

/// Hears of every intermediate name a rename makes on its way from the old name to the new one,
/// before the name is made: a rename cut off between two of its steps can then be put right later.
class RenameSteps {
public:
    enum class Kind : quint8 {
        Aside = 1, ///< the file moves to this name first, and on from there
        Claim = 2, ///< an empty file holds the new name until the file replaces it
        Link = 3,  ///< a second name of the file, the old one removed afterwards
    };

    virtual ~RenameSteps() = default;

    /// `name` (its bytes, in the folder being renamed in) is about to be made. A claim is told
    /// once more when it has been made, with its inode, so that only that very file is ever
    /// taken for it; every other call has `inode` 0.
    virtual void step(Kind kind, QByteArrayView name, quint64 inode) = 0;

    /// A claim or second link told by step(), `name`, is still there after its rename failed:
    /// the renamer could not remove it (a full disk, a folder made read-only meanwhile).
    virtual void leftBehind([[maybe_unused]] QByteArrayView name) {}
};

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

    /// Where the intermediate names of the renames that follow are told; none when `steps` is
    /// null. A renamer that makes no such names may ignore it.
    virtual void setSteps([[maybe_unused]] RenameSteps* steps) {}

    /// After a failed rename: 0 when only that file failed; otherwise the errno value that says
    /// why the folder itself can no longer be reached (its drive's driver gone, the folder
    /// removed), so that every later rename in it would fail too. A read-only folder is not lost.
    [[nodiscard]] virtual int folderLost() const { return 0; }
};

} // namespace platform
