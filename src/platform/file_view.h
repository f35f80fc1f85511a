// The rows of a file view (File1, File2) as the naming engine and the rename pass read them.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>

namespace platform {

class FileView {
public:
    virtual ~FileView() = default;

    /// The folder being listed, without a trailing separator except for the root "/".
    virtual QString path() const = 0;
    virtual qsizetype count() const = 0;
    /// The name of a row as reversible text (platform::decodeFileName), so it maps back to the
    /// bytes on disk; "" at or past the end, which callers use as "no such row".
    virtual QString name(qsizetype row) const = 0;
    /// The file's inode number as the listing read it (its device is the folder's); 0 when
    /// unknown, as at or past the end.
    virtual quint64 fileId(qsizetype /*row*/) const { return 0; }
    /// Every row's name, in order.
    QStringList names() const {
        QStringList all;
        all.reserve(count());
        for (qsizetype row = 0; row < count(); ++row)
            all.append(name(row));
        return all;
    }
    /// The rows as they are now, to be read on any thread and unchanged by a later refresh; null
    /// where the view keeps no listing it could share, and the caller copies what it needs.
    virtual std::shared_ptr<const FileView> snapshot() const { return nullptr; }
    /// Re-reads the folder.
    virtual void refresh() = 0;
};

} // namespace platform
