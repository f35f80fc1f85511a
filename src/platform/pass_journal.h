// The journal of a rename pass as the engine sees it: the plan written before the first rename,
// and the pass read back for its undo.
#pragma once

#include "platform/file_renamer.h"
#include "platform/rename_plan.h"

#include <QString>
#include <vector>

namespace platform {

class PassJournal : public RenameSteps {
public:
    /// Makes the plan durable before the first rename: for every row, its name, its new name
    /// (after the pre-pass) and its fileId. A journal that cannot be written says so on standard
    /// error, and the pass runs all the same.
    virtual void begin(const RenamePlan& plan) = 0;

    /// The steps told from now on (RenameSteps::step) are those of `row`'s rename. They are kept
    /// without waiting for the disk: a crashed program leaves what it wrote in the system's cache,
    /// and that is enough to put the row right at the next start.
    virtual void renaming(qsizetype row) = 0;

    /// Records that the pass ended, and which rows it renamed.
    virtual void end(const std::vector<bool>& renamed) = 0;
};

/// One journalled pass as its undo reads it: the plan, what the pass reported, and where each
/// row's file is now. The undo's own intermediate names are told to it as the pass's are to its
/// journal, so that an undo cut off mid-step is put right at the next start too.
class PassRecord : public RenameSteps {
public:
    virtual QString folder() const = 0;
    virtual qsizetype count() const = 0;
    /// Reversible text (platform::decodeFileName), as the pass saw the names.
    virtual QString oldName(qsizetype row) const = 0;
    virtual QString newName(qsizetype row) const = 0;
    /// Whether the pass ended and reported that it did not rename this row.
    virtual bool leftAlone(qsizetype row) const = 0;
    /// The entry of the folder that holds the row's file now, found by its inode under its old
    /// name, its new name, or the aside name a case-only rename left it under mid-way; "" when
    /// the folder holds it under none of these.
    virtual QString currentName(qsizetype row) const = 0;
    /// When currentName is "": whether the row's new or old name holds another file all the same,
    /// as when an editor saved the file anew.
    virtual bool replaced(qsizetype row) const = 0;

    /// The steps told from now on are those of moving `row`'s file back from `from`, its name
    /// when the undo comes to it.
    virtual void restoring(qsizetype row, const QString& from) = 0;
};

} // namespace platform
