// Modal dialogs behind an interface, so the engine can be driven by scripted answers in tests.
#pragma once

#include <QPointF>
#include <QString>

namespace platform {

class Dialogs {
public:
    virtual ~Dialogs() = default;

    /// A modal message with a single OK button.
    virtual void message(const QString& prompt, const QString& title) = 0;

    /// A modal question with the buttons "Да" (the default) and "Нет"; true for "Да". Dialogs
    /// that cannot ask answer "Нет", so nothing is done unasked.
    virtual bool question(const QString& /*prompt*/, const QString& /*title*/) { return false; }

    /// A modal one-line input box. `position` is the box's top-left corner in twips from the
    /// screen's top-left; it may lie off the screen. Returns "" on Cancel or an empty answer.
    virtual QString input(const QString& prompt, const QString& title, const QString& defaultText,
                          QPointF position) = 0;
};

} // namespace platform
