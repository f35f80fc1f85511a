// The progress bar as the long-running passes see it.
#pragma once

#include <QtGlobal>

namespace platform {

class Progress {
public:
    virtual ~Progress() = default;

    /// 0 is a legal maximum (an empty list), not a request for a busy indicator.
    virtual void setMaximum(qint64 maximum) = 0;
    virtual void setValue(qint64 value) = 0;
};

} // namespace platform
