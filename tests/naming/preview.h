// Everything a preview touches, faked: the naming page, the file view, lstNew, prb1, dialogs.
#pragma once

#include "fake_dialogs.h"
#include "fake_file_view.h"
#include "fake_progress.h"
#include "naming/build_new_names.h"
#include "platform/name_list_model.h"

/// The naming page's texts; each write of cboEnd.Text is recorded.
class FakeNamingPage final : public naming::NamingPage {
public:
    QString txtName = QStringLiteral("*");
    QString cboDop = QStringLiteral("-");
    QString cboEnd = QStringLiteral(".*");
    QStringList endingWrites;
    /// Left and Top of the main window, in twips; negative on a screen left of the primary one.
    QPointF position{-300, 80};

    QString baseName() const override { return txtName; }
    QString addition() const override { return cboDop; }
    QString ending() const override { return cboEnd; }
    void setEnding(const QString& text) override {
        cboEnd = text;
        endingWrites.append(text);
    }
    QPointF windowPosition() const override { return position; }
};

struct Preview {
    FakeFileView File2;
    FakeNamingPage page;
    platform::NameListModel lstNew;
    FakeProgress prb1;
    FakeDialogs dialogs;

    naming::NamingContext context(platform::Dialogs* otherDialogs = nullptr) {
        return {File2, page, lstNew, prb1, otherDialogs ? *otherDialogs : dialogs};
    }
};
