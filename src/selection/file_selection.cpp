// The four handlers of the selection page. Writes to the views happen in a fixed order, and a
// write to the folder or drive view runs its change handler nested, before the write returns.
#include "file_selection.h"

#include "platform/text.h"
#include "widgets/drive_view.h"
#include "widgets/file_list_view.h"
#include "widgets/folder_view.h"

#include <QComboBox>
#include <QScopedValueRollback>
#include <QTimer>
#include <utility>

using namespace Qt::StringLiterals;

namespace selection {

QString foundFilesText(qsizetype count) {
    return u"Найдено файлов: "_s + platform::signedNumberText(count);
}

FileSelection::FileSelection(widgets::DriveView& drvDir, widgets::FolderView& Dir,
                             QComboBox& cboMask, widgets::FileListView& File1,
                             widgets::FileListView& File2,
                             std::function<void(const QString&)> writePanel, QObject* parent)
    : QObject(parent)
    , m_drvDir(drvDir)
    , m_Dir(Dir)
    , m_cboMask(cboMask)
    , m_File1(File1)
    , m_File2(File2)
    , m_writePanel(std::move(writePanel)) {
    connect(&drvDir, &widgets::DriveView::changed, this, [this] { drvDir_Change(); });
    connect(&Dir, &widgets::FolderView::changed, this, [this] {
        // The drive view remembers each volume's current folder, so going back to a drive goes
        // back to where the user was on it.
        m_drvDir.noteVisited(m_Dir.path());
        Dir_Change();
    });
    connect(&cboMask, &QComboBox::editTextChanged, this, [this] {
        // Noted until the event being handled is done: a choice of another item changes the
        // text, which runs these steps, and then reports the choice in the same event.
        m_textJustChanged = true;
        QTimer::singleShot(0, this, [this] { m_textJustChanged = false; });
        cboMask_Change();
    });
    connect(&cboMask, &QComboBox::activated, this, [this] {
        // Running the steps twice for one choice would only read a large folder once more. A
        // choice of the item already shown changes no text, and re-lists the folder here.
        if (!std::exchange(m_textJustChanged, false))
            cboMask_Click();
    });
}

void FileSelection::cboMask_Change() {
    maskSteps();
}

void FileSelection::cboMask_Click() {
    maskSteps();
}

void FileSelection::maskSteps() {
    // File1's Path is the folder view's already; writing both at once also points a view that
    // has not been pointed yet, at start-up, without a reading under the mask it has yet to get.
    pointFileViews();
}

void FileSelection::Dir_Change() {
    pointFileViews();
}

void FileSelection::pointFileViews() {
    // Path and Pattern are written together and File2 shows File1's rows: a large folder is read
    // once per change, not once per write and view.
    m_File1.fileModel()->setFolder(m_Dir.path(), m_cboMask.currentText());
    m_File2.fileModel()->showSameAs(*m_File1.fileModel());
    writeFoundFiles();
}

void FileSelection::drvDir_Change() {
    // Each setPath runs Dir_Change to its end before it returns, so step 2 reads the folder that
    // step 1 reached.
    if (!m_Dir.setPath(m_drvDir.drive())) {
        recoverDrive();
        return;
    }
    const QString root = m_drvDir.rootOf(m_Dir.path());
    if (root.isEmpty() || !m_Dir.setPath(root))
        recoverDrive();
}

void FileSelection::recoverDrive() {
    // Restoring the drive runs the drive steps again, nested. Should they fail as well, the views
    // stay where they are: a second restore would only start the same round again.
    if (m_recovering)
        return;
    QScopedValueRollback recovering(m_recovering, true);
    (void)m_drvDir.setDrive(m_Dir.path());
}

void FileSelection::writeFoundFiles() {
    if (m_writePanel)
        m_writePanel(foundFilesText(m_File1.fileModel()->count()));
}

} // namespace selection
