// A file view over a real folder for the rename tests and benchmark: readdir, byte order, a mask.
#pragma once

#include "platform/file_view.h"

#include <QByteArrayList>
#include <QFile>
#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>

/// Lists the regular files of a folder that are not hidden and pass `filter`, in byte order, with
/// their real name bytes; refresh() lists again. Counts its refreshes.
class FolderRows final : public platform::FileView {
public:
    using Filter = std::function<bool(const QByteArray&)>;

    explicit FolderRows(QString path, Filter filter = {})
        : m_path(std::move(path))
        , m_filter(std::move(filter)) {
        list();
    }

    QString path() const override { return m_path; }
    qsizetype count() const override { return m_names.size(); }
    QString name(qsizetype row) const override { return QFile::decodeName(nameBytes(row)); }
    QByteArray nameBytes(qsizetype row) const override { return m_names.value(row); }
    void refresh() override {
        ++refreshes;
        list();
    }

    int refreshes = 0;

private:
    void list() {
        m_names.clear();
        DIR* folder = ::opendir(QFile::encodeName(m_path).constData());
        if (!folder)
            return;
        while (const dirent* entry = ::readdir(folder)) {
            const QByteArray name(entry->d_name);
            if (name.startsWith('.'))
                continue;
            bool regular = entry->d_type == DT_REG;
            if (entry->d_type == DT_UNKNOWN) {
                struct stat status;
                regular =
                    ::fstatat(::dirfd(folder), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
                    S_ISREG(status.st_mode);
            }
            if (regular && (!m_filter || m_filter(name)))
                m_names.append(name);
        }
        ::closedir(folder);
        std::sort(m_names.begin(), m_names.end());
    }

    QString m_path;
    Filter m_filter;
    QByteArrayList m_names;
};
