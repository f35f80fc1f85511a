// How a list shows the rows its model marks (a reason under Qt::ToolTipRole): a small warning
// sign before the text, and the text in an error colour that suits the list's palette.
#pragma once

#include <QStyledItemDelegate>

namespace widgets {

class MarkedRowDelegate final : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

/// A red that reads well on `palette`'s base colour, light or dark: palettes have no colour of
/// their own for errors.
QColor errorColor(const QPalette& palette);

} // namespace widgets
