// Everything a preview touches, faked: the naming page, the file view, lstNew, prb1, dialogs.
#pragma once

#include "fake_dialogs.h"
#include "fake_file_view.h"
#include "fake_progress.h"
#include "naming/build_new_names.h"
#include "platform/name_list_model.h"

struct Preview {
    FakeFileView File2;
    /// txtName, cboDop and cboEnd as the window starts.
    naming::NamingParameters parameters{QStringLiteral("*"), QStringLiteral("-"),
                                        QStringLiteral(".*")};
    /// Left and Top of the main window, in twips; negative on a screen left of the primary one.
    QPointF position{-300, 80};
    platform::NameListModel lstNew;
    FakeProgress prb1;
    FakeDialogs dialogs;
    /// The row lstNew last highlighted; -1 for none.
    qsizetype highlighted = -1;

    Preview() {
        QObject::connect(&lstNew, &platform::NameListModel::listIndexChanged,
                         [this](qsizetype row) { highlighted = row; });
    }
    Q_DISABLE_COPY_MOVE(Preview)

    naming::NamingContext context(platform::Dialogs* otherDialogs = nullptr) {
        return {File2, lstNew, prb1, otherDialogs ? *otherDialogs : dialogs,
                [this] { return position; }};
    }
    void build() { naming::BuildNewNames(context(), parameters); }
};
