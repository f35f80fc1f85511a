// The main window: the selection page and the naming page, their controls and their handlers.
#pragma once

#include "naming/build_new_names.h"
#include "platform/name_list_model.h"
#include "renaming/rename_pass.h"

#include <QWidget>
#include <memory>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QMimeData;
class QPushButton;

namespace platform {
class Dialogs;
class FileRenamer;
} // namespace platform

namespace widgets {
class DriveView;
class FileListView;
class FolderView;
class ProgressBar;
class StatusBar;
} // namespace widgets

namespace selection {
class FileSelection;
}

namespace main_window {

/// Gives the application Qt's compact "Windows" widget style. The windows are laid out to the twip
/// for its metrics; a style with roomier ones would cut off combo-box text and frame captions.
void useClassicStyle();

class frmRename final : public QWidget {
    Q_OBJECT

public:
    /// Without `dialogs` or `renamer` the window uses Qt's dialogs and renames on the real disk;
    /// tests hand in their own, which must outlive the window.
    explicit frmRename(platform::Dialogs* dialogs = nullptr,
                       platform::FileRenamer* renamer = nullptr, QWidget* parent = nullptr);
    ~frmRename() override;

    /// Goes to `folder` (clean and absolute) as if the user had chosen it in the folder view;
    /// false, and nothing changes, when it cannot be opened.
    bool openFolder(const QString& folder);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void createSelectionPage();
    void createNamingPage();
    QPushButton* createButton(QWidget* page, const QString& name, const QString& tooltip,
                              const QIcon& icon);
    QGroupBox* createFrame(QWidget* page, const QString& name, const QString& caption);
    void orderTabStops();
    void connectHandlers();
    void setHourglass(bool busy);
    /// The window's outer Left (x) and Top (y), in twips from the screen's top-left.
    QPointF windowPosition() const;
    QString droppedFolder(const QMimeData* data) const;
    /// Runs a preview or a rename pass under the hourglass; the window keeps painting while they
    /// hold the thread, and a close asked for meanwhile waits for their end.
    template <class Work> void whileBusy(Work work);

    void Form_Load();
    void cmdOK_Click();
    void cmdBack_Click();
    void cmdExit_Click(int index);
    void cmdAbout_Click();
    void cmdLook_Click();
    void cmdRename_Click();
    /// The Change and Click handlers of txtName, cboEnd and cboDop: each makes the preview stale.
    void namingParameter_Change();

    std::unique_ptr<platform::Dialogs> m_ownDialogs;
    std::unique_ptr<platform::FileRenamer> m_ownRenamer;
    platform::Dialogs* m_dialogs = nullptr;
    platform::FileRenamer* m_renamer = nullptr;
    platform::NameListModel m_newNames;
    // Goes before the views it is wired to, which the QWidget base deletes last.
    std::unique_ptr<selection::FileSelection> m_selection;
    bool m_busy = false;
    bool m_closeWhenIdle = false;

    // The controls, named as everyone who works on the window calls them.
    widgets::StatusBar* sbr1 = nullptr;
    QWidget* fra1 = nullptr;
    QWidget* fra2 = nullptr;
    QLabel* lbl1 = nullptr;
    widgets::DriveView* drvDir = nullptr;
    widgets::FolderView* Dir = nullptr;
    QComboBox* cboMask = nullptr;
    widgets::FileListView* File1 = nullptr;
    QPushButton* cmdAbout = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdExit[2] = {nullptr, nullptr};
    QLineEdit* txtName = nullptr;
    QComboBox* cboDop = nullptr;
    QComboBox* cboEnd = nullptr;
    widgets::FileListView* File2 = nullptr;
    QListView* lstNew = nullptr;
    widgets::ProgressBar* prb1 = nullptr;
    QPushButton* cmdBack = nullptr;
    QPushButton* cmdLook = nullptr;
    QPushButton* cmdRename = nullptr;
};

} // namespace main_window
