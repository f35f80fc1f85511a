// The new-name list (lstNew) as the engine fills it, and the user's answers for repeated names.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace platform {

/// The window shows the engine's work here as it happens, so the user watches the list fill and
/// sees each repeat highlighted beside the box that asks about it.
class NewNameList {
public:
    virtual ~NewNameList() = default;

    /// The generated names, one per file row, before any repeat is asked about.
    virtual void shown(const QStringList& names) = 0;
    /// The row whose repeat is asked about next.
    virtual void highlight(qsizetype row) = 0;
    /// Row `row` holds `name` from now on.
    virtual void changed(qsizetype row, const QString& name) = 0;
    /// Asks the user for an individual name, offering `defaultText`; std::nullopt when the user
    /// gives up. An answer is never empty.
    virtual std::optional<QString> askName(const QString& defaultText) = 0;
};

} // namespace platform
