// The folder view (Dir): a directory list of the current folder's ancestors and subfolders.
#pragma once

#include "filesystem/folder_list_model.h"

#include <QListView>

namespace widgets {

class FolderDelegate;

class FolderView : public QListView {
    Q_OBJECT

public:
    /// Starts at the process's current folder.
    explicit FolderView(QWidget* parent = nullptr);

    QString path() const { return m_model->folder(); }
    /// Moves to `path`; false, and nothing changes, when it cannot be opened. Emits changed()
    /// before returning when the path differs, so the handler has run to its end on return.
    [[nodiscard]] bool setPath(const QString& path);

    filesystem::FolderListModel* folderModel() const { return m_model; }
    /// Where the row's name is drawn, in viewport coordinates; the name is cut short to its width.
    QRect nameRect(const QModelIndex& index) const;

signals:
    /// The path changed, by the user (double-click or Enter on a folder) or by code.
    void changed();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    bool list(const QString& path);
    void showFolderAndItsSubfolders();

    filesystem::FolderListModel* m_model;
    FolderDelegate* m_delegate = nullptr;
};

} // namespace widgets
