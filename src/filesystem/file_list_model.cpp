// The file view's rows.
#include "filesystem/file_list_model.h"

#include "filesystem/file_mask.h"
#include "platform/file_names.h"

using namespace Qt::StringLiterals;

namespace filesystem {

/// One reading of a folder under a mask, which the views that show it share.
struct FileListModel::Listing {
    std::optional<NameList> names;
};

FileListModel::FileListModel(QObject* parent)
    : QAbstractListModel(parent)
    , m_pattern(u"*.*"_s)
    , m_listing(std::make_shared<const Listing>()) {}

void FileListModel::setPath(const QString& path) {
    setFolder(path, m_pattern);
}

void FileListModel::setPattern(const QString& pattern) {
    setFolder(m_path, pattern);
}

void FileListModel::setFolder(const QString& path, const QString& pattern) {
    m_path = cleanFolderPath(path);
    m_pattern = pattern;
    refresh();
}

void FileListModel::showSameAs(const FileListModel& other) {
    m_path = other.m_path;
    m_pattern = other.m_pattern;
    show(other.m_listing, other.m_order);
}

void FileListModel::refresh() {
    auto listing = std::make_shared<const Listing>(Listing{listFiles(m_path, FileMask(m_pattern))});
    auto order = orderOf(*listing);
    show(std::move(listing), std::move(order));
}

void FileListModel::release() {
    show(std::make_shared<const Listing>(), nullptr);
}

void FileListModel::setOrdering(Ordering ordering) {
    m_ordering = std::move(ordering);
}

void FileListModel::reorder() {
    show(m_listing, orderOf(*m_listing));
}

void FileListModel::setOrder(Order order) {
    if (!order.empty() &&
        (!m_listing->names || qsizetype(order.size()) != m_listing->names->size()))
        return;
    show(m_listing, order.empty() ? nullptr : std::make_shared<const Order>(std::move(order)));
}

std::shared_ptr<const FileListModel::Order> FileListModel::orderOf(const Listing& listing) const {
    if (!m_ordering || !listing.names)
        return nullptr;
    Order order = m_ordering(m_path, *listing.names);
    // Anything but a full permutation would show rows twice or not at all.
    if (order.empty() || qsizetype(order.size()) != listing.names->size())
        return nullptr;
    return std::make_shared<const Order>(std::move(order));
}

void FileListModel::show(std::shared_ptr<const Listing> listing,
                         std::shared_ptr<const Order> order) {
    beginResetModel();
    m_listing = std::move(listing);
    m_order = std::move(order);
    endResetModel();
}

namespace {

/// One listing, which nothing changes any more.
class FixedFileView final : public platform::FileView {
public:
    FixedFileView(QString path, std::shared_ptr<const NameList> names,
                  std::shared_ptr<const FileListModel::Order> order)
        : m_path(std::move(path))
        , m_names(std::move(names))
        , m_order(std::move(order)) {}

    QString path() const override { return m_path; }
    qsizetype count() const override { return m_names ? m_names->size() : 0; }
    QString name(qsizetype row) const override {
        if (row < 0 || row >= count())
            return {};
        return m_names->name(m_order ? (*m_order)[size_t(row)] : row);
    }
    quint64 fileId(qsizetype row) const override {
        if (row < 0 || row >= count())
            return 0;
        return m_names->fileId(m_order ? (*m_order)[size_t(row)] : row);
    }
    void refresh() override {}

private:
    QString m_path;
    std::shared_ptr<const NameList> m_names;
    std::shared_ptr<const FileListModel::Order> m_order;
};

} // namespace

std::shared_ptr<const platform::FileView> FileListModel::snapshot() const {
    std::shared_ptr<const NameList> names;
    if (m_listing->names)
        names = std::shared_ptr<const NameList>(m_listing, &*m_listing->names);
    return std::make_shared<FixedFileView>(m_path, std::move(names), m_order);
}

qsizetype FileListModel::count() const {
    return m_listing->names ? m_listing->names->size() : 0;
}

QString FileListModel::name(qsizetype row) const {
    return row >= 0 && row < count() ? m_listing->names->name(entry(row)) : QString();
}

quint64 FileListModel::fileId(qsizetype row) const {
    return row >= 0 && row < count() ? m_listing->names->fileId(entry(row)) : 0;
}

int FileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(count());
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count())
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return platform::shownFileName(name(index.row()));
    return {};
}

} // namespace filesystem
