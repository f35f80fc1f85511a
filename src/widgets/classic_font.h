// The fonts the windows were designed with, and the fallback where the system lacks them.
#pragma once

#include <QFont>

namespace widgets {

/// "MS Sans Serif" at `pointSize` where the system has that family, otherwise the application's
/// default dialog font at the same size, so the designed proportions hold either way.
QFont classicFont(qreal pointSize, bool bold = false);

/// The application's default dialog font, pinned in every property so that a container with a
/// font of its own (a captioned frame) does not pass that font down to the controls inside it.
QFont dialogFont();

/// Gives every one of `controls` the same font.
template <class... Controls> void setFonts(const QFont& font, Controls*... controls) {
    (controls->setFont(font), ...);
}

} // namespace widgets
