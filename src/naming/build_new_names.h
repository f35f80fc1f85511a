// The preview: new names from the current names and the naming parameters, every repeat settled.
#pragma once

#include "naming/naming_rule.h"

#include <QPointF>
#include <functional>

namespace platform {
class Dialogs;
class FileView;
class NameListModel;
class Progress;
} // namespace platform

namespace naming {

struct NamingContext {
    const platform::FileView& File2;
    platform::NameListModel& lstNew;
    platform::Progress& prb1;
    platform::Dialogs& dialogs;
    /// The main window's outer Left (x) and Top (y), in twips from the screen's top-left; read
    /// again for every input box, since the user may move the window between two of them.
    std::function<QPointF()> windowPosition;
};

/// Rebuilds lstNew from the naming page's texts: one unique new name per row of File2, or an
/// empty list after a warning or when the user gives up on a repeat. The ending is taken with
/// its dot (endingWithDot), which the window shows in cboEnd before it calls this.
void BuildNewNames(const NamingContext& context, NamingParameters parameters);

} // namespace naming
