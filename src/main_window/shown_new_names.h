// The new-name list of the window as the engine sees it: lstNew's model and the input box.
#pragma once

#include "platform/new_name_list.h"

#include <QPointF>
#include <functional>

namespace platform {
class Dialogs;
class NameListModel;
} // namespace platform

namespace main_window {

class ShownNewNames final : public platform::NewNameList {
public:
    /// `boxPosition` gives the input box's top-left corner in twips, read afresh for every box,
    /// since the user may move the window between two of them.
    ShownNewNames(platform::NameListModel& lstNew, platform::Dialogs& dialogs,
                  std::function<QPointF()> boxPosition);

    void shown(const QStringList& names) override;
    void highlight(qsizetype row) override;
    void changed(qsizetype row, const QString& name) override;
    std::optional<QString> askName(const QString& defaultText) override;

private:
    platform::NameListModel& m_lstNew;
    platform::Dialogs& m_dialogs;
    std::function<QPointF()> m_boxPosition;
};

} // namespace main_window
