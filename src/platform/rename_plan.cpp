// The plan of a rename pass, read off a file view.
#include "platform/rename_plan.h"

#include "platform/file_view.h"

namespace platform {

namespace {

/// The rows of a view that shares no listing, copied once.
class CopiedRows final : public FileView {
public:
    explicit CopiedRows(const FileView& rows)
        : m_path(rows.path())
        , m_names(rows.names()) {
        m_ids.reserve(m_names.size());
        for (qsizetype row = 0; row < m_names.size(); ++row)
            m_ids.append(rows.fileId(row));
    }

    QString path() const override { return m_path; }
    qsizetype count() const override { return m_names.size(); }
    QString name(qsizetype row) const override { return m_names.value(row); }
    quint64 fileId(qsizetype row) const override { return m_ids.value(row); }
    void refresh() override {}

private:
    QString m_path;
    QStringList m_names;
    QList<quint64> m_ids;
};

} // namespace

RowNames::RowNames(std::shared_ptr<const FileView> rows)
    : m_rows(std::move(rows)) {}

qsizetype RowNames::size() const {
    return m_rows ? m_rows->count() : 0;
}

QString RowNames::at(qsizetype row) const {
    return m_rows ? m_rows->name(row) : QString();
}

RenamePlan renamePlan(const FileView& files, QStringList newNames) {
    std::shared_ptr<const FileView> rows = files.snapshot();
    if (!rows)
        rows = std::make_shared<const CopiedRows>(files);
    RenamePlan plan{rows->path(), RowNames(rows), std::move(newNames), {}};
    plan.fileIds.reserve(rows->count());
    for (qsizetype row = 0; row < rows->count(); ++row)
        plan.fileIds.append(rows->fileId(row));
    return plan;
}

} // namespace platform
