// A file view over a fixed list of names, for tests where no folder on disk is needed.
#pragma once

#include "platform/file_view.h"

#include <QStringList>

class FakeFileView final : public platform::FileView {
public:
    QStringList names;
    QString folder;

    FakeFileView() = default;
    explicit FakeFileView(QStringList rows, QString path = {})
        : names(std::move(rows))
        , folder(std::move(path)) {}

    QString path() const override { return folder; }
    qsizetype count() const override { return names.size(); }
    QString name(qsizetype row) const override {
        return row >= 0 && row < names.size() ? names.at(row) : QString();
    }
    void refresh() override {}
};
