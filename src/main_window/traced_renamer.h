// A file-rename service that leaves the real cause of every failure on standard error.
#pragma once

#include "platform/file_renamer.h"

namespace main_window {

/// Forwards to another renamer. Every failure gets one line on standard error: the file, the new
/// name and the system's words for the cause, since the message box names only the new name.
class TracedRenamer final : public platform::FileRenamer {
public:
    explicit TracedRenamer(platform::FileRenamer& renamer)
        : m_renamer(renamer) {}

    [[nodiscard]] int rename(const QString& folder, const QString& oldName,
                             const QString& newName) override;
    void releaseFolder() override { m_renamer.releaseFolder(); }
    void setSteps(platform::RenameSteps* steps) override { m_renamer.setSteps(steps); }
    [[nodiscard]] int folderLost() const override { return m_renamer.folderLost(); }

private:
    platform::FileRenamer& m_renamer;
};

} // namespace main_window
