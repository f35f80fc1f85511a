// The new-name list of the window as the engine sees it.
#include "main_window/shown_new_names.h"

#include "platform/dialogs.h"
#include "platform/name_list_model.h"

using namespace Qt::StringLiterals;

namespace main_window {

ShownNewNames::ShownNewNames(platform::NameListModel& lstNew, platform::Dialogs& dialogs,
                             std::function<QPointF()> boxPosition)
    : m_lstNew(lstNew)
    , m_dialogs(dialogs)
    , m_boxPosition(std::move(boxPosition)) {}

void ShownNewNames::shown(const QStringList& names) {
    m_lstNew.addItems(names);
}

void ShownNewNames::highlight(qsizetype row) {
    m_lstNew.setListIndex(row);
}

void ShownNewNames::changed(qsizetype row, const QString& name) {
    m_lstNew.setItem(row, name);
}

std::optional<QString> ShownNewNames::askName(const QString& defaultText) {
    QString answer = m_dialogs.input(u"Введите индивидуальное имя для файла"_s,
                                     u"Имя повторяется дважды"_s, defaultText, m_boxPosition());
    if (answer.isEmpty())
        return std::nullopt;
    return answer;
}

} // namespace main_window
