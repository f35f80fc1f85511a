// The file view widget.
#include "widgets/file_list_view.h"

namespace widgets {

FileListView::FileListView(QWidget* parent)
    : QListView(parent)
    , m_model(new filesystem::FileListModel(this)) {
    // Every row has one height, so a view of 100,000 names lays out without measuring each.
    setUniformItemSizes(true);
    setEditTriggers(NoEditTriggers);
    setModel(m_model);
}

} // namespace widgets
