// The new-name list (lstNew): an unsorted list model with the classic list box's operations.
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
    /// Appends at the end; the list is never sorted, so entry k stays the name for file row k.
    void addItem(const QString& text);
    /// Appends many entries with one notification, so a 100,000-row preview is one model change.
    void addItems(const QStringList& texts);
    void clear();
    const QStringList& items() const { return m_items; }

    /// The highlighted row (ListIndex); -1 when none.
    qsizetype listIndex() const { return m_listIndex; }
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
