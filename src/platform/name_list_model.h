// The new-name list (lstNew): an unsorted list model that the preview fills and the pass reads.
#pragma once

#include <QAbstractListModel>
#include <QHash>
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
    /// Empties the list, and its marks with it.
    void clear();
    const QStringList& items() const { return m_items; }

    /// Highlights `row` (ListIndex); -1, or a row past the end, for none. listIndexChanged tells
    /// the view.
    void setListIndex(qsizetype row);

    /// Marks rows whose rename will fail, each with the reason the user reads: the row's tooltip
    /// and accessible description. Replaces the marks there were; rows past the end are ignored.
    void setMarks(QHash<qsizetype, QString> reasons);
    /// Drops every mark; the names stay.
    void clearMarks();
    /// The reason row `row` is marked with; "" when it is not marked.
    QString mark(qsizetype row) const { return m_marks.value(row); }
    qsizetype markCount() const { return m_marks.size(); }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

signals:
    void listIndexChanged(qsizetype row);

private:
    void marksChanged();

    QStringList m_items;
    QHash<qsizetype, QString> m_marks;
    qsizetype m_listIndex = -1;
};

} // namespace platform
