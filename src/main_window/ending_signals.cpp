// The ending signals: a self-pipe written by the handler, read through a QSocketNotifier.
#include "main_window/ending_signals.h"

#include "platform/stop_request.h"

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace main_window {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

volatile std::sig_atomic_t g_running = 0;
volatile std::sig_atomic_t g_signal = 0;
int g_pipe[2] = {-1, -1};

// Only async-signal-safe calls here: write, signal, raise.
void onEndingSignal(int signal) {
    if (!g_running || g_signal != 0) {
        // Outside the work, or a second time: the default action, once this handler returns and
        // unblocks the signal.
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    g_signal = signal;
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace

void catchEndingSignals() {
    if (g_pipe[0] >= 0 || ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
        char bytes[16];
        while (::read(g_pipe[0], bytes, sizeof bytes) > 0) {
        }
        if (g_signal != 0) {
            platform::requestStop();
            closeOpenDialog();
        }
    });
    struct sigaction action = {};
    action.sa_handler = onEndingSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kSignals)
        ::sigaction(signal, &action, nullptr);
}

void setWorkRunning(bool running) {
    g_running = running ? 1 : 0;
}

int endingSignal() {
    return g_signal;
}

void endBySignal(int signal) {
    std::fflush(nullptr);
    std::signal(signal, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    ::sigprocmask(SIG_UNBLOCK, &set, nullptr);
    std::raise(signal);
    std::_Exit(128 + signal);
}

const char* signalName(int signal) {
    switch (signal) {
    case SIGTERM:
        return "SIGTERM";
    case SIGINT:
        return "SIGINT";
    case SIGHUP:
        return "SIGHUP";
    default:
        return "signal";
    }
}

void closeOpenDialog() {
    if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
        dialog->reject();
}

} // namespace main_window
