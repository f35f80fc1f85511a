// The preview: new names from the current names and the naming parameters, every repeat settled.
#pragma once

#include <QPointF>
#include <QString>

namespace platform {
class Dialogs;
class FileView;
class NameListModel;
class Progress;
} // namespace platform

namespace naming {

/// The naming page's parameter controls and the window position, as the preview reads them.
class NamingPage {
public:
    virtual ~NamingPage() = default;

    virtual QString baseName() const = 0; ///< txtName.Text
    virtual QString addition() const = 0; ///< cboDop.Text: "-", "1" or "01"
    virtual QString ending() const = 0;   ///< cboEnd.Text
    /// Writes cboEnd.Text; the combo's Change handler runs before this returns.
    virtual void setEnding(const QString& text) = 0;
    /// The main window's outer Left (x) and Top (y), in twips from the screen's top-left.
    virtual QPointF windowPosition() const = 0;
};

struct NamingContext {
    const platform::FileView& File2;
    NamingPage& page;
    platform::NameListModel& lstNew;
    platform::Progress& prb1;
    platform::Dialogs& dialogs;
};

/// Rebuilds lstNew: one unique new name per row of File2, or an empty list after a warning or
/// when the user gives up on a repeat.
void BuildNewNames(const NamingContext& context);

} // namespace naming
