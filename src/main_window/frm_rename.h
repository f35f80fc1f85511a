// The main window: the selection page and the naming page, their controls and their handlers.
#pragma once

#include "main_window/busy_state.h"
#include "main_window/services.h"
#include "platform/name_list_model.h"
#include "renaming/rename_pass.h"
#include "renaming/verdicts.h"

#include <QList>
#include <QWidget>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;

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

class FileOrderMenu;
class NamingPage;
class SelectionPage;
class ShownNewNames;
class TracedRenamer;
class UndoAction;
class VerdictCheck;

/// Gives the application Qt's compact "Windows" widget style. The windows are laid out to the twip
/// for its metrics; a style with roomier ones would cut off combo-box text and frame captions.
void useClassicStyle();

class frmRename final : public QWidget {
    Q_OBJECT

public:
    explicit frmRename(Services services, QWidget* parent = nullptr);
    /// For tests: the window over the real disk, with journals in journal::defaultDirectory(),
    /// talking through `dialogs` (Qt's when null) and renaming through `renamer` (the real disk's
    /// when null); those given must outlive the window.
    explicit frmRename(platform::Dialogs* dialogs, platform::FileRenamer* renamer = nullptr,
                       QWidget* parent = nullptr);
    ~frmRename() override;

    /// Goes to `folder` (clean and absolute) as if the user had chosen it in the folder view;
    /// false, and nothing changes, when it cannot be opened.
    bool openFolder(const QString& folder);

signals:
    /// A completed preview's rows have been checked, and those whose rename will fail marked.
    void verdictsShown();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void connectHandlers();
    /// The top-left corner of a preview's input box, in twips from the screen's top-left.
    QPointF inputBoxPosition() const;
    /// Runs a preview or a rename pass while the window is busy (BusyState::run).
    template <class Work> void whileBusy(Work work) { m_busyState->run(std::move(work)); }

    void Form_Load();
    void cmdOK_Click();
    void cmdBack_Click();
    void cmdExit_Click(int index);
    void cmdAbout_Click();
    void cmdLook_Click();
    /// The preview: new names for File2's rows from the naming page's texts, into lstNew.
    void BuildNewNames();
    void cmdRename_Click();
    /// The Change and Click handlers of txtName, cboEnd and cboDop: each makes the preview stale.
    void namingParameter_Change();
    /// Takes back the latest pass in the folder shown that is not undone yet, after asking.
    void undoRename();
    QString shownFolder() const;
    /// Starts the check of a completed preview: which rows' renames will fail on the folder now.
    void checkRenames();
    /// Marks the rows the check found, and counts them in the bar's place.
    void showVerdicts(const QList<renaming::Verdict>& failing);
    /// Drops the marks and the count, and gives the bar its place back; the names stay. A check
    /// still running is disregarded.
    void clearVerdicts();

    std::unique_ptr<widgets::QtDialogs> m_ownDialogs;
    std::unique_ptr<platform::FileRenamer> m_ownRenamer;
    std::unique_ptr<journal::PassJournal> m_journal;
    platform::Dialogs* m_dialogs = nullptr;
    platform::FileRenamer* m_renamer = nullptr;
    std::unique_ptr<TracedRenamer> m_tracedRenamer;
    platform::NameListModel m_newNames;
    std::unique_ptr<VerdictCheck> m_verdicts;
    /// The latest check's number, which a preview notes to tell whether it is still the latest.
    const quint64& m_check;
    std::unique_ptr<SelectionPage> m_selectionPage;
    std::unique_ptr<NamingPage> m_namingPage;
    std::unique_ptr<ShownNewNames> m_shownNewNames;
    // Goes before the views it is wired to, which the QWidget base deletes last.
    std::unique_ptr<selection::FileSelection> m_selection;
    std::unique_ptr<BusyState> m_busyState;
    UndoAction* m_undo = nullptr;
    FileOrderMenu* m_order = nullptr;

    // The controls, by the names the handlers and the tests use for them.
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
    QLabel* lblVerdicts = nullptr;
    QPushButton* cmdBack = nullptr;
    QPushButton* cmdLook = nullptr;
    QPushButton* cmdRename = nullptr;
};

} // namespace main_window
