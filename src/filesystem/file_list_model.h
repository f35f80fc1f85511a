// The rows of a file view: the files of one folder under one mask, read in a single pass.
#pragma once

#include "filesystem/folder_lister.h"
#include "platform/file_view.h"

#include <QAbstractListModel>
#include <memory>

namespace filesystem {

class FileListModel : public QAbstractListModel, public platform::FileView {
    Q_OBJECT

public:
    /// Starts empty, at no folder, under "*.*".
    explicit FileListModel(QObject* parent = nullptr);

    /// The folder, cleaned and absolute: no trailing separator except for the root "/".
    QString path() const override { return m_path; }
    /// Re-lists: the rows read after this write are those of the folder as it is then. A folder
    /// that cannot be read lists empty.
    void setPath(const QString& path);
    /// Re-lists, as setPath does.
    void setPattern(const QString& pattern);
    /// Re-reads the folder: one model reset, whatever the number of rows.
    void refresh() override;

    qsizetype count() const override;
    /// Reversible text, which the view shows with U+FFFD for each byte that is not UTF-8; "" at or
    /// past the end.
    QString name(qsizetype row) const override;
    quint64 fileId(qsizetype row) const override;

    /// The rows as they are now, to be read on any thread: they stay as they are while this view
    /// re-lists.
    std::shared_ptr<const platform::FileView> snapshot() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    // The folder is read when its rows are first needed after a write, not at the write: the
    // folder steps write Path and then Pattern, and a hidden view is not read until it is used,
    // so a large folder is read once per change instead of once per write.
    void ensureListed() const;

    struct Listing;

    QString m_path;
    QString m_pattern;
    mutable std::shared_ptr<const Listing> m_listing;
    /// When the rows were last written (Path, Pattern, Refresh), on the clock of the listings.
    quint64 m_writtenAt = 0;
};

} // namespace filesystem
