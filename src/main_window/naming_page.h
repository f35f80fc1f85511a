// The naming page: the naming parameters, the two lists, the progress bar and the count of rows
// that will fail in its place.
#pragma once

#include "naming/naming_rule.h"

#include <QtGlobal>

class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QWidget;

namespace platform {
class NameListModel;
}

namespace widgets {
class FileListView;
class ProgressBar;
} // namespace widgets

namespace main_window {

class NamingPage {
public:
    /// Builds the page's controls on `fra2`; lstNew shows `newNames`.
    NamingPage(QWidget* fra2, platform::NameListModel& newNames);

    /// What txtName, cboDop and cboEnd hold, the ending with its dot.
    naming::NamingParameters parameters() const;

    /// Shows how many rows will fail in the progress bar's place, where a screen reader hears it
    /// whatever holds the focus.
    void showFailingCount(qsizetype failing);
    /// Gives the progress bar its place back.
    void clearFailingCount();

    QWidget* const fra2;
    widgets::ProgressBar* prb1 = nullptr;
    QPushButton* cmdLook = nullptr;
    QListView* lstNew = nullptr;
    QLabel* lblVerdicts = nullptr;
    widgets::FileListView* File2 = nullptr;
    QComboBox* cboEnd = nullptr;
    QComboBox* cboDop = nullptr;
    QLineEdit* txtName = nullptr;
    QPushButton* cmdBack = nullptr;
    QPushButton* cmdExit = nullptr;
    QPushButton* cmdRename = nullptr;
};

} // namespace main_window
