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
    show(other.m_listing);
}

void FileListModel::refresh() {
    show(std::make_shared<const Listing>(Listing{listFiles(m_path, FileMask(m_pattern))}));
}

void FileListModel::show(std::shared_ptr<const Listing> listing) {
    beginResetModel();
    m_listing = std::move(listing);
    endResetModel();
}

namespace {

/// One listing, which nothing changes any more.
class FixedFileView final : public platform::FileView {
public:
    FixedFileView(QString path, std::shared_ptr<const NameList> names)
        : m_path(std::move(path))
        , m_names(std::move(names)) {}

    QString path() const override { return m_path; }
    qsizetype count() const override { return m_names ? m_names->size() : 0; }
    QString name(qsizetype row) const override {
        return row >= 0 && row < count() ? m_names->name(row) : QString();
    }
    void refresh() override {}

private:
    QString m_path;
    std::shared_ptr<const NameList> m_names;
};

} // namespace

std::shared_ptr<const platform::FileView> FileListModel::snapshot() const {
    std::shared_ptr<const NameList> names;
    if (m_listing->names)
        names = std::shared_ptr<const NameList>(m_listing, &*m_listing->names);
    return std::make_shared<FixedFileView>(m_path, std::move(names));
}

qsizetype FileListModel::count() const {
    return m_listing->names ? m_listing->names->size() : 0;
}

QString FileListModel::name(qsizetype row) const {
    return row >= 0 && row < count() ? m_listing->names->name(row) : QString();
}

quint64 FileListModel::fileId(qsizetype row) const {
    return row >= 0 && row < count() ? m_listing->names->fileId(row) : 0;
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
