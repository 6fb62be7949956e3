// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The checker's worker pool: queued pages are checked on a few worker threads, with at
// most a few checks of one host at a time, each check bounded by a hard time limit.
// Every page handed in gets exactly one PageStartCheck and then one PageUpdated event,
// unless the pool is stopped first; events leave through one thread, in the order they
// happened.
//
// A pool with a memory budget starts a check only while the checks in flight leave room
// for its estimate; a check that does not fit waits in the queue (later pages start only
// if they leave room for it too), and a check alone always starts. A check whose pages turn
// out bigger than estimated charges the rest as it goes (platform/core/MemoryBudget.h).
//
// A check that passes the limit is reported as failed ("timed out"), stamped with the time
// it was given up, and a fresh worker takes its place. The check runs under the limit as
// its deadline (platform/core/Deadline.h), so the work in progress ends by itself soon
// after; whatever the late check answers is dropped. A failed check counts as a check for
// the schedule: it is stamped too, so the page waits a full period.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "updater/Protocol.h"

namespace pelmor::updater {

struct CheckResult {
    bool updated = false;
    // The page's LastCheckDate after the check.
    DateTime lastCheckDate;
    // Why the page could not be compared; "" when it was.
    std::string failure{};
};

// Checks one page; called on a worker thread, several at once. May throw: the check then
// counts as failed, stamped with the pool's clock.
using CheckFunction = std::function<CheckResult(const PageSnapshot&)>;
// Receives the events, one at a time, on the pool's event thread.
using EventSink = std::function<void(const Event&)>;

struct PoolOptions {
    int workers = 4;
    int perHost = 2;
    std::chrono::milliseconds limit{60000};
    // Stamp for checks given up at the limit.
    std::function<DateTime()> clock = DateTime::Now;
    // Bytes of memory the checks in flight may take together, by their estimates; 0 for
    // no bound.
    size_t memoryBudget = 0;
    // A check's memory estimate, asked once when the page is handed in; 0 without one.
    std::function<size_t(const PageSnapshot&)> estimate{};
};

class CheckerPool {
public:
    CheckerPool(CheckFunction check, EventSink sink, PoolOptions options = {});
    // Stops the pool and waits for the workers' current checks, except those given up.
    ~CheckerPool();
    CheckerPool(const CheckerPool&) = delete;
    CheckerPool& operator=(const CheckerPool&) = delete;

    // Pages handed in before Start wait in the queue.
    void Start();
    // Queues a page; ignored once stopped.
    void Submit(uint64_t id, PageSnapshot page);
    // Drops the queue; no event is handed to the sink after the one it may be writing.
    // Does not wait for running checks.
    void Stop();

    struct State;

private:
    std::shared_ptr<State> state_;
};

}  // namespace pelmor::updater
