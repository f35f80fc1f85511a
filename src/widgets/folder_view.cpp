// The folder view widget: each row indented by its depth, open folders with an open icon.
#include "widgets/folder_view.h"

#include "filesystem/file_list_model.h"
#include "filesystem/folder_lister.h"

#include <QApplication>
#include <QDir>
#include <QStyle>
#include <QStyledItemDelegate>

namespace widgets {

namespace {

class FolderDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem indented = option;
        indented.rect.adjust(indent(option, index), 0, 0, 0);
        QStyledItemDelegate::paint(painter, indented, index);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(indent(option, index), 0);
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const QStyle* style = option->widget ? option->widget->style() : QApplication::style();
        option->icon =
            style->standardIcon(index.data(filesystem::FolderListModel::IsOpenRole).toBool()
                                    ? QStyle::SP_DirOpenIcon
                                    : QStyle::SP_DirClosedIcon);
        option->features |= QStyleOptionViewItem::HasDecoration;
    }

private:
    static int indent(const QStyleOptionViewItem& option, const QModelIndex& index) {
        return index.data(filesystem::FolderListModel::DepthRole).toInt() *
               option.fontMetrics.height();
    }
};

} // namespace

FolderView::FolderView(QWidget* parent)
    : QListView(parent)
    , m_model(new filesystem::FolderListModel(this)) {
    setUniformItemSizes(true);
    setEditTriggers(NoEditTriggers);
    setItemDelegate(new FolderDelegate(this));
    setModel(m_model);
    // Activation is a double-click or Enter, as the style defines it.
    connect(this, &QAbstractItemView::activated, this, [this](const QModelIndex& index) {
        if (!setPath(index.data(filesystem::FolderListModel::PathRole).toString()))
            list(path()); // the folder has gone: drop it from the list if this one still opens
    });
    const QString start = filesystem::cleanFolderPath(QDir::currentPath());
    if (!list(start))
        m_model->show(start, {});
}

bool FolderView::setPath(const QString& path) {
    const QString folder = filesystem::cleanFolderPath(path);
    const bool differs = folder != m_model->folder();
    if (!list(folder))
        return false;
    if (differs)
        emit changed();
    return true;
}

bool FolderView::list(const QString& folder) {
    const std::optional<filesystem::NameList> subfolders = filesystem::listSubfolders(folder);
    if (!subfolders)
        return false;
    m_model->show(folder, subfolders->toStringList());
    setCurrentIndex(m_model->index(m_model->folderRow()));
    return true;
}

} // namespace widgets
