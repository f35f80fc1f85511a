// The file view's rows.
#include "filesystem/file_list_model.h"

#include "filesystem/file_mask.h"
#include "platform/file_names.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace filesystem {

QString cleanFolderPath(const QString& path) {
    if (path.isEmpty())
        return {};
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

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
    m_names.clear();
    m_stale = true;
    endResetModel();
}

void FileListModel::ensureListed() const {
    if (!m_stale)
        return;
    m_stale = false;
    std::optional<QList<ListedName>> names = listFiles(m_path, FileMask(m_pattern));
    m_readable = names.has_value();
    m_names = names ? std::move(*names) : QList<ListedName>();
}

bool FileListModel::isReadable() const {
    ensureListed();
    return m_readable;
}

qsizetype FileListModel::count() const {
    ensureListed();
    return m_names.size();
}

QString FileListModel::name(qsizetype row) const {
    ensureListed();
    return row >= 0 && row < m_names.size() ? m_names.at(row).name : QString();
}

int FileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(count());
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    ensureListed();
    if (!index.isValid() || index.row() >= m_names.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return platform::shownFileName(m_names.at(index.row()).name);
    return {};
}

} // namespace filesystem
