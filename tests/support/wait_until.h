#pragma once
// Waits for what a window or a worker does in its own time, with the event
// loop running, so that tests need no fixed sleeps.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <functional>

namespace quillmar::test {

// Runs the event loop until `done` holds or `limitMs` passed; the limit only
// keeps a broken test from hanging.
inline bool waitUntil(const std::function<bool()>& done, int limitMs = 20000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.hasExpired(limitMs))
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

}  // namespace quillmar::test
