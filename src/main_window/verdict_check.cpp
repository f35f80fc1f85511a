// The check of a completed preview.
#include "verdict_check.h"

#include "filesystem/file_list_model.h"
#include "platform/folder_survey.h"
#include "platform/name_list_model.h"
#include "widgets/file_list_view.h"

namespace main_window {

VerdictCheck::VerdictCheck(const platform::NameListModel& newNames,
                           std::unique_ptr<platform::FolderSurveyor> surveyor, Show show)
    : m_newNames(newNames)
    , m_surveyor(std::move(surveyor))
    , m_show(std::move(show)) {
    m_checks.setMaxThreadCount(1);
    m_settle.setSingleShot(true);
    m_settle.setInterval(150);
    connect(&m_settle, &QTimer::timeout, this, &VerdictCheck::startCheck);
    connect(&m_folder, &QFileSystemWatcher::directoryChanged, &m_settle,
            qOverload<>(&QTimer::start));
}

VerdictCheck::~VerdictCheck() {
    m_checks.clear();
    m_checks.waitForDone();
}

void VerdictCheck::checkRenames(const widgets::FileListView* File2) {
    disregard();
    m_files = File2;
    m_folder.addPath(File2->fileModel()->path());
    startCheck();
}

void VerdictCheck::startCheck() {
    const widgets::FileListView* File2 = m_files;
    if (!File2)
        return;
    // Off the user-interface thread, so the preview is no slower: a large folder's check takes
    // as long as the preview itself. It works on copies: the names, the listing, the folder.
    const quint64 check = ++m_check;
    m_checks.start([this, check, newNames = m_newNames.items(),
                    currentFiles = File2->fileModel()->snapshot(), surveyor = m_surveyor.get()] {
        QList<renaming::Verdict> failing = renaming::failingRows(
            newNames, *currentFiles,
            surveyor->survey(currentFiles->path(),
                             renaming::renamedFiles(newNames, *currentFiles)));
        QMetaObject::invokeMethod(
            this,
            [this, check, failing = std::move(failing)] {
                // A preview gone stale meanwhile takes no marks.
                if (check == m_check)
                    showVerdicts(failing);
            },
            Qt::QueuedConnection);
    });
}

void VerdictCheck::disregard() {
    ++m_check;
    m_checks.clear();
    m_settle.stop();
    m_files = nullptr;
    if (const QStringList watched = m_folder.directories(); !watched.isEmpty())
        m_folder.removePaths(watched);
}

} // namespace main_window
