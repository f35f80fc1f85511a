// SIGTERM, SIGINT and SIGHUP while a preview or a pass runs: the row in progress finishes first.
#pragma once

#include <QtGlobal>

namespace main_window {

/// Catches SIGTERM, SIGINT and SIGHUP for the rest of the process; call it once a QApplication
/// exists. Outside a preview or a pass each still ends the program at once, by its default
/// action. During one, the first asks the work to stop (platform::requestStop) through the event
/// loop, which the busy window keeps turning, and closes an open dialog; a second ends the program
/// at once.
void catchEndingSignals();

/// Marks the span in which a preview or a pass runs.
void setWorkRunning(bool running);

/// The signal that arrived while the work ran, or 0.
int endingSignal();

/// Ends the program by `signal` with its default action, as if it had never been caught.
[[noreturn]] void endBySignal(int signal);

/// The signal's short name, such as "SIGTERM".
const char* signalName(int signal);

/// Rejects the modal dialog that is open, if any, so a preview or pass being stopped goes on.
void closeOpenDialog();

} // namespace main_window
