// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/Background.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <atomic>
#include <exception>
#include <thread>

namespace pelmor::shell {

void RunAndWait(const std::function<void()>& work) {
    QEventLoop loop;
    QPointer<QEventLoop> guard(&loop);
    std::atomic<bool> done{false};
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        done = true;
        // Queued to the waiting thread: the loop is quit from its own thread, after exec
        // has started (or at once, when it has not started yet).
        QMetaObject::invokeMethod(
            &loop,
            [guard] {
                if (guard) guard->quit();
            },
            Qt::QueuedConnection);
    });
    // exec may return early when the application quits; the work is still waited for.
    while (!done) {
        loop.exec();
        if (!done && QCoreApplication::closingDown()) break;
    }
    worker.join();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace pelmor::shell
