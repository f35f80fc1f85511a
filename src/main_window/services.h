// What the main window works through, built by the program or by a test.
#pragma once

#include "journal/journal.h"
#include "platform/dialogs.h"
#include "platform/file_renamer.h"
#include "platform/folder_survey.h"
#include "widgets/qt_dialogs.h"

#include <memory>

namespace main_window {

/// The dialogs and the renamer are shared with whoever built them, and must outlive the window.
/// The journal and the surveyor go with the window: its passes and its checks use them to the
/// end.
struct Services {
    platform::Dialogs& dialogs;
    platform::FileRenamer& renamer;
    std::unique_ptr<journal::PassJournal> journal;
    std::unique_ptr<platform::FolderSurveyor> surveyor;
    /// The dialogs and the renamer themselves, when the window is to keep them; Qt's dialogs
    /// kept so are placed over the window.
    std::unique_ptr<widgets::QtDialogs> ownDialogs = {};
    std::unique_ptr<platform::FileRenamer> ownRenamer = {};
};

} // namespace main_window
