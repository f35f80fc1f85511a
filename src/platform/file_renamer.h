// The file-rename service: one file, inside one folder, never onto another file.
#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

class FileRenamer {
public:
    virtual ~FileRenamer() = default;

    /// Renames `folder`/`oldName` to `folder`/`newName`. Returns false, and changes nothing, on any
    /// failure: a target that exists, a vanished source, a name that is not a plain file name, a
    /// denied access. `oldName` is the on-disk byte name, so names that are not UTF-8 survive.
    [[nodiscard]] virtual bool rename(const QString& folder, const QByteArray& oldName,
                                      const QString& newName) = 0;
};

} // namespace platform
