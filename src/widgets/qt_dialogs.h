// The dialogs of the running program: Qt's message box and input dialog.
#pragma once

#include "platform/dialogs.h"

#include <QPointer>
#include <QRect>

class QWidget;

namespace widgets {

/// Moves `rect` the least distance that puts it wholly inside `area` (its top-left wins when
/// `rect` is larger than `area`).
QRect keepInside(QRect rect, const QRect& area);

class QtDialogs final : public platform::Dialogs {
public:
    /// `window` is the main window: the dialogs are modal over it and open on its screen.
    explicit QtDialogs(QWidget* window);
    /// For dialogs made before their window, as the window takes them when it is built.
    void setWindow(QWidget* window) { m_window = window; }

    void message(const QString& prompt, const QString& title) override;
    bool question(const QString& prompt, const QString& title) override;
    QString input(const QString& prompt, const QString& title, const QString& defaultText,
                  QPointF position) override;

private:
    QPointer<QWidget> m_window;
};

} // namespace widgets
