// The layout table of the main window: where each control sits, and the order Tab visits them.
#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

class QComboBox;
class QFont;
class QGroupBox;
class QIcon;
class QPushButton;
class QWidget;

namespace main_window {

class WindowLayout {
public:
    /// The window's fixed client area.
    static QSize clientSize();

    /// Names `widget` and puts it where the table says.
    template <class Widget> static Widget* placed(Widget* widget, const QString& name) {
        place(*widget, name);
        return widget;
    }

    /// The font of the frames' captions, the buttons and the selection page's heading.
    static QFont captionFont();

    /// A picture button, its tooltip also its accessible name.
    static QPushButton* button(QWidget* page, const QString& name, const QString& tooltip,
                               const QIcon& icon);
    /// A captioned frame for the controls of one choice.
    static QGroupBox* frame(QWidget* page, const QString& name, const QString& caption);
    /// A combo box that leaves the user's typing alone: no completion that would type ahead of
    /// the user, no list items added by pressing Enter, and no current item until one is chosen.
    /// An editable combo starts out showing `initialText`; Form_Load replaces it with the
    /// start-up item before the window is first shown.
    static QComboBox* comboBox(QWidget* parent, bool editable, const QStringList& items,
                               const QString& initialText);

    /// Chains the focusable controls of `window` in the table's tab order.
    static void orderTabStops(QWidget& window);

private:
    static void place(QWidget& widget, const QString& name);
};

} // namespace main_window
