// Places a top-level window by its outer frame, title bar included, as window positions are meant.
#pragma once

#include <QObject>
#include <QPoint>
#include <QSize>
#include <functional>

class QWidget;

namespace widgets {

/// A window's frame is known only once a window manager has framed it. The window is therefore
/// placed at once for a guessed outer size, and placed again when its real frame first appears,
/// unless it was moved meanwhile. Where nobody draws frames (Wayland, offscreen) the guess stands.
class FramePlacement final : public QObject {
public:
    /// `topLeft` gives the frame's top-left for an outer size.
    using Rule = std::function<QPoint(QSize outer)>;

    FramePlacement(QWidget& window, Rule topLeft);

    /// Moves the window for an outer size of `outer`.
    void place(QSize outer);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& m_window;
    Rule m_topLeft;
    QPoint m_placedAt;
    QSize m_placedOuter;
    bool m_framed = false;
};

} // namespace widgets
