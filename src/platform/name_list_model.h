// The new-name list (lstNew): an unsorted list model that the preview fills and the pass reads.
#pragma once

#include <QAbstractListModel>
#include <QStringList>

namespace platform {

class NameListModel : public QAbstractListModel {
    Q_OBJECT

public:
    explicit NameListModel(QObject* parent = nullptr);

    qsizetype count() const { return m_items.size(); }
    /// The entry at `row`; "" past the end, which callers use as "no such row".
    QString item(qsizetype row) const;
    /// Rewrites an existing entry in place; a row past the end is ignored.
    void setItem(qsizetype row, const QString& text);
    /// Appends entries with one notification, so a 100,000-row preview is one model change. The
    /// list is never sorted, so entry k stays the name for file row k.
    void addItems(const QStringList& texts);
    void clear();
    const QStringList& items() const { return m_items; }

    /// Highlights `row` (ListIndex); -1, or a row past the end, for none. listIndexChanged tells
    /// the view.
    void setListIndex(qsizetype row);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

signals:
    void listIndexChanged(qsizetype row);

private:
    QStringList m_items;
    qsizetype m_listIndex = -1;
};

} // namespace platform
