// The check of a completed preview, off the user-interface thread: which rows' renames will fail
// on the folder as it is now.
#pragma once

#include "renaming/verdicts.h"

#include <QFileSystemWatcher>
#include <QList>
#include <QObject>
#include <QThreadPool>
#include <QTimer>
#include <functional>
#include <memory>

namespace platform {
class FolderSurveyor;
class NameListModel;
} // namespace platform

namespace widgets {
class FileListView;
}

namespace main_window {

class VerdictCheck final : public QObject {
public:
    using Show = std::function<void(const QList<renaming::Verdict>& failing)>;

    /// Checks the names of `newNames` against the folder that `surveyor` reads, and hands the
    /// failing rows of the latest check to `show`.
    VerdictCheck(const platform::NameListModel& newNames,
                 std::unique_ptr<platform::FolderSurveyor> surveyor, Show show);
    /// Waits for a check still running: it reads only its own copies, but reports here.
    ~VerdictCheck() override;
    Q_DISABLE_COPY_MOVE(VerdictCheck)

    /// Starts the check of the preview of File2's rows; only the latest one started counts. Until
    /// disregard(), every change in the folder checks the same preview again, so that the marks
    /// stay true of the folder as it is.
    void checkRenames(const widgets::FileListView* File2);
    /// A check still running or waiting is disregarded, and the folder no longer watched.
    void disregard();
    /// Waits for a check still running, disregarded or not: a pass that follows then has the
    /// folder, and the memory the check's survey takes, to itself.
    void finish() { m_checks.waitForDone(); }
    /// Goes up with every check started or disregarded: a preview that noted it can tell
    /// whether it is still the latest.
    const quint64& generation() const { return m_check; }

private:
    void showVerdicts(const QList<renaming::Verdict>& failing) { m_show(failing); }
    void startCheck();

    const platform::NameListModel& m_newNames;
    std::unique_ptr<platform::FolderSurveyor> m_surveyor;
    Show m_show;
    quint64 m_check = 0;
    const widgets::FileListView* m_files = nullptr;
    QFileSystemWatcher m_folder;
    /// Gathers the changes of a burst (a copy of many files) into one check.
    QTimer m_settle;
    QThreadPool m_checks;
};

} // namespace main_window
