// The undo of the latest pass in a folder, shared by the window and the command line, and the
// command line that runs without a window.
#pragma once

#include "renaming/undo_pass.h"

#include <QString>
#include <string_view>
#include <vector>

namespace journal {
class RecordedPass;
}
namespace platform {
class FileRenamer;
class Progress;
} // namespace platform

namespace main_window {

/// Undoes `pass`, of which `toRestore` rows are to be moved back, and records it as undone
/// unless it was stopped or every one of those rows failed: a read-only folder, say, leaves the
/// pass to be tried again rather than skipped.
renaming::UndoResult runUndo(journal::RecordedPass& pass, qsizetype toRestore,
                             platform::FileRenamer& renamer, platform::Progress& progress);

/// Why a pass or an undo was refused: another one holds its folder.
QString folderBusyText();

/// Writes one line per failure on standard error, with the names' own bytes.
void reportUndoFailures(const std::vector<renaming::UndoFailure>& failures);

/// Whether `argument` is one of the options done without a window: --undo (or --undo=FOLDER),
/// --help or --version, and their short forms.
bool isCommandLineOption(std::string_view argument);

/// Whether the arguments ask for something done without a window: --undo, --help or --version.
/// Checked before any display is opened.
bool wantsCommandLine(int argc, char* argv[]);

/// Runs such a command line. For --undo: 0 when every file was restored, 1 when some were not,
/// 2 when there was nothing to undo, the undo was refused, another pass or undo holds the folder
/// or the folder cannot be opened.
int runCommandLine(int argc, char* argv[]);

} // namespace main_window
