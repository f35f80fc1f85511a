// The folder survey on Linux: one statfs, one statx, one access check and one read of the
// folder; a statx for each renamed file only where it could be protected.
#pragma once

#include "platform/folder_survey.h"

namespace filesystem {

class PosixFolderSurveyor final : public platform::FolderSurveyor {
public:
    /// The entries come from a single readdir, by the type it reports (a stat only where the
    /// file system reports none). Letter case is found ignored where an entry's name with its
    /// ASCII letters in the other case finds the entry; where no entry has ASCII letters, by the
    /// file system's type. A statx for each of `renamed` only where flags or a sticky bit could
    /// stop it.
    platform::FolderSurvey survey(const QString& folder, const QStringList& renamed) const override;
};

} // namespace filesystem
