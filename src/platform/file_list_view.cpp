// The file view widget.
#include "file_list_view.h"

#include <QDir>

namespace platform {

FileListView::FileListView(QWidget* parent)
    : QListView(parent)
    , m_model(new FileListModel(this)) {
    // Every row has one height, so a view of 100,000 names lays out without measuring each.
    setUniformItemSizes(true);
    setEditTriggers(NoEditTriggers);
    setModel(m_model);
    m_model->setPath(QDir::currentPath());
}

} // namespace platform
