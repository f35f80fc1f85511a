// The selection page: drive, folder, mask and files, and the folder a file manager drops on it.
#pragma once

#include <QString>

class QComboBox;
class QLabel;
class QMimeData;
class QPushButton;
class QWidget;

namespace widgets {
class DriveView;
class FileListView;
class FolderView;
} // namespace widgets

namespace main_window {

class SelectionPage {
public:
    /// Builds the page's controls on `fra1`.
    explicit SelectionPage(QWidget* fra1);

    /// The folder to open for a drag or a drop of `data`, or "" when it brings none: the page is
    /// hidden, or no local folder or file is among its addresses.
    QString droppedFolder(const QMimeData* data) const;

    QWidget* const fra1;
    QPushButton* cmdAbout = nullptr;
    widgets::DriveView* drvDir = nullptr;
    widgets::FolderView* Dir = nullptr;
    QComboBox* cboMask = nullptr;
    widgets::FileListView* File1 = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdExit = nullptr;
    QLabel* lbl1 = nullptr;
};

} // namespace main_window
