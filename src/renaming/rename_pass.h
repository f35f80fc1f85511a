// The rename pass: applies a plan to the files of its folder on disk.
#pragma once

#include "platform/rename_plan.h"

#include <vector>

namespace platform {
class Dialogs;
class FileRenamer;
class NewNameList;
class PassJournal;
class Progress;
} // namespace platform

namespace renaming {

/// The seams a pass reaches the window and the disk through.
struct PassSeams {
    platform::FileRenamer& renamer;
    platform::Progress& progress;
    /// One message per failure.
    platform::Dialogs& dialogs;
    /// Where the plan goes before the first rename, so the pass can be undone; none in tests that
    /// need no undo.
    platform::PassJournal* journal = nullptr;
    /// Where the new names that the pre-pass exchanges are shown; none where nothing shows them.
    platform::NewNameList* list = nullptr;
};

struct PassOutcome {
    /// One per row tried, in row order: 0 when it was renamed, otherwise the errno it failed with.
    std::vector<int> errors;
    /// How many rows, the last ones, a stop request (platform::stopRequested) or a folder lost
    /// mid-pass left untried.
    qsizetype left = 0;
};

/// Swap pre-pass, then one rename per row with one message per failure. The caller sets the
/// hourglass around it, and re-reads the views, empties the bar and the new-name list afterwards.
PassOutcome renamePass(const platform::RenamePlan& plan, const PassSeams& seams);

} // namespace renaming
