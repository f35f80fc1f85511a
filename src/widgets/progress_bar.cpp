// The progress bar prb1.
#include "widgets/progress_bar.h"

#include <QCoreApplication>
#include <algorithm>
#include <limits>

namespace widgets {

namespace {

int toBarUnits(qint64 value) {
    return int(std::clamp<qint64>(value, 0, std::numeric_limits<int>::max()));
}

} // namespace

ProgressBar::ProgressBar(QWidget* parent)
    : QProgressBar(parent) {
    setTextVisible(false);
    QProgressBar::setRange(0, 100);
    QProgressBar::setValue(0);

    // A pass that writes faster than the repaint interval leaves the bar behind; it catches up as
    // soon as the event loop gets a turn again (the end of the pass, or a modal message inside it).
    m_catchUp.setSingleShot(true);
    m_catchUp.setInterval(0);
    connect(&m_catchUp, &QTimer::timeout, this, &ProgressBar::showValue);
}

void ProgressBar::setMaximum(qint64 maximum) {
    m_maximum = maximum;
    // Qt draws a range of 0..0 as a busy animation; an empty list is just an empty bar here.
    QProgressBar::setRange(0, std::max(1, toBarUnits(maximum)));
    showValue();
}

void ProgressBar::setValue(qint64 value) {
    m_value = value;
    if (m_sinceRepaint.isValid() && !m_sinceRepaint.hasExpired(kRepaintIntervalMs)) {
        if (!m_catchUp.isActive())
            m_catchUp.start();
        return;
    }
    showValue();
    // The pass holds the user-interface thread for as long as it runs, so it lets the window
    // repaint and answer the window manager here, lest a desktop offer to kill a window that is
    // half-way through renaming a folder. User input is not handled: it stays queued until the
    // pass has ended, so a click meant for the finished window does not act mid-pass.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void ProgressBar::showValue() {
    m_catchUp.stop();
    m_sinceRepaint.start();
    const int shown = std::min(toBarUnits(m_value), QProgressBar::maximum());
    if (shown == QProgressBar::value())
        return;
    QProgressBar::setValue(shown);
    // The user-interface thread is busy with the pass, so paint now rather than on a later turn.
    repaint();
}

} // namespace widgets
