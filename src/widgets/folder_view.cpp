// The folder view widget: each row indented by its depth, open folders with an open icon.
#include "widgets/folder_view.h"

#include "filesystem/folder_lister.h"

#include <QApplication>
#include <QStyle>
#include <QStyledItemDelegate>
#include <algorithm>

namespace widgets {

namespace {

// The deepest rows together are indented by at most this share of the view's width, so that a
// name ten folders down still has room beside its icon.
constexpr int kIndentShare = 5;

} // namespace

class FolderDelegate : public QStyledItemDelegate {
public:
    explicit FolderDelegate(FolderView* view)
        : QStyledItemDelegate(view)
        , m_view(view) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, indented(option, index), index);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        // Never wider than the view: a long name is cut short with "…", and its row's tooltip
        // gives the whole path, so the list never scrolls sideways.
        QSize hint = QStyledItemDelegate::sizeHint(option, index) + QSize(indent(option, index), 0);
        hint.setWidth(std::min(hint.width(), m_view->viewport()->width()));
        return hint;
    }

    QStyleOptionViewItem indented(const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
        QStyleOptionViewItem shifted = option;
        shifted.rect.adjust(indent(option, index), 0, 0, 0);
        return shifted;
    }

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
    int indent(const QStyleOptionViewItem& option, const QModelIndex& index) const {
        // A step of one line height while the rows are shallow; deeper, the steps
        // shrink together, down to a few pixels, instead of pushing the names out of view.
        const int deepest = std::max(m_view->folderModel()->folderRow() + 1, 1);
        const int room = m_view->viewport()->width() / kIndentShare;
        const int step = std::clamp(room / deepest, 3, option.fontMetrics.height());
        return index.data(filesystem::FolderListModel::DepthRole).toInt() * step;
    }

    const FolderView* m_view;
};

FolderView::FolderView(QWidget* parent)
    : QListView(parent)
    , m_model(new filesystem::FolderListModel(this)) {
    setUniformItemSizes(true);
    setEditTriggers(NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_delegate = new FolderDelegate(this);
    setItemDelegate(m_delegate);
    setModel(m_model);
    // Activation is a double-click or Enter, as the style defines it.
    connect(this, &QAbstractItemView::activated, this, [this](const QModelIndex& index) {
        if (!setPath(index.data(filesystem::FolderListModel::PathRole).toString()))
            list(path()); // the folder has gone: drop it from the list if this one still opens
    });
    const QString start = filesystem::cleanFolderPath(filesystem::currentFolder());
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
    showFolderAndItsSubfolders();
    return true;
}

void FolderView::showFolderAndItsSubfolders() {
    // Its parent at the top, then the folder, then as many of its subfolders as fit: where the
    // user goes next matters more than the ancestors, which scrolling up still shows.
    const int row = m_model->folderRow();
    scrollTo(m_model->index(std::max(row - 1, 0)), PositionAtTop);
}

QRect FolderView::nameRect(const QModelIndex& index) const {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    m_delegate->initStyleOption(&option, index);
    const QStyleOptionViewItem shifted = m_delegate->indented(option, index);
    return style()->subElementRect(QStyle::SE_ItemViewItemText, &shifted, this);
}

void FolderView::resizeEvent(QResizeEvent* event) {
    QListView::resizeEvent(event);
    showFolderAndItsSubfolders();
}

} // namespace widgets
