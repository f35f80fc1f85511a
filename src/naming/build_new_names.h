// The preview: new names from the current names and the naming parameters, every repeat settled.
#pragma once

#include "naming/naming_rule.h"

#include <QString>
#include <QStringList>

namespace platform {
class FileView;
class NewNameList;
class Progress;
} // namespace platform

namespace naming {

/// How a preview ended.
struct Preview {
    enum class Ending {
        Done,    ///< `names` holds one unique new name per current name
        Warned,  ///< the parameters give no usable names; nothing was built
        GivenUp, ///< the user gave up on a repeat, or a stop was requested
    };
    Ending ending = Ending::Done;
    QStringList names;
    /// When Warned: the text of the warning, for the box titled "ВНИМАНИЕ !!!".
    QString warning;
};

/// The new names for `currentNames` (reversible text, platform::decodeFileName), shown on
/// `list` as they are made and settled. The ending is taken with its dot (endingWithDot),
/// which the window shows in cboEnd before it calls this. `progress` counts the names up to their
/// number while they are built, and the rows while their repeats are looked for.
Preview BuildNewNames(const QStringList& currentNames, NamingParameters parameters,
                      platform::NewNameList& list, platform::Progress& progress);

/// The same for the rows of `currentFiles`, read one at a time: a large folder's names are not
/// held a second time as strings.
Preview BuildNewNames(const platform::FileView& currentFiles, NamingParameters parameters,
                      platform::NewNameList& list, platform::Progress& progress);

} // namespace naming
