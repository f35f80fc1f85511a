// The rename pass: applies the new-name list to the files of the folder on disk.
#pragma once

#include <QtGlobal>

namespace platform {
class Dialogs;
class FileRenamer;
class FileView;
class NameListModel;
class PassJournal;
class Progress;
} // namespace platform

namespace renaming {

struct RenameContext {
    platform::FileView& File1;
    platform::FileView& File2;
    platform::NameListModel& lstNew;
    platform::Progress& prb1;
    platform::Dialogs& dialogs;
    platform::FileRenamer& renamer;
    /// Where the plan goes before the first rename, so the pass can be undone; none in tests that
    /// need no undo.
    platform::PassJournal* journal = nullptr;
};

/// Swap pre-pass, one rename per row with one message per failure, then the closing steps on the
/// lists. The caller sets the hourglass around it and disables cmdRename afterwards. A stop request
/// (platform::stopRequested) or a folder that is lost mid-pass ends the rename loop early; the
/// closing steps still run. Returns how many rows were left as they were by that.
qsizetype renamePass(const RenameContext& context);

} // namespace renaming
