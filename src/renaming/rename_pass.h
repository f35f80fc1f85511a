// The rename pass: applies the new-name list to the files of the folder on disk.
#pragma once

namespace platform {
class Dialogs;
class FileRenamer;
class FileView;
class NameListModel;
class Progress;
} // namespace platform

namespace renaming {

/// What the pass needs of the main window beyond its lists.
class RenameWindow {
public:
    virtual ~RenameWindow() = default;

    virtual void setRenameEnabled(bool enabled) = 0; ///< cmdRename.Enabled
    virtual void setHourglass(bool busy) = 0;        ///< MousePointer 11 / 0
};

struct RenameContext {
    platform::FileView& File1;
    platform::FileView& File2;
    platform::NameListModel& lstNew;
    platform::Progress& prb1;
    platform::Dialogs& dialogs;
    platform::FileRenamer& renamer;
    RenameWindow& window;
};

/// Swap pre-pass, one rename per row with one message per failure, then the closing steps.
void cmdRename_Click(const RenameContext& context);

} // namespace renaming
