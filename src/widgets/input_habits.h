// Keyboard and wheel habits of the window's buttons and combo boxes where Qt's own differ.
#pragma once

class QAbstractButton;
class QAbstractItemView;
class QComboBox;

namespace widgets {

/// The combo box takes the wheel only while it has the focus; over a combo without the focus the
/// wheel changes nothing, so a notch on the way to another control loses no choice.
void takeWheelOnlyWithFocus(QComboBox& combo);

/// Shift+F10 opens the view's custom context menu, as the Menu key does: the window system turns
/// only the Menu key into a context-menu event on Linux.
void openMenuOnShiftF10(QAbstractItemView& view);

/// Enter presses the button while it holds the focus, as Space does.
void pressOnEnter(QAbstractButton& button);

} // namespace widgets
