// Keeps the drive, folder and file views on one folder and mask, and the found-files panel current.
#pragma once

#include <QObject>
#include <functional>

class QComboBox;

namespace widgets {
class DriveView;
class FileListView;
class FolderView;
} // namespace widgets

namespace selection {

/// "Найдено файлов: " + platform::signedNumberText(count): two blanks between the colon and the
/// digits.
QString foundFilesText(qsizetype count);

class FileSelection : public QObject {
    Q_OBJECT

public:
    /// Connects drvDir.changed, Dir.changed and cboMask's edits and choices to the handlers.
    /// `writePanel` writes the found-files panel.
    FileSelection(widgets::DriveView& drvDir, widgets::FolderView& Dir, QComboBox& cboMask,
                  widgets::FileListView& File1, widgets::FileListView& File2,
                  std::function<void(const QString&)> writePanel, QObject* parent = nullptr);

    // Virtual so that a test can record the nesting of the handlers.
    virtual void cboMask_Change();
    virtual void cboMask_Click();
    virtual void Dir_Change();
    virtual void drvDir_Change();
    /// The panel text from File1's count; Form_Load calls it.
    void writeFoundFiles();

private:
    void maskSteps();
    void pointFileViews();
    void recoverDrive();

    widgets::DriveView& m_drvDir;
    widgets::FolderView& m_Dir;
    QComboBox& m_cboMask;
    widgets::FileListView& m_File1;
    widgets::FileListView& m_File2;
    std::function<void(const QString&)> m_writePanel;
    bool m_recovering = false;
    bool m_textJustChanged = false;
};

} // namespace selection
