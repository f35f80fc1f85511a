// The progress bar prb1: a QProgressBar that the long passes can drive without flooding repaints.
#pragma once

#include "platform/progress.h"

#include <QElapsedTimer>
#include <QProgressBar>
#include <QTimer>

namespace widgets {

class ProgressBar final : public QProgressBar, public platform::Progress {
    Q_OBJECT

public:
    explicit ProgressBar(QWidget* parent = nullptr);

    void setMaximum(qint64 maximum) override;
    void setValue(qint64 value) override;

    /// The shortest time between two repaints while a pass holds the user-interface thread; as
    /// often, a write lets the window handle its other events, but no user input.
    static constexpr int kRepaintIntervalMs = 50;

private:
    void showValue();

    qint64 m_maximum = 100;
    qint64 m_value = 0;
    QElapsedTimer m_sinceRepaint;
    QTimer m_catchUp;
};

} // namespace widgets
