// The status bar sbr1.
#include "widgets/status_bar.h"

#include "platform/twips.h"

#include <QDateTime>
#include <QLabel>
#include <QLocale>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace widgets {

namespace {

constexpr int kTimePanel = 1;
constexpr int kDatePanel = 2;
constexpr int kTextPanel = 3;
constexpr int kPanelGap = 2;

} // namespace

StatusBar::StatusBar(QWidget* parent)
    : QWidget(parent) {
    // A panel is read by what it shows, like any label; what it is for is its description.
    const QString purposes[kPanelCount] = {u"Время"_s, u"Дата"_s, u"Найденные файлы"_s};
    for (int i = 0; i < kPanelCount; ++i) {
        auto* panel = new QLabel(this);
        panel->setObjectName(u"panel%1"_s.arg(i + 1));
        panel->setAccessibleDescription(purposes[i]);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        panel->setIndent(3);
        m_panels.append(panel);
    }

    // Once a second is enough for a clock without seconds, and it also catches the midnight
    // date change and a clock that was set by hand.
    m_clock.setInterval(1000);
    m_clock.setTimerType(Qt::CoarseTimer);
    connect(&m_clock, &QTimer::timeout, this, &StatusBar::showClock);
    m_clock.start();
    showClock();
}

void StatusBar::setPanelText(int panel, const QString& text) {
    if (panel != kTextPanel)
        return;
    m_panels.at(kTextPanel - 1)->setText(text);
    placePanels();
}

void StatusBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placePanels();
}

void StatusBar::showClock() {
    const QLocale locale = QLocale::system();
    const QDateTime now = QDateTime::currentDateTime();
    const QString time = locale.toString(now.time(), QLocale::ShortFormat);
    const QString date = locale.toString(now.date(), QLocale::ShortFormat);
    if (m_panels.at(kTimePanel - 1)->text() == time && m_panels.at(kDatePanel - 1)->text() == date)
        return;
    m_panels.at(kTimePanel - 1)->setText(time);
    m_panels.at(kDatePanel - 1)->setText(date);
    placePanels();
}

void StatusBar::placePanels() {
    int left = 0;
    for (int i = 0; i < kPanelCount; ++i) {
        // The table's width is the least a panel gets: a long date format widens its panel
        // rather than losing its year.
        int width = std::max(platform::toPixels(kPanelWidths[i]),
                             m_panels.at(i)->sizeHint().width() + kPanelGap);
        if (i == kPanelCount - 1)
            width = std::max(0, std::min(width, this->width() - left));
        m_panels.at(i)->setGeometry(left, kPanelGap, width - kPanelGap, height() - kPanelGap);
        left += width;
    }
}

} // namespace widgets
