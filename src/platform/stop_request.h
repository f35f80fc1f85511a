// A request to stop a preview or a rename pass between two rows, because the program is ending.
#pragma once

#include <atomic>

namespace platform {

namespace detail {
inline std::atomic<bool>& stopFlag() {
    static std::atomic<bool> flag{false};
    return flag;
}
} // namespace detail

/// Whether the program has been asked to end (a signal, the end of the session) while a preview
/// or a pass runs. The engine reads it between two rows: the row in progress finishes, the rest
/// are left as they are, and the closing steps run.
inline bool stopRequested() {
    return detail::stopFlag().load(std::memory_order_relaxed);
}

/// Sets or, once the stop has been dealt with, clears the request.
inline void requestStop(bool stop = true) {
    detail::stopFlag().store(stop, std::memory_order_relaxed);
}

} // namespace platform
