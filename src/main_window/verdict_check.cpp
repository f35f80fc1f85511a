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
}

VerdictCheck::~VerdictCheck() {
    m_checks.clear();
    m_checks.waitForDone();
}

void VerdictCheck::checkRenames(const widgets::FileListView* File2) {
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
}

} // namespace main_window
