// A file view (File1, File2): the files of a folder under a mask, in a model-backed list view.
#pragma once

#include "filesystem/file_list_model.h"
#include "platform/file_view.h"

#include <QListView>

namespace widgets {

class FileListView : public QListView, public platform::FileView {
    Q_OBJECT

public:
    /// Starts at the process's current folder under "*.*".
    explicit FileListView(QWidget* parent = nullptr);

    QString path() const override { return m_model->path(); }
    /// Re-lists (filesystem::FileListModel::setPath); an unreadable folder lists empty.
    void setPath(const QString& path) { m_model->setPath(path); }
    QString pattern() const { return m_model->pattern(); }
    /// Re-lists.
    void setPattern(const QString& pattern) { m_model->setPattern(pattern); }
    qsizetype count() const override { return m_model->count(); }
    QString name(qsizetype row) const override { return m_model->name(row); }
    QByteArray nameBytes(qsizetype row) const override { return m_model->nameBytes(row); }
    void refresh() override { m_model->refresh(); }

private:
    filesystem::FileListModel* m_model;
};

} // namespace widgets
