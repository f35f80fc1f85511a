// A file view (File1, File2): the files of a folder under a mask, in a model-backed list view.
#pragma once

#include "filesystem/file_list_model.h"

#include <QListView>

namespace widgets {

class FileListView : public QListView {
    Q_OBJECT

public:
    /// Starts empty, at no folder: the selection handlers point it.
    explicit FileListView(QWidget* parent = nullptr);

    /// The rows: the engine reads them as a platform::FileView.
    filesystem::FileListModel* fileModel() const { return m_model; }

private:
    filesystem::FileListModel* m_model;
};

} // namespace widgets
