// Placing a window by its frame, before and after the window manager has drawn it.
#include "widgets/frame_placement.h"

#include <QEvent>
#include <QWidget>

namespace widgets {

FramePlacement::FramePlacement(QWidget& window, Rule topLeft)
    : QObject(&window)
    , m_window(window)
    , m_topLeft(std::move(topLeft)) {
    window.installEventFilter(this);
}

void FramePlacement::place(QSize outer) {
    m_placedOuter = outer;
    m_placedAt = m_topLeft(outer);
    // move() places a top-level window's frame, once it has one.
    m_window.move(m_placedAt);
}

bool FramePlacement::eventFilter(QObject* watched, QEvent* event) {
    // Framing moves the client area into the frame; that first move shows the real outer size.
    if (watched == &m_window && event->type() == QEvent::Move && !m_framed &&
        m_window.isVisible() && m_window.frameGeometry() != m_window.geometry()) {
        m_framed = true;
        const QRect frame = m_window.frameGeometry();
        if (frame.topLeft() == m_placedAt && frame.size() != m_placedOuter)
            place(frame.size());
    }
    return false;
}

} // namespace widgets
