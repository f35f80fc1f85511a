// The dialogs of the running program.
#include "widgets/qt_dialogs.h"

#include "platform/file_names.h"
#include "platform/stop_request.h"
#include "platform/twips.h"

#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace widgets {

QRect keepInside(QRect rect, const QRect& area) {
    if (rect.right() > area.right())
        rect.moveRight(area.right());
    if (rect.bottom() > area.bottom())
        rect.moveBottom(area.bottom());
    if (rect.left() < area.left())
        rect.moveLeft(area.left());
    if (rect.top() < area.top())
        rect.moveTop(area.top());
    return rect;
}

QtDialogs::QtDialogs(QWidget* window)
    : m_window(window) {}

void QtDialogs::message(const QString& prompt, const QString& title) {
    // A program being ended waits for no answer; standard error has the causes.
    if (platform::stopRequested())
        return;
    // A prompt may quote a name whose bytes are not UTF-8; its escapes show as U+FFFD.
    QMessageBox box(QMessageBox::NoIcon, title, platform::shownFileName(prompt), QMessageBox::Ok,
                    m_window);
    box.exec();
}

bool QtDialogs::question(const QString& prompt, const QString& title) {
    QMessageBox box(QMessageBox::Question, title, platform::shownFileName(prompt),
                    QMessageBox::NoButton, m_window);
    QPushButton* yes = box.addButton(u"Да"_s, QMessageBox::YesRole);
    box.addButton(u"Нет"_s, QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.exec();
    return box.clickedButton() == yes;
}

QString QtDialogs::input(const QString& prompt, const QString& title, const QString& defaultText,
                         QPointF position) {
    if (platform::stopRequested())
        return {};
    QInputDialog dialog(m_window);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    const QString shownDefault = platform::shownFileName(defaultText);
    dialog.setTextValue(shownDefault);
    dialog.adjustSize();

    // The requested corner may lie anywhere, even off every screen: keep the box wholly on the
    // screen that shows the main window, so it can always be seen and answered.
    // Positions are those of the outer frame, which is not known before the box is shown; the
    // window manager gives it the main window's title bar and border.
    const QScreen* screen = m_window ? m_window->screen() : QGuiApplication::primaryScreen();
    const QSize decoration =
        m_window ? m_window->frameGeometry().size() - m_window->size() : QSize();
    QRect box(QPoint(platform::toPixels(position.x()), platform::toPixels(position.y())),
              dialog.size() + decoration);
    if (screen)
        box = keepInside(box, screen->availableGeometry());
    dialog.move(box.topLeft());

    if (dialog.exec() != QDialog::Accepted)
        return {};
    // The marks the user left in place stand for the default's real bytes.
    return platform::restoreShownMarks(dialog.textValue(), defaultText);
}

} // namespace widgets
