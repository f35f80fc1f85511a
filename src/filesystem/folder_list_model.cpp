// The folder view's rows.
#include "filesystem/folder_list_model.h"

using namespace Qt::StringLiterals;

namespace filesystem {

FolderListModel::FolderListModel(QObject* parent)
    : QAbstractListModel(parent) {}

void FolderListModel::show(const QString& folder, const QStringList& subfolders) {
    beginResetModel();
    m_folder = folder;
    m_ancestors.clear();
    m_ancestors.append(u"/"_s);
    for (qsizetype slash = folder.indexOf(u'/', 1); slash > 0;
         slash = folder.indexOf(u'/', slash + 1))
        m_ancestors.append(folder.left(slash));
    if (folder.size() > 1)
        m_ancestors.append(folder);
    m_subfolders = subfolders;
    endResetModel();
}

int FolderListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_ancestors.size() + m_subfolders.size());
}

QVariant FolderListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const qsizetype row = index.row();
    const bool open = row < m_ancestors.size();
    const QString path = open ? m_ancestors.at(row)
                              : (m_folder == u"/"_s ? QString() : m_folder) + u'/' +
                                    m_subfolders.at(row - m_ancestors.size());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return path == u"/"_s ? path : path.mid(path.lastIndexOf(u'/') + 1);
    case Qt::ToolTipRole:
    // The indent shows a sighted user where the row sits in the tree; the path tells a listener.
    case Qt::AccessibleDescriptionRole:
    case PathRole:
        return path;
    case DepthRole:
        return int(open ? row : m_ancestors.size());
    case IsOpenRole:
        return open;
    default:
        return {};
    }
}

} // namespace filesystem
