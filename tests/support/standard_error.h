// What the program writes to standard error while a piece of a test runs.
#pragma once

#include <QByteArray>
#include <QTemporaryFile>
#include <cstdio>
#include <unistd.h>

template <typename Run> QByteArray standardError(Run run) {
    QTemporaryFile capture;
    if (!capture.open())
        return "<no capture>";
    std::fflush(stderr);
    const int saved = ::dup(2);
    ::dup2(capture.handle(), 2);
    run();
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    capture.seek(0);
    return capture.readAll();
}
