// The folder survey on Linux: one statfs, one access check and one read of the folder.
#pragma once

#include "platform/folder_survey.h"

namespace filesystem {

class PosixFolderSurveyor final : public platform::FolderSurveyor {
public:
    /// The entries come from a single readdir, by the type it reports (a stat only where the
    /// file system reports none). Letter case is found ignored where an entry's name in another
    /// case finds the entry; where no entry has letters, by the file system's type.
    platform::FolderSurvey survey(const QString& folder) const override;
};

} // namespace filesystem
