// The rows of a file view: the files of one folder under one mask, read in a single pass.
#pragma once

#include "filesystem/folder_lister.h"
#include "platform/file_view.h"

#include <QAbstractListModel>
#include <functional>
#include <memory>
#include <vector>

namespace filesystem {

class FileListModel : public QAbstractListModel, public platform::FileView {
    Q_OBJECT

public:
    /// Row k shows the listing's entry order[k]; empty keeps the listing's own name order.
    using Order = std::vector<qsizetype>;
    /// The order of a listing of `folder`, asked for each listing as it is read.
    using Ordering = std::function<Order(const QString& folder, const NameList& names)>;

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
    /// Shows no rows, at the same folder and mask, until the next reading or showSameAs: the
    /// listing it let go of need not stay beside the next reading of a large folder.
    void release();
    /// Applies from the next reading of the folder on; reorder() applies it to the rows shown.
    void setOrdering(Ordering ordering);
    /// The rows shown, in the order the ordering gives them now, without reading the folder.
    void reorder();
    /// Shows the rows of this listing in `order`, which must be one of its permutations.
    void setOrder(Order order);

    qsizetype count() const override;
    /// Reversible text, which the view shows with U+FFFD for each byte that is not UTF-8; "" at or
    /// past the end.
    QString name(qsizetype row) const override;
    quint64 fileId(qsizetype row) const override;

    /// The rows as they are now, to be read on any thread: they stay as they are while this view
    /// re-lists.
    std::shared_ptr<const platform::FileView> snapshot() const override;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    struct Listing;
    void show(std::shared_ptr<const Listing> listing, std::shared_ptr<const Order> order);
    std::shared_ptr<const Order> orderOf(const Listing& listing) const;
    /// The listing's index of the row shown as `row`, which is in range.
    qsizetype entry(qsizetype row) const { return m_order ? (*m_order)[size_t(row)] : row; }

    QString m_path;
    QString m_pattern;
    /// Never null. The accessors read only this: the folder is read by the writes alone.
    std::shared_ptr<const Listing> m_listing;
    /// Null for name order. Shared with the views that show the same listing, as the listing is.
    std::shared_ptr<const Order> m_order;
    Ordering m_ordering;
};

} // namespace filesystem
