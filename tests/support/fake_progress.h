// A progress bar for tests: what the user sees of it, and every write.
#pragma once

#include "platform/progress.h"

#include <QList>
#include <algorithm>

class FakeProgress final : public platform::Progress {
public:
    qint64 maximum = 100;
    qint64 value = 0;
    /// The fullest the bar was.
    qint64 highest = 0;
    /// Whether some value lay below 0 or past the maximum of its time.
    bool overflowed = false;
    QList<qint64> maximums;
    QList<qint64> values;

    void setMaximum(qint64 newMaximum) override {
        maximum = newMaximum;
        maximums.append(newMaximum);
    }

    void setValue(qint64 newValue) override {
        value = newValue;
        highest = std::max(highest, newValue);
        overflowed = overflowed || newValue < 0 || newValue > maximum;
        values.append(newValue);
    }
};
