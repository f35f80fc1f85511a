// The status bar sbr1: a time panel, a date panel and a text panel, numbered from 1.
#pragma once

#include <QList>
#include <QTimer>
#include <QWidget>

class QLabel;

namespace widgets {

class StatusBar final : public QWidget {
    Q_OBJECT

public:
    explicit StatusBar(QWidget* parent = nullptr);

    static constexpr int kPanelCount = 3;
    /// Least panel widths in twips; a panel grows to fit its text, and the last one is cut off
    /// where the bar ends.
    static constexpr int kPanelWidths[kPanelCount] = {1005, 1005, 4005};

    /// Writes the text panel (3). The time and date panels keep themselves up to date and ignore
    /// writes.
    void setPanelText(int panel, const QString& text);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void showClock();
    void placePanels();

    QList<QLabel*> m_panels;
    QTimer m_clock;
};

} // namespace widgets
