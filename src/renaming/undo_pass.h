// The undo of a rename pass: every file of a journalled pass back to its old name.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace platform {
class FileRenamer;
class PassRecord;
class Progress;
} // namespace platform

namespace renaming {

/// The reason of a row whose file is gone while another file has taken its name (an editor saved
/// it anew): never an errno value.
inline constexpr int kFileReplaced = -1;

/// A file the undo could not move back, and why (an errno value, or kFileReplaced).
struct UndoFailure {
    QString name; ///< where the file is now, or its new name when it is gone
    QString oldName;
    int error = 0;
};

/// What an undo did not do.
struct UndoResult {
    std::vector<UndoFailure> failures;
    /// Rows still to be moved back when the program was asked to stop (platform::stopRequested):
    /// the row in progress finishes, these are left for the next undo.
    qsizetype left = 0;
};

/// The rows an undo of `pass` moves back or reports: renamed by the pass (or maybe renamed, when
/// it did not end), and not under their old names now.
qsizetype rowsToRestore(const platform::PassRecord& pass);

/// Moves every file of `pass` back to its old name, last row first, through `renamer`, which
/// never replaces a file: undone in reverse, each old name is free again by the time its file
/// returns. A row whose old name is taken, or whose file is gone, is left as it is and reported;
/// the others are restored. The progress bar counts the rows.
UndoResult undoPass(platform::PassRecord& pass, platform::FileRenamer& renamer,
                    platform::Progress& progress);

/// "new name → old name: reason", the reason in Russian; the names as reversible text.
QString failureText(const UndoFailure& failure);

} // namespace renaming
