// Keeps the drive, folder and file views on one folder and mask, and the found-files panel current.
#pragma once

#include <QObject>
#include <functional>

class QComboBox;

namespace platform {
class DriveView;
class FileListView;
class FolderView;
} // namespace platform

namespace selection {

/// "Найдено файлов: " + platform::numberText(count): two blanks between the colon and the digits.
QString foundFilesText(qsizetype count);

class FileSelection : public QObject {
    Q_OBJECT

public:
    /// Connects drvDir.changed, Dir.changed and cboMask's edits and choices to the handlers.
    /// `writePanel` writes the found-files panel.
    FileSelection(platform::DriveView& drvDir, platform::FolderView& Dir, QComboBox& cboMask,
                  platform::FileListView& File1, platform::FileListView& File2,
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
    void recoverDrive();

    platform::DriveView& m_drvDir;
    platform::FolderView& m_Dir;
    QComboBox& m_cboMask;
    platform::FileListView& m_File1;
    platform::FileListView& m_File2;
    std::function<void(const QString&)> m_writePanel;
    bool m_recovering = false;
    bool m_textJustChanged = false;
};

} // namespace selection
