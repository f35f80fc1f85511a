// A new-name list for tests: what lstNew would show, and every name asked for answered from a
// script.
#pragma once

#include "platform/new_name_list.h"

#include <QTest>
#include <functional>

class FakeNewNameList final : public platform::NewNameList {
public:
    QStringList items;
    /// The row last highlighted; -1 for none.
    qsizetype highlighted = -1;
    /// Consumed in order by askName(); "" gives up.
    QStringList answers;
    /// The default text of every box, in order.
    QStringList asked;
    /// Runs as each box opens, before its answer is taken.
    std::function<void(const QString& defaultText)> opening;

    void shown(const QStringList& names) override { items.append(names); }
    void highlight(qsizetype row) override { highlighted = row; }
    void changed(qsizetype row, const QString& name) override {
        if (row < 0 || row >= items.size())
            QTest::qFail("a row was changed that the list does not hold", __FILE__, __LINE__);
        else
            items[row] = name;
    }
    std::optional<QString> askName(const QString& defaultText) override {
        asked.append(defaultText);
        if (opening)
            opening(defaultText);
        if (answers.isEmpty()) {
            QTest::qFail("a box was shown with no scripted answer left", __FILE__, __LINE__);
            return std::nullopt;
        }
        const QString answer = answers.takeFirst();
        if (answer.isEmpty())
            return std::nullopt;
        return answer;
    }
};
