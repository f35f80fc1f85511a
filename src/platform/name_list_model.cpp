// The new-name list model.
#include "platform/name_list_model.h"

#include "platform/file_names.h"

namespace platform {

NameListModel::NameListModel(QObject* parent)
    : QAbstractListModel(parent) {}

QString NameListModel::item(qsizetype row) const {
    return row >= 0 && row < m_items.size() ? m_items.at(row) : QString();
}

void NameListModel::setItem(qsizetype row, const QString& text) {
    if (row < 0 || row >= m_items.size() || m_items.at(row) == text)
        return;
    m_items[row] = text;
    const QModelIndex changed = index(int(row));
    emit dataChanged(changed, changed, {Qt::DisplayRole});
}

void NameListModel::addItems(const QStringList& texts) {
    if (texts.isEmpty())
        return;
    beginInsertRows({}, int(m_items.size()), int(m_items.size() + texts.size() - 1));
    // Into an empty list the texts come as they are, shared rather than copied row by row.
    if (m_items.isEmpty())
        m_items = texts;
    else
        m_items.append(texts);
    endInsertRows();
}

void NameListModel::clear() {
    beginResetModel();
    m_items.clear();
    m_marks.clear();
    endResetModel();
    setListIndex(-1);
}

void NameListModel::setListIndex(qsizetype row) {
    if (row < -1 || row >= m_items.size())
        row = -1;
    if (row == m_listIndex)
        return;
    m_listIndex = row;
    emit listIndexChanged(row);
}

void NameListModel::setMarks(QHash<qsizetype, QString> reasons) {
    reasons.removeIf([this](QHash<qsizetype, QString>::iterator mark) {
        return mark.key() < 0 || mark.key() >= count();
    });
    if (reasons.isEmpty() && m_marks.isEmpty())
        return;
    m_marks = std::move(reasons);
    marksChanged();
}

void NameListModel::clearMarks() {
    if (m_marks.isEmpty())
        return;
    m_marks.clear();
    marksChanged();
}

void NameListModel::marksChanged() {
    if (m_items.isEmpty())
        return;
    // The roles a mark shows in; the names themselves stay as they are.
    emit dataChanged(
        index(0), index(int(m_items.size() - 1)),
        {Qt::ToolTipRole, Qt::AccessibleDescriptionRole, Qt::DecorationRole, Qt::ForegroundRole});
}

int NameListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_items.size());
}

QVariant NameListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_items.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return shownFileName(m_items.at(index.row()));
    if (role == Qt::ToolTipRole || role == Qt::AccessibleDescriptionRole) {
        const auto mark = m_marks.constFind(index.row());
        if (mark != m_marks.cend())
            return *mark;
    }
    return {};
}

} // namespace platform
