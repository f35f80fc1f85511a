// Marked rows of a list.
#include "widgets/marked_rows.h"

#include "widgets/icons.h"

namespace widgets {

void MarkedRowDelegate::initStyleOption(QStyleOptionViewItem* option,
                                        const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.data(Qt::ToolTipRole).toString().isEmpty())
        return;
    // As tall as the text, so the row keeps the height of the others (the list takes every
    // row's size from the first).
    const int side = option->fontMetrics.height();
    option->features |= QStyleOptionViewItem::HasDecoration;
    option->icon = warningIcon();
    option->decorationSize = QSize(side, side);
    option->palette.setColor(QPalette::Text, errorColor(option->palette));
}

QColor errorColor(const QPalette& palette) {
    // Both keep a contrast of well over 4.5 to 1 with white and with near-black respectively.
    return palette.color(QPalette::Base).lightness() >= 128 ? QColor(0xb0, 0x00, 0x00)
                                                            : QColor(0xff, 0x8a, 0x80);
}

} // namespace widgets
