// The windows' fonts: "MS Sans Serif" where the system has it, the dialog font otherwise.
#pragma once

#include <QFont>

namespace widgets {

/// "MS Sans Serif" at `pointSize` where the system has that family, otherwise the application's
/// default dialog font at the same size, so the layout's proportions hold either way.
QFont windowFont(qreal pointSize, bool bold = false);

/// The application's default dialog font, pinned in every property so that a container with a
/// font of its own (a captioned frame) does not pass that font down to the controls inside it.
QFont dialogFont();

/// Gives every one of `controls` the same font.
template <class... Controls> void setFonts(const QFont& font, Controls*... controls) {
    (controls->setFont(font), ...);
}

} // namespace widgets
