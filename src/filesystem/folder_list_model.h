// The rows of the folder view: the current folder's ancestors, the folder, then its subfolders.
#pragma once

#include <QAbstractListModel>
#include <QStringList>

namespace filesystem {

class FolderListModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role {
        PathRole = Qt::UserRole, ///< the row's full folder path
        DepthRole,               ///< 0 for "/", one more per level
        IsOpenRole,              ///< true for the folder and its ancestors, false for subfolders
    };

    explicit FolderListModel(QObject* parent = nullptr);

    QString folder() const { return m_folder; }
    /// The row of the folder itself.
    int folderRow() const { return int(m_ancestors.size()) - 1; }
    /// Shows `folder` (clean and absolute) with the given subfolder names: one model reset.
    void show(const QString& folder, const QStringList& subfolders);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    QString m_folder;
    QStringList m_ancestors; // full paths from "/" to the folder itself
    QStringList m_subfolders;
};

} // namespace filesystem
