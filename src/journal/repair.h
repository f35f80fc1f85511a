// Puts right the rows a rename pass left mid-step when its program was cut off: killed, crashed,
// or the machine stopped with the journal still in the system's cache.
#pragma once

#include "journal/journal.h"

#include <QString>

namespace platform {
class FileRenamer;
}

namespace journal {

/// For every journal in `directory` of a pass that was cut off after some of its steps and whose
/// program is gone: a file left under an aside name goes back to its old name through `renamer`,
/// and a name the pass made on the way and recorded (an empty claim it created, a second link of
/// the file) is removed, but only while it is still just that. Nothing the journal did not record
/// is removed. One line on standard error per row put right or left as it is; how many rows.
qsizetype repairInterruptedPasses(platform::FileRenamer& renamer,
                                  const QString& directory = defaultDirectory());

} // namespace journal
