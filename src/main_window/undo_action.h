// The undo of the latest pass from the window: one action, carrying Ctrl+Z, in the context menu
// of each file list, and the flow from the question to the views re-read.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <initializer_list>

class QAction;
class QMenu;
class QWidget;

namespace platform {
class Dialogs;
class FileRenamer;
class Progress;
} // namespace platform

namespace main_window {

class BusyState;

class UndoAction final : public QObject {
public:
    /// What the undo works with, all living as long as the window.
    struct Window {
        QWidget& window;
        BusyState& busy;
        platform::Dialogs& dialogs;
        platform::FileRenamer& renamer;
        platform::Progress& progress;
        /// The folder of journals the passes are read back from.
        QString journals;
        /// The folder the shown page lists.
        std::function<QString()> shownFolder;
        /// Re-reads the views once the files have their old names back, still under the busy
        /// window.
        std::function<void()> showRestored;
    };

    /// The action goes on `window`, for its shortcut, and on the context menu of `lists`.
    UndoAction(Window window, std::initializer_list<QWidget*> lists);

    QAction* action() const { return m_action; }
    /// Puts the action on `menu`, enabled or not as the disk says when the menu opens.
    void addToMenu(QMenu& menu);

    /// Takes back the latest pass in the folder shown that is not undone yet, after asking.
    void undoRename();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    /// Enabled while nothing is busy and the folder shown has a pass to undo. Read from the disk
    /// just before it matters: when a menu opens, and when Ctrl+Z is about to be taken.
    void updateEnabled();

    Window m_window;
    QAction* m_action;
    QMenu* m_menu;
};

} // namespace main_window
