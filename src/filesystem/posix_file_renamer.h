// The file-rename service on Linux: renames inside one open folder and never replaces a file.
#pragma once

#include "platform/file_renamer.h"

#include <QByteArray>
#include <functional>

struct stat;

namespace filesystem {

class PosixFileRenamer final : public platform::FileRenamer {
public:
    /// How a rename keeps off an existing target. Automatic takes the first of these that the
    /// folder's file system supports; the others start further down the same chain, for file
    /// systems whose answers mislead.
    enum class Strategy {
        Automatic,       ///< renameat2 with RENAME_NOREPLACE, then the fallbacks below
        LinkThenUnlink,  ///< a hard link cannot replace a name; then the old name is removed
        ClaimThenRename, ///< an exclusive create claims the target, a plain rename replaces the
                         ///< claim
    };

    explicit PosixFileRenamer(Strategy strategy = Strategy::Automatic);
    ~PosixFileRenamer() override;
    Q_DISABLE_COPY_MOVE(PosixFileRenamer)

    /// Renames within `folder`, kept open between calls while the folder stays the same. A new
    /// name that is empty, "." or "..", or holds "/" or NUL is refused, as is an old name that is
    /// no plain name, and an entry that is neither a regular file nor a symbolic link. In a folder
    /// of the FAT family (FAT, exFAT, NTFS) a new name that such a file system forbids is refused
    /// before any change, and so is a name beyond ASCII where the driver takes none (fusefat
    /// loses the file). Renaming to the very same name succeeds without touching the file; a
    /// change of letter case alone works on every file system.
    [[nodiscard]] int rename(const QString& folder, const QString& oldName,
                             const QString& newName) override;
    void releaseFolder() override;
    [[nodiscard]] int folderLost() const override { return m_folderLost; }
    void setSteps(platform::RenameSteps* steps) override { m_steps = steps; }

    /// Runs just before every rename system call, with the two names it is given, and before the
    /// unlink that ends a move by link: tests act here as another program might between two calls.
    using BeforeRename = std::function<void(const QByteArray& from, const QByteArray& to)>;
    void setBeforeRename(BeforeRename hook) { m_beforeRename = std::move(hook); }

private:
    int renameInFolder(const QString& folder, const QString& oldName, const QString& newName);
    int openFolder(const QString& folder);
    /// After a failed rename: why the folder itself is out of reach, or 0.
    int lostFolderError(int error) const;
    int moveNoReplace(const QByteArray& from, const QByteArray& to) const;
    int linkThenUnlink(const QByteArray& from, const QByteArray& to, bool& unavailable) const;
    int claimThenRename(const QByteArray& from, const QByteArray& to) const;
    /// One claim and rename; `claimGone` when another program removed the empty claim meanwhile.
    int claimOnceThenRename(const QByteArray& from, const QByteArray& to, bool& claimGone) const;
    int renameOwnFile(const QByteArray& from, const QByteArray& to) const;
    void announceRename(const QByteArray& from, const QByteArray& to) const;
    void tellStep(platform::RenameSteps::Kind kind, const QByteArray& name,
                  quint64 inode = 0) const;
    /// Whether `named` (what the target name holds now) is still the very claim, and empty.
    static bool isEmptyClaim(const struct stat& claim, const struct stat& named);
    void removeClaim(const struct stat& claim, const QByteArray& to) const;
    /// The folder's path and `name`, as a trail on standard error shows a file.
    QByteArray pathOf(const QByteArray& name) const;

    Strategy m_strategy;
    QString m_folder;
    int m_folderFd = -1;
    int m_openError = 0;
    int m_folderLost = 0;
    bool m_fatNames = false;
    bool m_asciiNames = false;
    bool m_numbersKept = true;
    BeforeRename m_beforeRename;
    platform::RenameSteps* m_steps = nullptr;
};

/// Whether a file system of this type (the mount table's name for it) keeps to FAT's rules for
/// names: the FAT family, exFAT and NTFS, in the kernel or through FUSE.
bool hasFatNames(const QByteArray& fileSystemType);

/// Whether the folder open as `fd` lies on a file system with FAT's rules for names
/// (platform::isFatName).
bool folderHasFatNames(int fd);

} // namespace filesystem
