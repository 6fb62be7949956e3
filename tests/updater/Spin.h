// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace pelmor::test {

// Runs the event loop until `done` holds; false after `ms` milliseconds.
inline bool SpinUntil(const std::function<bool()>& done, int ms = 15000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms) return false;
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

}  // namespace pelmor::test
