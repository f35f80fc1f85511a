// The file view's rows.
#include "filesystem/file_list_model.h"

#include "filesystem/file_mask.h"
#include "platform/file_names.h"

using namespace Qt::StringLiterals;

namespace filesystem {

/// One reading of a folder under a mask, shared by the views that show it.
struct FileListModel::Listing {
    QString path;
    QString pattern;
    quint64 readAt = 0;
    std::optional<NameList> names;
};

namespace {

// Counts writes and readings in the order they happen, so a view can tell a reading that came
// after its own last write.
quint64 g_clock = 0;

// The latest reading, while some view still holds it. Both file views show one folder under one
// mask nearly always, and one copy of a million names is plenty.
std::weak_ptr<const void> g_latest;

} // namespace

FileListModel::FileListModel(QObject* parent)
    : QAbstractListModel(parent)
    , m_pattern(u"*.*"_s) {}

void FileListModel::setPath(const QString& path) {
    m_path = cleanFolderPath(path);
    refresh();
}

void FileListModel::setPattern(const QString& pattern) {
    m_pattern = pattern;
    refresh();
}

void FileListModel::refresh() {
    beginResetModel();
    m_listing.reset();
    m_writtenAt = ++g_clock;
    endResetModel();
}

void FileListModel::ensureListed() const {
    if (m_listing)
        return;
    // The other view's reading will do if it read this folder under this mask after the last
    // write here: the rows are then those of the folder as it was after that write, which is all
    // a write promises.
    auto latest = std::static_pointer_cast<const Listing>(g_latest.lock());
    if (latest && latest->readAt > m_writtenAt && latest->path == m_path &&
        latest->pattern == m_pattern) {
        m_listing = std::move(latest);
        return;
    }
    auto listing = std::make_shared<Listing>();
    listing->path = m_path;
    listing->pattern = m_pattern;
    listing->readAt = ++g_clock;
    listing->names = listFiles(m_path, FileMask(m_pattern));
    m_listing = listing;
    g_latest = m_listing;
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
    ensureListed();
    std::shared_ptr<const NameList> names;
    if (m_listing->names)
        names = std::shared_ptr<const NameList>(m_listing, &*m_listing->names);
    return std::make_shared<FixedFileView>(m_path, std::move(names));
}

qsizetype FileListModel::count() const {
    ensureListed();
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
