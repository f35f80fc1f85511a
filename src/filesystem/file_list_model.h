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
    /// Re-lists: the rows are those of the folder as it is now. A folder that cannot be read lists
    /// empty.
    void setPath(const QString& path);
    /// Re-lists, as setPath does.
    void setPattern(const QString& pattern);
    /// Writes Path and Pattern at once: one reading of the folder where two writes would take two.
    void setFolder(const QString& path, const QString& pattern);
    /// Takes the folder, the mask and the rows of `other` without reading the folder: both then
    /// hold one listing.
    void showSameAs(const FileListModel& other);
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
    struct Listing;
    void show(std::shared_ptr<const Listing> listing);

    QString m_path;
    QString m_pattern;
    /// Never null. The accessors read only this: the folder is read by the writes alone.
    std::shared_ptr<const Listing> m_listing;
};

} // namespace filesystem
