// A progress bar for tests that records every write.
#pragma once

#include "platform/progress.h"

#include <QList>

class FakeProgress final : public platform::Progress {
public:
    qint64 maximum = 100;
    qint64 value = 0;
    QList<qint64> maximums;
    QList<qint64> values;

    void setMaximum(qint64 newMaximum) override {
        maximum = newMaximum;
        maximums.append(newMaximum);
    }

    void setValue(qint64 newValue) override {
        value = newValue;
        values.append(newValue);
    }
};
