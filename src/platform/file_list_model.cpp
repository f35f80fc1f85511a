// The file view's rows.
#include "file_list_model.h"

#include "file_mask.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace platform {

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
    std::optional<QList<ListedName>> names = listFiles(m_path, FileMask(m_pattern));
    beginResetModel();
    m_readable = names.has_value();
    m_names = names ? std::move(*names) : QList<ListedName>();
    endResetModel();
}

QString FileListModel::name(qsizetype row) const {
    return row >= 0 && row < m_names.size() ? m_names.at(row).name : QString();
}

QByteArray FileListModel::nameBytes(qsizetype row) const {
    return row >= 0 && row < m_names.size() ? m_names.at(row).bytes : QByteArray();
}

int FileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_names.size());
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_names.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return m_names.at(index.row()).name;
    return {};
}

} // namespace platform
