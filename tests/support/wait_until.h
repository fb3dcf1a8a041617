#pragma once
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
