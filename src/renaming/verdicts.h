// The preview's verdicts: a dry run of the rename pass over a survey of the folder, which tells
// the rows whose rename will fail, and why, before any file is touched.
#pragma once

#include "platform/folder_survey.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace platform {
class FileView;
} // namespace platform

namespace renaming {

enum class Cause : quint8 {
    NameTaken,        ///< an entry the pass does not move away carries the new name (`name`)
    NameForbidden,    ///< no file on this file system can carry the new name
    NameTooLong,      ///< the new name is longer than the file system takes
    FolderReadOnly,   ///< the user may not write in the folder, or it is mounted read-only
    SameIgnoringCase, ///< an earlier row's new name (`name`) is this one to a caseless file system
    FolderUnreadable, ///< the folder is gone or cannot be read
    FileGone,         ///< the row's file is no longer in the folder
    NotAFile,         ///< the row's name now belongs to a folder or something else than a file
    FolderUnchangeable,       ///< the folder is immutable or append-only
    OthersFileInStickyFolder, ///< the folder's sticky bit keeps another user's file in place
    FileUnchangeable,         ///< the file is immutable or append-only
};

struct Verdict {
    qsizetype row;
    Cause cause;
    /// The name the cause speaks of, as reversible text; "" where it speaks of none.
    QString name;
};

/// The rows of `newNames` (the new-name list as the preview left it, row k for row k of
/// `currentFiles`) whose rename the pass would fail in `folder` if nothing else changed it
/// meanwhile, in row order. The pass is followed step by step: the swap pre-pass on a copy of
/// the names, then each row in order against the entries as the earlier rows have left them,
/// under the renamer's rules. A row whose new name is its current name is never among them.
QList<Verdict> failingRows(const QStringList& newNames, const platform::FileView& currentFiles,
                           platform::FolderSurvey folder);

/// The current names of the rows that `newNames` renames: the files whose own state the
/// verdicts need (platform::FolderSurveyor::survey).
QStringList renamedFiles(const QStringList& newNames, const platform::FileView& currentFiles);

} // namespace renaming
