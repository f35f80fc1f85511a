// The file-rename service on Linux: renames inside one open folder and never replaces a file.
#pragma once

#include "platform/file_renamer.h"

namespace filesystem {

class PosixFileRenamer final : public platform::FileRenamer {
public:
    /// How a rename keeps off an existing target. Automatic takes the first of these that the
    /// folder's file system supports; the others start further down the same chain, for file
    /// systems whose answers mislead.
    enum class Strategy {
        Automatic,       ///< renameat2 with RENAME_NOREPLACE, then the fallbacks below
        LinkThenUnlink,  ///< a hard link cannot replace a name; then the old name is removed
        CheckThenRename, ///< target absent just before a plain rename: the narrowest window left
    };

    explicit PosixFileRenamer(Strategy strategy = Strategy::Automatic);
    ~PosixFileRenamer() override;
    Q_DISABLE_COPY_MOVE(PosixFileRenamer)

    /// Renames within `folder`, kept open between calls while the folder stays the same. A new
    /// name that is empty, "." or "..", or holds "/" or NUL is refused, as is an old name that is
    /// no plain name. Renaming to the very same name (or to the shown form of a name that is not
    /// UTF-8) succeeds without touching the file; a
    /// change of letter case alone works also where the file system ignores case.
    [[nodiscard]] bool rename(const QString& folder, const QByteArray& oldName,
                              const QString& newName) override;
    void releaseFolder() override;

    /// The errno of the last failed rename; 0 after a success.
    int lastError() const { return m_lastError; }

private:
    int openFolder(const QString& folder);
    int moveNoReplace(const QByteArray& from, const QByteArray& to) const;
    int linkThenUnlink(const QByteArray& from, const QByteArray& to, bool& unavailable) const;
    int checkThenRename(const QByteArray& from, const QByteArray& to) const;
    int renameOwnFile(const QByteArray& from, const QByteArray& to) const;
    bool fail(int error);

    Strategy m_strategy;
    QString m_folder;
    int m_folderFd = -1;
    int m_lastError = 0;
};

} // namespace filesystem
